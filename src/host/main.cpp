// chimewell: the Settings stand-in. Serves the pane in a browser on
// 127.0.0.1 (or the --listen address) over a device root, to whoever opens
// the address it prints, until interrupted.
#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/MainRunLoop.h"
#include "foundation/DeviceRoot.h"
#include "foundation/HiddenLinks.h"
#include "foundation/NSBundle.h"
#include "host/AccessToken.h"
#include "host/DemoDevice.h"
#include "host/HostApp.h"
#include "host/HostOptions.h"
#include "host/HostPaths.h"
#include "host/HostServer.h"
#include "host/PaneCatalog.h"
#include "host/PhoneRoot.h"
#include "mail/MFMailComposeViewController.h"
#include "media/AudioOutput.h"

namespace fs = std::filesystem;

namespace {

// A mount made with sshfs's defaults hides the links the pane's paths go
// through (/var, /var/jb): one line at start names the way out.
void warnOfHiddenLinks() {
  for (const char* path : {"/var/jb/Library", "/var/mobile/Library/Preferences", "/var/containers/Bundle/Application"}) {
    if (auto link = unreadableLinkOnPath(path)) {
      std::cout << "Warning: " << hiddenLinkAdvice(*link) << "\n";
      return;
    }
  }
}

std::optional<std::string> environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

fs::path userFolder() { return userDataFolder(environment("XDG_DATA_HOME"), environment("HOME")); }

std::string accessToken(const HostOptions& options) {
  const fs::path file = accessTokenFile(userFolder());
  KeptAccessToken kept = keptAccessToken(file, options.newToken, earlierAccessTokenFile(userFolder()));
  if (kept.replacedBecause) {
    std::cout << "Made a new access token in " << file.string() << ": the old one could not be trusted ("
              << *kept.replacedBecause << ").\n";
  }
  return kept.token;
}

// What the person opens: the page keeps the token from the address for its
// origin alone. The address is a key, and stays in the browser's history:
// --new-token retires it.
std::string pageAddress(const std::string& host, int port, const std::string& token) {
  return "http://" + host + ":" + std::to_string(port) + "/?token=" + token;
}

void printAddresses(const ListenAddress& listen, int port, const std::string& token) {
  if (!listen.isLoopback()) {
    std::cout << "Warning: listening on " << listen.urlHost() << ", not only on this machine: other machines "
              << "on the network can reach the host. Only the address with its token opens the pane, and "
              << "anyone who has it can change the device's settings.\n";
  }
  std::cout << "Open " << pageAddress(listen.isWildcard() ? "127.0.0.1" : listen.urlHost(), port, token)
            << " in your browser. Ctrl-C ends it.\n";
  if (!listen.isWildcard()) return;
  for (const auto& name : listen.hostNames()) {
    if (!name.starts_with("127.") && name != "[::1]") {
      std::cout << "  From elsewhere: " << pageAddress(name, port, token) << "\n";
    }
  }
}

fs::path deviceRootFolder(const HostOptions& options, const HostPaths& paths) {
  if (options.root) {
    std::error_code error;
    if (!fs::is_directory(*options.root, error)) {
      throw std::runtime_error("--root " + options.root->string() + " is not a folder");
    }
    return fs::absolute(*options.root);
  }
  const fs::path copy = demoDeviceCopyPath(environment("XDG_DATA_HOME"), environment("HOME"));
  if (ensureDemoDeviceCopy(paths.demoDevice(), copy)) {
    std::cout << "Made the demo device at " << copy.string() << "\n";
  }
  return copy;
}

// Ctrl-C and SIGTERM are taken on a thread of their own; the signals are
// blocked in every other thread (all started after this), so no handler runs
// amid a task. The first runs the current stop action (at first, ending the
// run loop: a stop before the loop runs ends it at once); another, should that
// stop hang on a pane that never returns, ends the process there and then.
class SignalStop {
 public:
  explicit SignalStop(MainRunLoop& loop) : state_(std::make_shared<State>()) {
    state_->action = [&loop] { loop.stop(); };
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals, state = state_] {
      for (bool first = true;; first = false) {
        int received = 0;
        sigwait(&signals, &received);
        if (!first) std::_Exit(128 + received);
        std::lock_guard guard(state->mutex);
        if (state->action) state->action();
      }
    }).detach();
  }

  // What the first signal does from now on; none once what it uses is gone.
  void setAction(std::function<void()> action) {
    std::lock_guard guard(state_->mutex);
    state_->action = std::move(action);
  }

 private:
  struct State {
    std::mutex mutex;
    std::function<void()> action;
  };
  std::shared_ptr<State> state_;
};

int run(const HostOptions& options) {
  MainRunLoop& loop = MainRunLoop::main();
  loop.adoptCurrentThread();
  SignalStop signalStop(loop);
  const HostPaths paths = locateHostPaths(currentExecutablePath());
  // First, so that the user's folder, when new, is made private.
  const std::string token = accessToken(options);
  std::unique_ptr<PhoneRoot> phone;
  if (options.sshRoot) {
    phone = std::make_unique<PhoneRoot>(*options.sshRoot, options.sshOptions,
                                        hostRuntimeFolder(environment("XDG_RUNTIME_DIR"), userFolder()));
  } else {
    setCurrentDeviceRoot(std::make_shared<DeviceRoot>(deviceRootFolder(options, paths)));
    warnOfHiddenLinks();
  }
  const fs::path rootFolder = currentDeviceRoot()->hostPath();
  AudioOutput::setMode(options.audio);
  MFMailComposeViewController::setCanSendMail(options.canSendMail);
  NSBundle::setMainBundle(NSBundle::bundleWithPath(paths.settingsAppBundle()));

  auto catalog = PaneCatalog::inDirectory(paths.buildDirectory);
  for (const auto& bundle : options.bundles) catalog->addBundle(bundle);
  HostApp app(catalog);
  for (const auto& className : options.pushClasses) app.pushPage(className);

  HostServer server(app, loop, paths.webDirectory(), token);
  const int port = server.bind(options.port, options.listen);
  server.attach();

  // Stopping goes outside in: the server takes no new requests, answers those
  // in flight (they need the main loop), and only then ends the main loop.
  std::thread httpThread([&server, &loop] {
    server.serve();
    loop.stop();
  });
  signalStop.setAction([&server] { server.stop(); });
  std::cout << "Chimewell is running on the device at " << rootFolder.string() << "\n";
  printAddresses(options.listen, port, token);
  std::cout << std::flush;
  if (phone) phone->watch(loop);
  loop.run();

  signalStop.setAction({});
  std::cout << "Stopping." << std::endl;
  // The loop may have ended before the server (a signal before it ran): no
  // request may then wait for it.
  server.stop();
  server.mainLoopEnded();
  httpThread.join();
  phone.reset();  // lets go of the device root, then unmounts
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);  // a browser that goes away mid-answer is not an error
  const std::string program = argc > 0 ? fs::path(argv[0]).filename().string() : "chimewell";
  HostOptions options;
  try {
    options = parseHostOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& failure) {
    std::cerr << program << ": " << failure.what() << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << hostUsage(program);
    return EXIT_SUCCESS;
  }
  try {
    return run(options);
  } catch (const std::exception& failure) {
    std::cerr << program << ": " << failure.what() << "\n";
    return EXIT_FAILURE;
  }
}
