// The host's memory: at rest on the Settings list, and after a person has
// opened the app picker on a device of 5,000 apps (each with its own 24 kB
// icon) and scrolled through the whole list a screen at a time, the browser
// fetching every icon it is shown. The host runs in this process, served on
// loopback as for the browser; figures are the process's resident set
// (VmRSS) and its peak (VmHWM) from /proc/self/status, in MB.
// Run once: build/bench/host_memory_bench (one iteration is the whole scroll).
//
// Then the same host on the app picker under each attack of a client on
// loopback: its peak memory (VmHWM, reset before each attack) and how long a
// tap of the person's takes to be answered meanwhile.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include <boost/asio.hpp>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "BuildPaths.h"
#include "applist/InstalledAppScanner.h"
#include "foundation/NSBundle.h"
#include "support/AppListFixtures.h"
#include "support/BackgroundHost.h"
#include "support/TemporaryDeviceRoot.h"

using nlohmann::json;

namespace {

constexpr int kApps = 5000;
constexpr std::size_t kIconBytes = 24 * 1024;
constexpr double kViewport = 748;

// VmRSS or VmHWM in MB.
double statusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(field + ":")) return std::stod(line.substr(field.size() + 1)) / 1024;
  }
  throw std::runtime_error("no " + field + " in /proc/self/status");
}

// A 180 x 180 icon of about an app icon's size, its bytes its own.
std::vector<std::uint8_t> iconBytes(int index) {
  auto png = pngOfSize(180, 180);
  png.resize(kIconBytes);
  for (std::size_t at = 33; at < png.size(); ++at) png[at] = static_cast<std::uint8_t>((index * 131 + at * 7) % 251);
  return png;
}

void installApps(const std::filesystem::path& root) {
  for (int index = 0; index < kApps; ++index) {
    const std::string folder = std::string(InstalledAppScanner::kContainers) + "/C" + std::to_string(index) +
                               "/App" + std::to_string(index) + ".app";
    installApp(root, folder,
               appInfo("com.example.app" + std::to_string(index), "App " + std::to_string(index),
                       {{"CFBundleIconFiles", PlistValue::Array{"AppIcon60x60"}}}),
               InfoFormat::binary);
    writeHostFile(root / folder.substr(1) / "AppIcon60x60@3x.png", iconBytes(index));
  }
}

class MemoryHost {
 public:
  MemoryHost() {
    std::filesystem::create_directories(root_.path() / "var/mobile/Library/Preferences");
    installApps(root_.path());
    NSBundle::setMainBundle(NSBundle::bundleWithPath(std::filesystem::path(CHIMEWELL_BUILD_DIR) / "Settings.app"));
    host_ = std::make_unique<BackgroundHost>();
    host_->client().set_keep_alive(true);
  }

  json act(const json& action) { return host_->act(action); }
  json screen() { return host_->screen(); }

  // Fetches the images of the screen's rows, as the browser draws them.
  void drawImages(const json& screen) {
    if (!screen.contains("table")) return;
    for (const auto& section : screen["table"]["sections"]) {
      for (const auto& row : section["rows"]) {
        if (!row.contains("image")) continue;
        auto result = host_->client().Get(row["image"]["src"].get<std::string>());
        if (!result || result->status != 200) throw std::runtime_error("an icon on screen was not served");
        benchmark::DoNotOptimize(result->body.data());
      }
    }
  }

  // How long the action took to be answered, whatever the answer; the screen after it, if any.
  std::pair<double, json> timed(const json& action) {
    const auto start = std::chrono::steady_clock::now();
    auto result = host_->client().Post("/api/action", action.dump(), "application/json");
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return {ms, result ? json::parse(result->body, nullptr, false).value("screen", json()) : json()};
  }

  int port() const { return host_->port(); }
  const std::string& token() const { return host_->token(); }

  static std::size_t rowCount(const json& screen) {
    return screen.contains("table") ? screen["table"]["sections"][0]["rows"].size() : 0;
  }

 private:
  TemporaryDeviceRoot root_;
  std::unique_ptr<BackgroundHost> host_;
};

void BM_HostMemoryScrollingFiveThousandApps(benchmark::State& state) {
  for (auto _ : state) {
    MemoryHost host;
    state.counters["rest_MB"] = statusMegabytes("VmRSS");

    host.act({{"action", "tapRowByText"}, {"text", "Chimewell"}});
    host.act({{"action", "setViewportHeight"}, {"height", kViewport}});
    auto shown = host.act({{"action", "tapRowByText"}, {"text", "Configure Applications"}});
    while (MemoryHost::rowCount(shown) == 0) shown = host.screen();  // the scan runs in the background
    host.drawImages(shown);
    const double contentHeight = shown["table"]["contentHeight"];
    for (double offset = kViewport; offset < contentHeight; offset += kViewport)
      host.drawImages(host.act({{"action", "scroll"}, {"offset", offset}}));

    state.counters["scrolled_MB"] = statusMegabytes("VmRSS");
    state.counters["peak_MB"] = statusMegabytes("VmHWM");
  }
}
BENCHMARK(BM_HostMemoryScrollingFiveThousandApps)->Iterations(1)->Unit(benchmark::kMillisecond);

namespace net = boost::asio;
using tcp = net::ip::tcp;

constexpr auto kAttackTime = std::chrono::seconds(3);

// The peak (VmHWM) starts again from the resident set now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::unique_ptr<tcp::socket> connectTo(net::io_context& io, int port) {
  auto socket = std::make_unique<tcp::socket>(io);
  socket->connect({net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
  return socket;
}

std::string head(const std::string& line, int port, const std::string& more) {
  return line + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + more + "\r\n";
}

// Sends `head`, then `filler` over and over until `total` bytes or the host closes.
void pour(int port, const std::string& start, const std::string& filler, std::size_t total) {
  net::io_context io;
  auto socket = connectTo(io, port);
  boost::system::error_code error;
  net::write(*socket, net::buffer(start), error);
  for (std::size_t sent = 0; !error && sent < total; sent += filler.size()) net::write(*socket, net::buffer(filler), error);
}

// Each attack runs on threads of its own until `going` clears; it holds what it opened until then.
using Attack = std::function<void(MemoryHost& host, const std::atomic<bool>& going)>;

void chunkExtensions(MemoryHost& host, const std::atomic<bool>&) {
  pour(host.port(), head("POST /api/action", host.port(), "Transfer-Encoding: chunked\r\n"),
       "1;" + std::string(1 << 16, 'x'), 500u << 20);
}

void trailers(MemoryHost& host, const std::atomic<bool>&) {
  pour(host.port(), head("POST /api/action", host.port(), "Transfer-Encoding: chunked\r\n") + "0\r\n",
       "X-Trailer: " + std::string(1 << 16, 'x') + "\r\n", 500u << 20);
}

// A head that never ends.
void endlessHead(MemoryHost& host, const std::atomic<bool>&) {
  pour(host.port(), "GET /api/links HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(host.port()) + "\r\n",
       "X-Probe: " + std::string(1 << 16, 'x') + "\r\n", 500u << 20);
}

// Twenty sockets with the token that send actions and never read an answer (nor a ping).
void socketsThatStopReading(MemoryHost& host, const std::atomic<bool>& going) {
  net::io_context io;
  std::vector<std::unique_ptr<tcp::socket>> sockets;
  const std::string scroll = json{{"action", "scroll"}, {"offset", 0}}.dump();
  for (int i = 0; i < 20; ++i) {
    sockets.push_back(connectTo(io, host.port()));
    net::write(*sockets.back(), net::buffer(head("GET /api/socket", host.port(),
                                                 "Authorization: token " + host.token() +
                                                     "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                                     "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n")));
    std::string answer;
    net::read_until(*sockets.back(), net::dynamic_buffer(answer), "\r\n\r\n");
  }
  // Client frames are masked; a zero mask leaves the text as it is.
  std::string frame{char(0x81), char(0x80 | 126), char(scroll.size() >> 8), char(scroll.size() & 0xff), 0, 0, 0, 0};
  frame += scroll;
  std::string frames;
  for (int i = 0; i < 200; ++i) frames += frame;
  for (auto& socket : sockets) {
    boost::system::error_code error;
    socket->non_blocking(true);
    net::write(*socket, net::buffer(frames), error);
  }
  while (going) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Thirty-two event streams that never read, while the screen changes as fast as the host can say.
void slowEventStreams(MemoryHost& host, const std::atomic<bool>& going) {
  net::io_context io;
  std::vector<std::unique_ptr<tcp::socket>> streams;
  for (int i = 0; i < 31; ++i) {
    streams.push_back(connectTo(io, host.port()));
    net::write(*streams.back(), net::buffer(head("GET /api/events", host.port(), "Authorization: token " + host.token() + "\r\n")));
  }
  httplib::Client changer("127.0.0.1", host.port());
  changer.set_default_headers({{"Authorization", "token " + host.token()}});
  for (double offset = 0; going; offset = offset > 0 ? 0 : 3 * kViewport) {
    changer.Post("/api/action", json{{"action", "scroll"}, {"offset", offset}}.dump(), "application/json");
  }
}

void BM_HostUnderAttack(benchmark::State& state) {
  const std::vector<std::pair<std::string, Attack>> attacks{
      {"chunk_extension", chunkExtensions}, {"trailers", trailers},          {"endless_head", endlessHead},
      {"sockets_not_reading", socketsThatStopReading}, {"slow_event_streams", slowEventStreams}};
  for (auto _ : state) {
    MemoryHost host;
    host.act({{"action", "tapRowByText"}, {"text", "Chimewell"}});
    host.act({{"action", "setViewportHeight"}, {"height", kViewport}});
    auto shown = host.act({{"action", "tapRowByText"}, {"text", "Configure Applications"}});
    while (MemoryHost::rowCount(shown) == 0) shown = host.screen();
    state.counters["before_MB"] = statusMegabytes("VmRSS");
    for (const auto& [name, attack] : attacks) {
      resetPeak();
      std::atomic<bool> going = true;
      std::thread attacker([&, attack = attack] { attack(host, going); });
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      // A tap of the person's: an app's page, and back.
      const auto [ms, after] = host.timed({{"action", "tapRowByText"}, {"text", "App 1"}});
      state.counters[name + "_tap_ms"] = ms;
      if (after.is_object() && after.value("depth", 0) > shown.value("depth", 0)) host.act({{"action", "goBack"}});
      std::this_thread::sleep_for(kAttackTime);
      state.counters[name + "_peak_MB"] = statusMegabytes("VmHWM");
      going = false;
      attacker.join();
    }
  }
}
BENCHMARK(BM_HostUnderAttack)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
