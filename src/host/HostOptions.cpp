#include "host/HostOptions.h"

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace {

std::invalid_argument badOption(const std::string& message) {
  return std::invalid_argument(message + " (see --help)");
}

int parsePort(const std::string& text) {
  int port = 0;
  const char* end = text.data() + text.size();
  auto [last, error] = std::from_chars(text.data(), end, port);
  if (error != std::errc() || last != end || port < 0 || port > 65535) {
    throw badOption("--port needs a number from 0 to 65535, not \"" + text + "\"");
  }
  return port;
}

bool parseYesNo(const std::string& option, const std::string& text) {
  if (text == "yes") return true;
  if (text == "no") return false;
  throw badOption(option + " needs yes or no, not \"" + text + "\"");
}

// NAME=VALUE as a line of ssh's configuration: NAME VALUE. A line break would
// let a value add lines of its own.
std::string parseSshOption(const std::string& text) {
  const std::size_t equals = text.find('=');
  bool plainName = equals != std::string::npos && equals > 0;
  for (std::size_t i = 0; plainName && i < equals; ++i) plainName = std::isalnum(static_cast<unsigned char>(text[i]));
  bool plainValue = plainName && equals + 1 < text.size();
  for (std::size_t i = equals + 1; plainValue && i < text.size(); ++i) {
    plainValue = static_cast<unsigned char>(text[i]) >= 0x20 && text[i] != 0x7f;
  }
  if (!plainValue) throw badOption("--ssh-option needs NAME=VALUE, as IdentityFile=~/.ssh/phone, not \"" + text + "\"");
  return text.substr(0, equals) + " " + text.substr(equals + 1);
}

// Accepts "--name value" and "--name=value".
class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  bool done() const { return index_ >= arguments_.size(); }

  std::string nextOption() {
    std::string argument = arguments_[index_++];
    inlineValue_.reset();
    if (auto equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
      inlineValue_ = argument.substr(equals + 1);
      argument.resize(equals);
    }
    return argument;
  }

  std::string valueFor(const std::string& option) {
    if (inlineValue_) return *std::exchange(inlineValue_, std::nullopt);
    if (done()) throw badOption(option + " needs a value");
    return arguments_[index_++];
  }

  void expectNoValue(const std::string& option) const {
    if (inlineValue_) throw badOption(option + " takes no value");
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t index_ = 0;
  std::optional<std::string> inlineValue_;
};

}  // namespace

HostOptions parseHostOptions(const std::vector<std::string>& arguments) {
  HostOptions options;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    const std::string option = reader.nextOption();
    if (option == "--help" || option == "-h") {
      reader.expectNoValue(option);
      options.help = true;
    } else if (option == "--root") {
      std::string value = reader.valueFor(option);
      if (value.empty()) throw badOption("--root needs a folder");
      if (looksLikeSshAddress(value)) {
        options.sshRoot = parseSshAddress(value);
        options.root.reset();
      } else {
        options.root = std::filesystem::path(value);
        options.sshRoot.reset();
      }
    } else if (option == "--ssh-option") {
      options.sshOptions.push_back(parseSshOption(reader.valueFor(option)));
    } else if (option == "--port") {
      options.port = parsePort(reader.valueFor(option));
    } else if (option == "--listen") {
      std::string value = reader.valueFor(option);
      auto address = parseListenAddress(value);
      if (!address) throw badOption("--listen needs an IP address such as 192.168.1.20 or 0.0.0.0, not \"" + value + "\"");
      options.listen = *address;
    } else if (option == "--new-token") {
      reader.expectNoValue(option);
      options.newToken = true;
    } else if (option == "--audio") {
      std::string value = reader.valueFor(option);
      auto mode = AudioOutput::modeNamed(value);
      if (!mode) throw badOption("--audio needs browser, device or none, not \"" + value + "\"");
      options.audio = *mode;
    } else if (option == "--mail") {
      options.canSendMail = parseYesNo(option, reader.valueFor(option));
    } else if (option == "--bundle") {
      std::string value = reader.valueFor(option);
      if (value.empty()) throw badOption("--bundle needs a folder");
      options.bundles.emplace_back(value);
    } else if (option == "--push") {
      std::string value = reader.valueFor(option);
      if (value.empty()) throw badOption("--push needs a class name");
      options.pushClasses.push_back(value);
    } else {
      throw badOption("unknown option \"" + option + "\"");
    }
  }
  if (!options.sshOptions.empty() && !options.sshRoot) throw badOption("--ssh-option needs --root ssh://...");
  return options;
}

std::string hostUsage(const std::string& programName) {
  return "Usage: " + programName + " [options]\n"
         "Serves the Settings app with the Chimewell pane on http://127.0.0.1:PORT/\n"
         "and runs until interrupted (Ctrl-C). Open the address it prints: it carries\n"
         "the access token, kept for you in the data folder across restarts.\n"
         "\n"
         "Options:\n"
         "  --root DIR        use DIR, laid out like an iOS rootless file system, in place\n"
         "                    (default: a copy of the demo device in the user's data folder)\n"
         "  --port N          port to listen on (default 8080; 0 picks a free one)\n"
         "  --listen ADDR     listen on the IP address ADDR (0.0.0.0: every address)\n"
         "                    instead of 127.0.0.1; other machines can then reach the\n"
         "                    host, which still opens only with the token\n"
         "  --new-token       make a new access token: pages opened with the old one\n"
         "                    are shut out\n"
         "  --audio browser|device|none\n"
         "                    play sound previews in the browser showing the page (default),\n"
         "                    on this machine's sound card (also: auto), or silently\n"
         "  --mail yes|no     whether the device can send mail (default yes)\n"
         "  --push CLASS      push the exported page CLASS after start; may repeat\n"
         "  --bundle DIR      also offer the preference bundle DIR; may repeat\n"
         "  --help            show this text\n";
}
