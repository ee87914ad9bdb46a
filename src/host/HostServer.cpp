#include "host/HostServer.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <stdexcept>
#include <system_error>

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
constexpr std::chrono::seconds kKeepAliveComment{10};
// A page asks for the next part of a clip as soon as it has the last; the
// answer comes once that part is made, which is at most about a part's
// length (half a second) for a clip that is playing. Until then the part
// is looked for again every kClipPartPoll, holding nothing.
constexpr std::chrono::seconds kClipPartWait{3};
constexpr std::chrono::milliseconds kClipPartPoll{20};

// The browser tab an action comes from, so a preview it starts plays there.
std::optional<std::string> actingTab(const json& action) {
  auto tab = action.is_object() ? action.find("tab") : action.end();
  if (tab == action.end() || !tab->is_string()) return std::nullopt;
  return tab->get<std::string>();
}
// Debian's fonts-inter: the page's font where the browser has no Apple one.
constexpr const char* kFontDirectory = "/usr/share/fonts/opentype/inter";

HostResponse jsonResponse(const json& body, int status = 200) {
  return {status, kJson, body.dump(), {{"Cache-Control", "no-store"}}, {}};
}

HostResponse notFound() { return {404, {}, {}, {}, {}}; }

// The media type alone: "Application/JSON; charset=utf-8" is "application/json".
std::string mediaType(const std::string& contentType) {
  std::string type = contentType.substr(0, contentType.find(';'));
  std::ranges::transform(type, type.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto first = type.find_first_not_of(" \t");
  const auto last = type.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : type.substr(first, last - first + 1);
}

// What lies between `prefix` and `suffix` of a path, if it has both.
std::optional<std::string> between(const std::string& path, std::string_view prefix, std::string_view suffix) {
  if (path.size() < prefix.size() + suffix.size() || !path.starts_with(prefix) || !path.ends_with(suffix)) {
    return std::nullopt;
  }
  return path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
}

bool allOf(std::string_view text, int (*isKind)(int), std::size_t most) {
  return !text.empty() && text.size() <= most &&
         std::ranges::all_of(text, [isKind](unsigned char c) { return isKind(c) != 0; });
}

// "<hex>-<number>/<part, 1 to 6 digits>", as clip ids and parts are named.
bool isClipPart(std::string_view text) {
  const auto dash = text.find('-');
  const auto slash = text.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
  return allOf(text.substr(0, dash), isxdigit, 64) && allOf(text.substr(dash + 1, slash - dash - 1), isdigit, 20) &&
         allOf(text.substr(slash + 1), isdigit, 6);
}

// Whether a text of the action (one of its values, or in one of its lists) is over `limit` bytes.
bool holdsLongText(const json& action, std::size_t limit) {
  auto tooLong = [limit](const json& value) { return value.is_string() && value.get_ref<const std::string&>().size() > limit; };
  for (const auto& value : action) {
    if (tooLong(value)) return true;
    if (value.is_array() && std::ranges::any_of(value, tooLong)) return true;
  }
  return false;
}

HostResponse failureResponse(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const MainThreadGate::Stopping& stopping) {
    return jsonResponse(errorJson(stopping.what()), 503);
  } catch (const std::exception& other) {
    return jsonResponse(errorJson(other.what()), 500);
  }
}

}  // namespace

HostServer::HostServer(HostApp& app, MainRunLoop& loop, std::filesystem::path webDirectory,
                       std::string accessToken, HttpLimits limits)
    : app_(app),
      loop_(loop),
      webDirectory_(std::move(webDirectory)),
      accessToken_(std::move(accessToken)),
      publisher_(hub_, images_),
      gate_(loop, kBusyAfter, [this](bool busy) { hub_.publish({"busy", json(busy).dump()}); },
            [this](std::chrono::milliseconds delay, std::function<void()> task) {
              http_->after(delay, std::move(task));
            }),
      http_(std::make_unique<HttpServer>(
          limits, [this](const HostRequest& request) { return access_->admit(request); },
          [this](HostRequest request, HostReply reply) { route(std::move(request), reply); },
          [](int status, const std::string& message) { return jsonResponse(errorJson(message), status); })),
      watching_(std::make_shared<bool>(false)) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(webDirectory_ / "index.html", error)) {
    throw std::runtime_error("cannot serve the browser page from " + webDirectory_.string());
  }
}

HostServer::~HostServer() {
  stop();
  auto watching = watching_;
  auto detach = [watching] {
    if (!*watching) return;
    *watching = false;
    UIApplication::sharedApplication()->setLinkOpener({});
    UIApplication::sharedApplication()->setNetworkActivityListener({});
    AudioOutput::setActivityListener({});
  };
  // Not through the gate, which stop() closed.
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
  try {
    port_ = http_->bind(address.address, port);
  } catch (const std::system_error&) {
    throw std::runtime_error("cannot listen on " + address.urlHost() + ":" + std::to_string(port) +
                             ": the port is in use or not allowed; choose another with --port N");
  }
  access_.emplace(accessToken_, port_, address.hostNames());
  return port_;
}

void HostServer::serve() { http_->serve(); }

void HostServer::stop() {
  gate_.close();
  // The server stops accepting first: a stream that ends frees no room for a newcomer.
  http_->stop();
  hub_.closeAll();
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
  // A list gathered shows as soon as it is in (and a gathering as it starts),
  // once the task that took it in has run.
  UIApplication::sharedApplication()->setNetworkActivityListener([this, watching, &loop = loop_](bool) {
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

json HostServer::publishScreen() { return publisher_.publish(app_.screen(), app_.pageId(), app_.backPageId()); }

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
  // A person's tap or typing (what names its screen or page), not what a page does by itself.
  if (action.contains("screen") || action.contains("pageId")) lastActor_ = actingTab(action);
  try {
    app_.perform(action);
  } catch (const std::invalid_argument& failure) {
    error = failure.what();
    status = 400;
  } catch (const json::exception&) {
    // A value read as the wrong type somewhere below; the library's text means nothing to a person.
    error = "the action holds a value of the wrong type";
    status = 400;
  } catch (const std::exception& failure) {
    error = failure.what();
    status = 500;
  }
  AudioOutput::setActingTab(std::nullopt);
  actionRunning_ = false;
  return publishScreen();
}

void HostServer::route(HostRequest request, const HostReply& reply) {
  const std::string& path = request.path;
  if (request.method == "POST") return path == "/api/action" ? actionRoute(request, reply) : reply(notFound());
  if (request.method != "GET") return reply(notFound());
  if (path == "/api/screen") return screenRoute(request, reply);
  if (path == "/api/socket") return reply(socketRoute(request));
  if (path == "/api/events") return reply(eventsRoute(request));
  if (path == "/api/links") return reply(linksRoute(request));
  if (auto id = between(path, "/images/", ".png"); id && allOf(*id, isxdigit, 64)) {
    request.pathParameter = *id;
    return reply(imageRoute(request));
  }
  if (auto part = between(path, "/clips/", ".wav"); part && isClipPart(*part)) {
    request.pathParameter = *part;
    return clipRoute(request, reply);
  }
  if (auto font = between(path, "/fonts/", "")) {
    request.pathParameter = *font;
    return reply(fontRoute(request));
  }
  reply(webRoute(request));
}

void HostServer::answerOnMain(const HostReply& reply, std::function<HostResponse()> work) {
  auto response = std::make_shared<HostResponse>();
  gate_.call([response, work = std::move(work)] { *response = work(); },
             [reply, response](std::exception_ptr failure) {
               reply(failure ? failureResponse(failure) : std::move(*response));
             });
}

void HostServer::screenRoute(const HostRequest&, const HostReply& reply) {
  answerOnMain(reply, [this] { return jsonResponse(publishScreen()); });
}

void HostServer::actionRoute(const HostRequest& request, const HostReply& reply) {
  if (mediaType(request.contentType) != kJson)
    return reply(jsonResponse(errorJson("refused: an action must be sent as application/json"), 415));
  perform(request.body, reply);
}

HostResponse HostServer::socketRoute(const HostRequest& request) {
  auto socket = std::make_shared<HostSocket>();
  socket->message = [this](std::string text, HostReply reply) { perform(text, reply); };
  HostResponse response;
  response.socket = std::move(socket);
  // The page offers ours beside the one that carries its token; a protocol
  // offered and not named back makes the browser drop the socket.
  if (offersSocketProtocol(request, kSocketProtocol))
    response.headers.emplace_back("Sec-WebSocket-Protocol", kSocketProtocol);
  return response;
}

void HostServer::perform(const std::string& text, const HostReply& reply) {
  json action = json::parse(text, nullptr, false);
  if (action.is_discarded()) return reply(jsonResponse(errorJson("the action is not JSON"), 400));
  if (action.is_object() && holdsLongText(action, kMaxActionText)) {
    return reply(jsonResponse(errorJson("refused: a text in an action may be at most " +
                                        std::to_string(kMaxActionText / 1024) + " KiB"),
                              413));
  }
  const std::uint64_t linksBefore = links_.lastSequence();
  answerOnMain(reply, [this, action = std::move(action), linksBefore] {
    std::optional<std::string> error;
    int status = 200;
    json message = runAction(action, error, status);
    const auto changedBy = status == 409 ? lastActor_ : std::nullopt;
    return jsonResponse(actionAnswer(message, links_.since(linksBefore), error, changedBy), status);
  });
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
  auto stream = std::make_shared<HostStream>();
  stream->start = [subscription](std::function<void()> wake) { subscription->setWake(std::move(wake)); };
  stream->take = [subscription]() -> std::optional<std::string> {
    const bool closed = subscription->closed();  // before taking, so no event queued first is lost
    std::string text;
    for (const auto& event : subscription->take()) text += event.wireText();
    if (text.empty() && closed) return std::nullopt;
    return text;
  };
  // A comment keeps idle proxies and browsers from dropping the stream.
  stream->idleText = ": idle\n\n";
  stream->idleAfter = kKeepAliveComment;
  stream->ended = [this, subscription] { hub_.unsubscribe(subscription); };
  return {200, "text/event-stream", {}, {{"Cache-Control", "no-store"}}, stream};
}

HostResponse HostServer::fontRoute(const HostRequest& request) {
  // Only the weights the page uses, by name: nothing else of the folder is served.
  const std::string& name = request.pathParameter;
  if (name != "Inter-Regular.otf" && name != "Inter-SemiBold.otf" && name != "Inter-Bold.otf") return notFound();
  auto bytes = readServedFile(std::filesystem::path(kFontDirectory) / name);
  if (!bytes) return notFound();
  return {200, "font/otf", std::move(*bytes), {{"Cache-Control", "public, max-age=86400"}}, {}};
}

HostResponse HostServer::webRoute(const HostRequest& request) { return webFileResponse(webDirectory_, request.path); }

HostResponse HostServer::linksRoute(const HostRequest&) { return jsonResponse(linksMessage(links_.since(0))); }

HostResponse HostServer::imageRoute(const HostRequest& request) {
  auto image = images_.imageWithId(request.pathParameter);
  if (!image) return notFound();
  const auto& png = image->pngData();
  // An id names the same bytes for good.
  return {200, "image/png", std::string(png.begin(), png.end()),
          {{"Cache-Control", "public, max-age=31536000, immutable"}}, {}};
}

// "<clip id>/<part>": the part's WAV once it is made.
void HostServer::clipRoute(const HostRequest& request, const HostReply& reply) {
  const auto slash = request.pathParameter.find('/');
  answerClipPart(request.pathParameter.substr(0, slash), std::stoul(request.pathParameter.substr(slash + 1)),
                 std::chrono::steady_clock::now() + kClipPartWait, reply);
}

void HostServer::answerClipPart(const std::string& id, std::size_t index,
                                std::chrono::steady_clock::time_point giveUp, const HostReply& reply) {
  ClipPartAnswer answer = clipPart(id, index);
  if (answer.status == 202 && std::chrono::steady_clock::now() < giveUp) {
    // Dropped when the server stops; the reply then answers 503 by itself.
    return http_->after(kClipPartPoll, [this, id, index, giveUp, reply] { answerClipPart(id, index, giveUp, reply); });
  }
  reply({answer.status, answer.status == 200 ? "audio/wav" : "", std::move(answer.wav),
         {{"Cache-Control", "no-store"}}, {}});
}
