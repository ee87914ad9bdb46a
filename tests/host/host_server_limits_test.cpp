// What one client, or a hostile page, can make the host do: the limits on
// requests and connections, and that a long action holds up nobody.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "BuildPaths.h"
#include "HostServerFixture.h"
#include "RawConnection.h"
#include "dispatch/MainRunLoop.h"
#include "host/HostApp.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

class HostServerLimitsTest : public HostServerFixture {
 protected:
  void TearDown() override {
    if (limited_) {
      limited_->stop();
      limitedThread_.join();
      onMain([this] { limited_.reset(); });
    }
    HostServerFixture::TearDown();
  }

  // A second server on the same app, with limits of the test's own; returns its port.
  int startLimited(HttpLimits limits) {
    onMain([&] {
      limited_ = std::make_unique<HostServer>(app(), MainRunLoop::main(),
                                              std::filesystem::path(CHIMEWELL_SOURCE_DIR) / "web", token(), limits);
      limitedPort_ = limited_->bind(0);
    });
    limitedThread_ = std::thread([this] { limited_->serve(); });
    return limitedPort_;
  }

  // A request's line and the headers that let it in, for the raw connections.
  std::string head(const std::string& method, const std::string& path, int port) const {
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nAuthorization: token " + token() + "\r\n";
  }
  // A client of its own that opens the host.
  std::unique_ptr<httplib::Client> ownClient(int port, std::chrono::seconds timeout) const {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
    client->set_default_headers({{"Authorization", "token " + token()}});
    client->set_read_timeout(timeout);
    return client;
  }

  std::unique_ptr<HostServer> limited_;
  std::thread limitedThread_;
  int limitedPort_ = 0;
};

const std::string kOpenPane = json{{"action", "tapRowByText"}, {"text", "Chimewell"}}.dump();

// `count` headers of `size` bytes' value each.
std::string probes(int count, std::size_t size) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "X-Probe-" + std::to_string(i) + ": " + std::string(size, 'b') + "\r\n";
  return lines;
}

// One request sent on a connection of its own, and the status it gets.
struct RawCase {
  const char* name;
  std::string path;
  int status;
  const char* answerHas = "";
  std::string method = "GET";
  std::string headers{};  // header lines beyond the Host, the token and "Connection: close"
  std::string body{};     // with its Content-Length
  std::size_t headBytes = 0;    // when set, a header pads the head, blank line included, to this size
  std::size_t piece = 1 << 21;  // sent in pieces this big
};
void PrintTo(const RawCase& test, std::ostream* out) { *out << test.name; }

const std::size_t kHeadCap = HttpLimits{}.maxHeaderBytes;
const RawCase kRawCases[] = {
    // The action itself is short; blanks pad it past the cap, as JSON allows.
    {.name = "BodyOverTheCap", .path = "/api/action", .status = 413, .answerHas = "at most 1048576 bytes", .method = "POST",
     .headers = "Content-Type: application/json\r\n", .body = kOpenPane + std::string((1 << 20) + 1000, ' ')},
    // Chunks may carry extensions and trailers no cap counts: refused on the head.
    {.name = "ChunkedBody", .path = "/api/action", .status = 411, .method = "POST",
     .headers = "Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n"},
    {.name = "TwoHundredHeaders", .path = "/api/links", .status = 431, .headers = probes(200, 1)},
    {.name = "ABrowsersHeaders", .path = "/api/links", .status = 200, .headers = probes(30, 100)},
    // One cap on the head, however its bytes arrive.
    {.name = "HeadAtTheCap", .path = "/api/links", .status = 200, .headBytes = kHeadCap},
    {.name = "HeadOverTheCap", .path = "/api/links", .status = 431, .headBytes = kHeadCap + 1},
    {.name = "HeadAtTheCapInPieces", .path = "/api/links", .status = 200, .headBytes = kHeadCap, .piece = 1000},
    {.name = "HeadOverTheCapInPieces", .path = "/api/links", .status = 431, .headBytes = kHeadCap + 1, .piece = 1000},
    // Only plain paths inside the page's folder, and only the font it uses.
    {.name = "ThePage", .path = "/", .status = 200, .answerHas = "Content-Type: text/html"},
    {.name = "TheStyle", .path = "/style.css", .status = 200, .answerHas = "Content-Type: text/css"},
    {.name = "TheFont", .path = "/fonts/Inter-Regular.otf", .status = 200, .answerHas = "Content-Type: font/otf"},
    {.name = "AnotherFont", .path = "/fonts/Inter-Thin.otf", .status = 404},
    {.name = "EncodedDotDot", .path = "/%2e%2e/CMakeLists.txt", .status = 404},
    {.name = "EncodedSlash", .path = "/fonts/..%2F..%2F..%2Fetc%2Fpasswd", .status = 404},
    {.name = "EncodedNul", .path = "/index.html%00.png", .status = 404},
    {.name = "AnUnknownImage", .path = "/images/0123456789abcdef.png", .status = 404},
    {.name = "TheSocketWithoutAnUpgrade", .path = "/api/socket", .status = 400},
};

class RawRequestTest : public HostServerLimitsTest, public ::testing::WithParamInterface<RawCase> {};

TEST_P(RawRequestTest, GetsItsStatusAndRunsNothing) {
  const RawCase& test = GetParam();
  std::string request = head(test.method, test.path, port()) + "Connection: close\r\n" + test.headers;
  if (!test.body.empty()) request += "Content-Length: " + std::to_string(test.body.size()) + "\r\n";
  if (test.headBytes) {
    request += "X-Pad: ";
    request += std::string(test.headBytes - request.size() - 4, 'a') + "\r\n";
  }
  request += "\r\n" + test.body;
  RawConnection connection(port());
  for (std::size_t at = 0; at < request.size(); at += test.piece) {
    connection.send(request.substr(at, test.piece));
    std::this_thread::sleep_for(1ms);
  }
  const std::string answer = connection.readUntilClosed(10s);
  EXPECT_EQ(RawConnection::statusOf(answer), test.status) << answer.substr(0, 300);
  EXPECT_NE(answer.find(test.answerHas), std::string::npos);
  EXPECT_EQ(getJson("/api/screen")["screen"]["depth"], 1);
}

INSTANTIATE_TEST_SUITE_P(Requests, RawRequestTest, ::testing::ValuesIn(kRawCases),
                         [](const ::testing::TestParamInfo<RawCase>& test) { return std::string(test.param.name); });

TEST_F(HostServerLimitsTest, DrippingConnectionsAreCutAtTheDeadlineAndHoldUpNobody) {
  HttpLimits limits;
  limits.requestDeadline = 500ms;
  const int port = startLimited(limits);
  // Forty clients send a request a byte at a time, each byte in time for any
  // inactivity time-out; the whole request would take over ten seconds.
  const std::string request = head("GET", "/api/links", port) + "X-Pad: " + std::string(200, 'p') + "\r\n\r\n";
  const auto dripEnds = std::chrono::steady_clock::now() + request.size() * 50ms;
  std::vector<std::unique_ptr<RawConnection>> drips;
  for (int i = 0; i < 40; ++i) drips.push_back(std::make_unique<RawConnection>(port));
  std::atomic<bool> dripping = true;
  std::thread dripper([&] {
    for (std::size_t at = 0; at < request.size() && dripping; ++at) {
      for (auto& drip : drips) drip->send(request.substr(at, 1));
      std::this_thread::sleep_for(50ms);
    }
  });

  std::this_thread::sleep_for(200ms);  // every drip under way
  auto other = ownClient(port, std::chrono::duration_cast<std::chrono::seconds>(dripEnds - std::chrono::steady_clock::now()));
  auto answer = other->Get("/api/links");
  const bool answeredBeforeTheDripEnded = answer && std::chrono::steady_clock::now() < dripEnds;
  std::size_t cut = 0;
  for (auto& drip : drips) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(dripEnds - std::chrono::steady_clock::now());
    if (left > 0ms && drip->closesWithin(left)) ++cut;
  }
  dripping = false;
  dripper.join();
  EXPECT_TRUE(answeredBeforeTheDripEnded);
  EXPECT_EQ(answer ? answer->status : 0, 200);
  EXPECT_EQ(cut, drips.size()) << "connections still open when their drip was done";
}

// Connects without blocking; true when the connection is made within `timeout`.
bool connectsWithin(int fd, int port, std::chrono::milliseconds timeout) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  fcntl(fd, F_SETFL, O_NONBLOCK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
  pollfd ready{fd, POLLOUT, 0};
  int error = 0;
  socklen_t length = sizeof error;
  return poll(&ready, 1, static_cast<int>(timeout.count())) == 1 &&
         getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

TEST_F(HostServerLimitsTest, AtTheCapTheRefusedThenTheTokenlessMakeRoomThenNewcomersWaitInTheListenQueue) {
  HttpLimits limits;
  limits.maxConnections = 3;
  limits.keepAliveIdle = limits.requestDeadline = 60s;
  const int port = startLimited(limits);
  const std::string links = head("GET", "/api/links", port) + "\r\n";
  RawConnection silent(port);  // the oldest, which never shows the token
  RawConnection refused(port);
  refused.send("GET /api/links HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n");
  ASSERT_EQ(RawConnection::statusOf(refused.readUntil("\r\n", 10s)), 403);
  std::vector<std::unique_ptr<RawConnection>> served;
  for (int i = 0; i < 3; ++i) {
    served.push_back(std::make_unique<RawConnection>(port));
    served.back()->send(links);
    ASSERT_EQ(RawConnection::statusOf(served.back()->readUntil("\"links\"", 10s)), 200) << "newcomer " << i;
    // The refused one went for the second; the silent one for the third.
    if (i == 1) {
      EXPECT_FALSE(silent.closesWithin(300ms)) << "went before the refused one";
    }
  }
  EXPECT_TRUE(silent.closesWithin(5s));

  // With none left to go, a request waits unanswered and connecting still
  // succeeds: the listen queue holds a hundred newcomers (it held 5 before).
  RawConnection waiting(port);
  waiting.send(links);
  EXPECT_TRUE(waiting.readUntil("\r\n", 300ms).empty()) << "answered over the cap";
  std::vector<int> queued;
  std::size_t made = 0;
  for (int i = 0; i < 100; ++i) {
    queued.push_back(socket(AF_INET, SOCK_STREAM, 0));
    if (connectsWithin(queued.back(), port, 5s)) ++made;
  }
  EXPECT_EQ(made, queued.size());
  for (int fd : queued) close(fd);
  served.front().reset();  // once a connection ends, the waiting request is answered
  EXPECT_EQ(RawConnection::statusOf(waiting.readUntil("\"links\"", 10s)), 200);
}

TEST_F(HostServerLimitsTest, ASocketWhoseClientAnswersNoPingIsCut) {
  HttpLimits limits;
  limits.socketIdle = 300ms;
  const int port = startLimited(limits);
  RawConnection socket(port);
  socket.send(head("GET", "/api/socket", port) +
              "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n");
  ASSERT_EQ(RawConnection::statusOf(socket.readUntil("\r\n\r\n", 10s)), 101);
  EXPECT_TRUE(socket.closesWithin(10s));
}

TEST_F(HostServerLimitsTest, ALongActionHoldsUpNeitherRequestsThatNeedNoPageNorTheBusyEvent) {
  // The main thread is held, as by a two-minute download, until the test lets it go.
  std::promise<void> release;
  auto released = release.get_future().share();
  MainRunLoop::main().post([released] { released.wait(); });
  // More requests wait for it than the landed server had threads.
  std::vector<std::future<int>> waiting;
  for (int i = 0; i < 40; ++i) {
    waiting.push_back(std::async(std::launch::async, [this] {
      auto answer = ownClient(port(), 60s)->Get("/api/screen");
      return answer ? answer->status : 0;
    }));
  }
  auto events = openEvents();
  const bool toldBusy = events->waitFor("busy", [](const json& busy) { return busy == true; }).has_value();
  auto page = client().Get("/app.js");
  auto links = client().Get("/api/links");
  release.set_value();

  EXPECT_TRUE(toldBusy);
  EXPECT_EQ(page ? page->status : 0, 200);
  EXPECT_EQ(links ? links->status : 0, 200);
  for (auto& answer : waiting) EXPECT_EQ(answer.get(), 200);
  EXPECT_TRUE(events->waitFor("busy", [](const json& busy) { return busy == false; }));
}

TEST_F(HostServerLimitsTest, StoppingEndsStreamsAndRefusesNewcomersButAnswersTheActionInFlight) {
  // Two connections fill the cap (the stream, the action), so a third waits
  // in the listen queue: what stopping does to a newcomer shows on it, not on
  // a port that another test may take once it is free.
  HttpLimits limits;
  limits.maxConnections = 2;
  const int port = startLimited(limits);
  RawConnection events(port);
  events.send(head("GET", "/api/events", port) + "\r\n");
  ASSERT_NE(events.readUntil("event: busy", 10s).find("data: false"), std::string::npos);
  std::promise<void> release;
  auto released = release.get_future().share();
  MainRunLoop::main().post([released] { released.wait(); });
  auto action = std::async(std::launch::async, [this, port] {
    auto answer = ownClient(port, 60s)->Post("/api/action", kOpenPane, "application/json");
    return answer ? answer->status : 0;
  });
  // The action has reached the server once the server says it is busy.
  EXPECT_NE(events.readUntil("data: true", 10s).find("data: true"), std::string::npos);

  RawConnection newcomer(port);
  newcomer.send(head("GET", "/api/links", port) + "\r\n");
  limited_->stop();
  EXPECT_TRUE(events.closesWithin(10s)) << "the stream went on";
  EXPECT_EQ(newcomer.readUntilClosed(10s), "") << "a newcomer was served after the stop";
  EXPECT_TRUE(newcomer.closesWithin(1s)) << "a newcomer was kept waiting";
  release.set_value();
  EXPECT_EQ(action.get(), 200);
  limitedThread_.join();  // serve() returned once the action was answered
  onMain([this] { limited_.reset(); });
}

}  // namespace
