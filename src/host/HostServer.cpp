#include "host/HostServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <future>
#include <stdexcept>

#include "dispatch/MainRunLoop.h"
#include "host/BrowserAudio.h"
#include "host/ActionCheck.h"
#include "host/HostApp.h"
#include "host/ScreenJson.h"
#include "host/WebFiles.h"
#include "media/AudioOutput.h"
#include "uikit/UIApplication.h"
#include "uikit/UIImage.h"

using nlohmann::json;

namespace {

constexpr const char* kJson = "application/json";
constexpr std::size_t kMaxActionBytes = 1 << 20;
constexpr int kThreads = 32;  // every open page keeps one for its event stream
constexpr std::chrono::seconds kKeepAliveComment{10};
// An idle connection holds an HTTP thread until it times out.
constexpr time_t kKeepAliveSeconds = 2;
constexpr std::size_t kKeepAliveRequests = 100;
// A page asks for the next part of a clip as soon as it has the last; the
// answer waits until that part is made, which is at most about a part's
// length (half a second) for a clip that is playing.
constexpr std::chrono::seconds kClipPartWait{3};

// The browser tab an action comes from, so a preview it starts plays there.
std::optional<std::string> actingTab(const json& action) {
  auto tab = action.is_object() ? action.find("tab") : action.end();
  if (tab == action.end() || !tab->is_string()) return std::nullopt;
  return tab->get<std::string>();
}
// Debian's fonts-inter: the page's font where the browser has no Apple one.
constexpr const char* kFontDirectory = "/usr/share/fonts/opentype/inter";

HostResponse jsonResponse(const json& body, int status = 200) {
  return {status, kJson, body.dump(), {{"Cache-Control", "no-store"}}, {}, {}};
}

// The media type alone: "Application/JSON; charset=utf-8" is "application/json".
std::string mediaType(const std::string& contentType) {
  std::string type = contentType.substr(0, contentType.find(';'));
  std::ranges::transform(type, type.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto first = type.find_first_not_of(" \t");
  const auto last = type.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : type.substr(first, last - first + 1);
}

void writeAnswer(const HostResponse& answer, httplib::Response& response) {
  response.status = answer.status;
  for (const auto& [name, value] : answer.headers) response.set_header(name, value);
  if (!answer.contentType.empty()) response.set_content(answer.body, answer.contentType);
}

HostRequest hostRequest(const httplib::Request& request) {
  std::string cookie;
  for (std::size_t index = 0; index < request.get_header_value_count("Cookie"); ++index)
    cookie += (cookie.empty() ? "" : "; ") + request.get_header_value("Cookie", index);
  return {.contentType = request.get_header_value("Content-Type"),
          .origin = request.has_header("Origin") ? std::optional(request.get_header_value("Origin")) : std::nullopt,
          .host = request.get_header_value("Host"),
          .target = request.target,
          .cookie = cookie,
          .authorization = request.get_header_value("Authorization"),
          .body = request.body,
          .pathParameter = request.matches.size() > 1 ? std::string(request.matches[1]) : std::string()};
}

// Runs a route's handler on the HTTP thread with the host's own request and
// response; a handler that needed the main thread while the host stops gets 503.
template <class Handler>
httplib::Server::Handler adapt(Handler handler) {
  return [handler](const httplib::Request& request, httplib::Response& response) {
    const HostRequest ours = hostRequest(request);
    HostResponse answer;
    try {
      answer = handler(ours);
    } catch (const MainThreadGate::Stopping& stopping) {
      answer = jsonResponse(errorJson(stopping.what()), 503);
    }
    if (!answer.nextChunk) {
      writeAnswer(answer, response);
      return;
    }
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) response.set_header(name, value);
    response.set_chunked_content_provider(
        answer.contentType,
        [next = answer.nextChunk](std::size_t, httplib::DataSink& sink) {
          auto chunk = next();
          if (!chunk) {
            sink.done();
            return true;
          }
          return sink.write(chunk->data(), chunk->size());
        },
        [ended = answer.streamEnded](bool) {
          if (ended) ended();
        });
  };
}

}  // namespace

HostServer::HostServer(HostApp& app, MainRunLoop& loop, std::filesystem::path webDirectory,
                       std::string accessToken)
    : app_(app),
      loop_(loop),
      webDirectory_(std::move(webDirectory)),
      accessToken_(std::move(accessToken)),
      publisher_(hub_, images_),
      gate_(loop, kBusyAfter,
            [this](bool busy) { hub_.publish({"busy", json(busy).dump()}); }),
      server_(std::make_unique<httplib::Server>()),
      watching_(std::make_shared<bool>(false)) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  server_->set_payload_max_length(kMaxActionBytes);
  // An answer goes out in two writes (head, body); without this the second
  // waits for the browser's delayed acknowledgement, some 40 ms.
  server_->set_tcp_nodelay(true);
  server_->set_keep_alive_timeout(kKeepAliveSeconds);
  server_->set_keep_alive_max_count(kKeepAliveRequests);
  // Address reuse only: with port reuse a second host would quietly share the port.
  server_->set_socket_options([](int socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  addRoutes();
}

HostServer::~HostServer() {
  stop();
  auto watching = watching_;
  auto detach = [watching] {
    if (!*watching) return;
    *watching = false;
    UIApplication::sharedApplication()->setLinkOpener({});
    AudioOutput::setActivityListener({});
  };
  // Not through the gate, which stop() closed to the HTTP threads.
  if (loop_.isMainThread()) {
    detach();
  } else {
    std::promise<void> done;
    loop_.post([&] {
      detach();
      done.set_value();
    });
    done.get_future().wait();
  }
}

int HostServer::bind(int port, const ListenAddress& address) {
  if (port == 0) {
    port_ = server_->bind_to_any_port(address.address);
  } else if (server_->bind_to_port(address.address, port)) {
    port_ = port;
  }
  if (port_ <= 0) {
    throw std::runtime_error("cannot listen on " + address.urlHost() + ":" + std::to_string(port) +
                             ": the port is in use or not allowed; choose another with --port N");
  }
  access_.emplace(accessToken_, port_, address.hostNames());
  return port_;
}

void HostServer::serve() { server_->listen_after_bind(); }

void HostServer::stop() {
  gate_.close();
  hub_.closeAll();
  server_->stop();
}

void HostServer::mainLoopEnded() { gate_.abandonWaiting(); }

void HostServer::linkOpened(const std::string& url) {
  const OpenedLink link = links_.append(url);
  // A link an action opened goes back with that action's answer only, so
  // that the one tab that acted opens it; the stream carries the others.
  if (!actionRunning_) hub_.publish({"link", linkJson(link).dump()});
}

void HostServer::attach() {
  UIApplication::sharedApplication()->setLinkOpener([this](const std::string& url) { linkOpened(url); });
  // A clip that becomes ready, stops or ends shows at once, not at the next watch.
  auto watching = watching_;
  AudioOutput::setActivityListener([this, watching, &loop = loop_](AudioActivity activity) {
    if (activity == AudioActivity::firstFrameHanded) return;
    loop.post([this, watching] {
      if (*watching) publishScreen();
    });
  });
  publishScreen();
  watch();
}

void HostServer::watch() {
  auto watching = watching_;
  *watching = true;
  loop_.postAt(loop_.now() + kWatchInterval, [this, watching] {
    if (!*watching) return;
    // Building and comparing the screen is the costly part; with no page
    // listening nobody would see it. A page that opens later gets the latest
    // screen published, then this one within an interval.
    if (hub_.subscriberCount() > 0) publishScreen();
    watch();
  });
}

json HostServer::publishScreen() { return publisher_.publish(app_.screen(), app_.pageId()); }

json HostServer::runAction(const json& action, std::optional<std::string>& error, int& status) {
  json current = publishScreen();
  std::optional<json> seen;
  if (auto version = action.find("screen"); version != action.end() && version->is_number_unsigned()) {
    seen = publisher_.screenAt(version->get<std::uint64_t>());
  }
  switch (checkAction(action, seen, current["screen"], publisher_.hostId())) {
    case ActionFit::changed:
      status = 409;
      error = kPageChangedMessage;
      return current;
    case ActionFit::moot:
      return current;
    case ActionFit::applies:
      break;
  }
  actionRunning_ = true;
  AudioOutput::setActingTab(actingTab(action));
  try {
    app_.perform(action);
  } catch (const std::invalid_argument& failure) {
    error = failure.what();
    status = 400;
  } catch (const std::exception& failure) {
    error = failure.what();
    status = 500;
  }
  AudioOutput::setActingTab(std::nullopt);
  actionRunning_ = false;
  return publishScreen();
}

void HostServer::addRoutes() {
  // One gate before every route, the page's files included.
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    AccessDecision decision = access_->admit(hostRequest(request));
    if (decision.refusal) {
      writeAnswer(*decision.refusal, response);
      return httplib::Server::HandlerResponse::Handled;
    }
    for (const auto& [name, value] : decision.headers) response.set_header(name, value);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  auto route = [this](auto member) { return adapt([this, member](const HostRequest& r) { return (this->*member)(r); }); };
  server_->Get("/api/screen", route(&HostServer::screenRoute));
  server_->Post("/api/action", route(&HostServer::actionRoute));
  server_->Get("/api/events", route(&HostServer::eventsRoute));
  server_->Get("/api/links", route(&HostServer::linksRoute));
  server_->Get(R"(/images/([0-9a-f]+)\.png)", route(&HostServer::imageRoute));
  server_->Get(R"(/clips/([0-9a-f]+-[0-9]+/[0-9]{1,6})\.wav)", route(&HostServer::clipRoute));
  server_->Get(R"(/fonts/(Inter-(?:Regular|SemiBold|Bold)\.otf))", route(&HostServer::fontRoute));
  // Last: whatever no route above took.
  server_->Get(R"((/.*))", route(&HostServer::webRoute));

  std::error_code error;
  if (!std::filesystem::is_regular_file(webDirectory_ / "index.html", error)) {
    throw std::runtime_error("cannot serve the browser page from " + webDirectory_.string());
  }
}

HostResponse HostServer::screenRoute(const HostRequest&) {
  json body;
  gate_.call([&] { body = publishScreen(); });
  return jsonResponse(body);
}

HostResponse HostServer::actionRoute(const HostRequest& request) {
  if (mediaType(request.contentType) != kJson)
    return jsonResponse(errorJson("refused: an action must be sent as application/json"), 415);
  json action = json::parse(request.body, nullptr, false);
  if (action.is_discarded()) return jsonResponse(errorJson("the action is not JSON"), 400);
  const std::uint64_t linksBefore = links_.lastSequence();
  json message;
  std::optional<std::string> error;
  int status = 200;
  gate_.call([&] { message = runAction(action, error, status); });
  return jsonResponse(actionAnswer(message, links_.since(linksBefore), error), status);
}

HostResponse HostServer::eventsRoute(const HostRequest&) {
  std::vector<ServerEvent> initial{{"busy", json(gate_.busy()).dump()}};
  if (std::string screen = publisher_.latestText(); !screen.empty()) initial.push_back({"screen", screen});
  auto subscription = hub_.subscribe(std::move(initial), kMaxEventStreams);
  if (!subscription) {
    return jsonResponse(errorJson("too many pages are open on the Settings host (at most " +
                                  std::to_string(kMaxEventStreams) + "); close some and reload this one"),
                        503);
  }
  HostResponse stream{200, "text/event-stream", {}, {{"Cache-Control", "no-store"}}, {}, {}};
  stream.nextChunk = [subscription]() -> std::optional<std::string> {
    auto event = subscription->next(kKeepAliveComment);
    if (subscription->closed()) return std::nullopt;
    // A comment keeps idle proxies and browsers from dropping the stream.
    return event ? event->wireText() : ": idle\n\n";
  };
  stream.streamEnded = [this, subscription] { hub_.unsubscribe(subscription); };
  return stream;
}

HostResponse HostServer::fontRoute(const HostRequest& request) {
  // Only the weights the page uses, by name (the route's pattern): nothing
  // else of the folder is served.
  std::ifstream file(std::filesystem::path(kFontDirectory) / request.pathParameter, std::ios::binary);
  if (!file) return {404, {}, {}, {}, {}, {}};
  return {200, "font/otf", std::string(std::istreambuf_iterator<char>(file), {}),
          {{"Cache-Control", "public, max-age=86400"}}, {}, {}};
}

HostResponse HostServer::webRoute(const HostRequest& request) {
  return webFileResponse(webDirectory_, request.pathParameter);
}

HostResponse HostServer::linksRoute(const HostRequest&) { return jsonResponse(linksMessage(links_.since(0))); }

HostResponse HostServer::imageRoute(const HostRequest& request) {
  auto image = images_.imageWithId(request.pathParameter);
  if (!image) return {404, {}, {}, {}, {}, {}};
  const auto& png = image->pngData();
  // An id names the same bytes for good.
  return {200, "image/png", std::string(png.begin(), png.end()),
          {{"Cache-Control", "public, max-age=31536000, immutable"}}, {}, {}};
}

// "<clip id>/<part>": the part's WAV once it is made.
HostResponse HostServer::clipRoute(const HostRequest& request) {
  const auto slash = request.pathParameter.find('/');
  ClipPartAnswer answer = clipPart(request.pathParameter.substr(0, slash),
                                   std::stoul(request.pathParameter.substr(slash + 1)), kClipPartWait);
  return {answer.status, answer.status == 200 ? "audio/wav" : "", std::move(answer.wav),
          {{"Cache-Control", "no-store"}}, {}, {}};
}
