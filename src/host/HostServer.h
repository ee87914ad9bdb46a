#pragma once
// The Settings stand-in's HTTP side, on 127.0.0.1 unless told otherwise:
//   GET  /                 the browser page (web/), ?push=CLASS to push a page
//   GET  /<file>           the page's own files (WebFiles.h)
//   GET  /api/screen       the screen message (ScreenJson.h): what the phone shows now
//   POST /api/action       a user action (UserActions.h, HostApp.h); answers the
//                          action answer (ScreenJson.h), with status 400 (bad
//                          action), 409 (the page had changed: ActionCheck.h)
//                          or 500 (pane failed)
//   GET  /api/socket       a WebSocket for actions, which reach the host sooner
//                          than POSTs: each text message is an action and is
//                          answered by one message, its action answer, in order;
//                          subprotocol "chimewell" when offered
//   GET  /api/events       server-sent events: "screen", "busy", and "link"
//                          for links opened outside any action
//   GET  /api/links        {"links": [{"sequence", "url"}...]}: every link opened
//   GET  /images/<id>.png  an image on screen
//   GET  /clips/<id>/<n>.wav  part n of the sound preview clip the screen names
//                          (200; 202 while it is still being made; 404 when
//                          the clip stopped or ended before it)
//   GET  /fonts/Inter-<Regular|SemiBold|Bold>.otf  the page's font (fonts-inter)
// Only this machine's own page, opened with the access token, may use it:
// every request passes the AccessGate first (Host, Origin, and the token
// for all but the page's own files; 403 otherwise). An action that is not
// JSON is refused too (415; a cross-site page can only send JSON after a
// CORS preflight, never granted). An action body over 1 MiB or a text in it
// over 64 KiB gets 413 (a chunked one, 411).
// At most kMaxEventStreams event streams are open at once; more get 503.
// The HTTP side (HttpServer) runs on one I/O thread and never waits: every
// action runs on the main thread through the main run loop, which answers
// when it is done (MainThreadGate), so a long action holds up no other
// request that needs no page, nor the busy event. Work that changes the
// screen later (a timer, a list delivered afterwards) reaches the pages by
// itself: the screen is looked at again a short while after each run of the
// main loop's timers, while a page listens.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/AccessGate.h"
#include "host/EventHub.h"
#include "host/HostExchange.h"
#include "host/HttpServer.h"
#include "host/ImageRegistry.h"
#include "host/LinkLog.h"
#include "host/ListenAddress.h"
#include "host/MainThreadGate.h"
#include "host/ScreenPublisher.h"

class HostApp;
class MainRunLoop;

class HostServer {
 public:
  // How long an action runs before the pages are told the host is busy.
  static constexpr std::chrono::milliseconds kBusyAfter{150};
  // How often the main thread looks for changes that came without an action.
  static constexpr std::chrono::milliseconds kWatchInterval{100};
  // Twenty tabs of one browser share one stream (web/event-stream.js); 32
  // lets several browsers, and tabs still finding their shared stream, in.
  static constexpr std::size_t kMaxEventStreams = 32;
  // Longest text an action may carry (typed, searched, a link).
  static constexpr std::size_t kMaxActionText = 64 << 10;

  // `app` must outlive the server; it is only used on `loop`'s thread.
  // Destroy the server on that thread, after serve() has returned (or when
  // it never ran). `accessToken` opens it (AccessToken.h).
  HostServer(HostApp& app, MainRunLoop& loop, std::filesystem::path webDirectory, std::string accessToken,
             HttpLimits limits = {});
  ~HostServer();
  HostServer(const HostServer&) = delete;
  HostServer& operator=(const HostServer&) = delete;

  // Binds address:port, 0 for any free port; returns the port. Throws
  // std::runtime_error when the port cannot be had.
  int bind(int port, const ListenAddress& address = {});
  // Serves until stop(); on a thread of its own, the server's I/O thread.
  void serve();
  // Any thread: refuses new connections and main-thread work (503), ends every
  // event stream, and makes serve() return once the requests in flight are
  // answered, which needs the main loop to keep running until then.
  void stop();
  // Any thread, once the main loop has ended for good: requests still waiting
  // for it are answered with 503 instead of waiting for ever.
  void mainLoopEnded();

  // Main thread: becomes the application's link opener, publishes the
  // current screen, and from then on looks for changes every kWatchInterval
  // on the loop's clock.
  void attach();

  const LinkLog& links() const { return links_; }

 private:
  // I/O thread: picks the route for a request the AccessGate admitted and answers through `reply`.
  void route(HostRequest request, const HostReply& reply);
  // One handler per route, in the order of the table above; those that need
  // the main thread answer later, through `reply`.
  void screenRoute(const HostRequest& request, const HostReply& reply);
  void actionRoute(const HostRequest& request, const HostReply& reply);
  HostResponse socketRoute(const HostRequest& request);
  // An action's text, from a POST or the socket: checked, run on the main
  // thread, answered through `reply`.
  void perform(const std::string& text, const HostReply& reply);
  HostResponse eventsRoute(const HostRequest& request);
  HostResponse linksRoute(const HostRequest& request);
  HostResponse imageRoute(const HostRequest& request);
  void clipRoute(const HostRequest& request, const HostReply& reply);
  HostResponse fontRoute(const HostRequest& request);
  HostResponse webRoute(const HostRequest& request);
  // Asks for a clip's part until it is made or `giveUp` passes, never waiting.
  void answerClipPart(const std::string& id, std::size_t index, std::chrono::steady_clock::time_point giveUp,
                      const HostReply& reply);
  // Runs `work` on the main thread and replies with its answer (503 when the
  // host stops first).
  void answerOnMain(const HostReply& reply, std::function<HostResponse()> work);
  void linkOpened(const std::string& url);
  void watch();
  nlohmann::json publishScreen();
  // Main thread: checks the action against the screen it names (ActionCheck.h)
  // and runs it. Returns the screen message after it; a failure or refusal
  // sets `error` and `status`.
  nlohmann::json runAction(const nlohmann::json& action, std::optional<std::string>& error, int& status);

  HostApp& app_;
  MainRunLoop& loop_;
  std::filesystem::path webDirectory_;
  std::string accessToken_;
  std::optional<AccessGate> access_;  // set by bind(), before serving
  EventHub hub_;
  ImageRegistry images_;
  LinkLog links_;
  ScreenPublisher publisher_;
  MainThreadGate gate_;
  // After what its connections use, so that it goes before them.
  std::unique_ptr<HttpServer> http_;
  int port_ = 0;  // set by bind(), before serving
  std::shared_ptr<bool> watching_;  // main thread only: cleared when the server goes
  bool actionRunning_ = false;      // main thread only
  std::optional<std::string> lastActor_;  // main thread only: the tab of the person's action that ran last
};
