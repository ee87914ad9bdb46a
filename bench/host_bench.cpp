// Time from a user action to the new screen, through the Settings stand-in:
// the action is posted to the main run loop and its screen built there, as
// for the browser. "gate" measures that path alone; "http" adds the HTTP
// round trip on loopback (keep-alive connection, JSON both ways).
//   Root page: open the pane from the Settings list (its root page is the
//   new screen), then go back.
//   1,000 rows: scroll the table to another place, or tap a row (a checkmark
//   moves and the table reloads).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "BuildPaths.h"
#include "foundation/NSBundle.h"
#include "foundation/NSClassRegistry.h"
#include "host/HostApp.h"
#include "support/BackgroundHost.h"
#include "support/TemporaryDeviceRoot.h"
#include "uikit/UILabel.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"

using nlohmann::json;

namespace {

constexpr long kRows = 1000;

// A plain table of 1,000 subtitle rows; a tap moves the checkmark.
class ThousandRowsPage : public UITableViewController {
 public:
  ThousandRowsPage() : UITableViewController(UITableViewStylePlain) { setTitle("Rows"); }

  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return kRows; }

  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = tableView->dequeueReusableCellWithIdentifier("Row");
    if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "Row");
    cell->textLabel()->setText("Row " + std::to_string(indexPath.row));
    cell->detailTextLabel()->setText("Sound " + std::to_string(indexPath.row % 17));
    cell->setAccessoryType(indexPath.row == checked_ ? UITableViewCellAccessoryCheckmark
                                                     : UITableViewCellAccessoryNone);
    return cell;
  }

  void tableViewDidSelectRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                        const NSIndexPath& indexPath) override {
    tableView->deselectRowAtIndexPathAnimated(indexPath, true);
    checked_ = indexPath.row;
    tableView->reloadData();
  }

 private:
  long checked_ = -1;
};

const bool registered = NSRegisterClass<ThousandRowsPage>("ThousandRowsPage");

// The host on a temporary device, in the background.
class BenchHost {
 public:
  BenchHost() {
    NSBundle::setMainBundle(NSBundle::bundleWithPath(std::filesystem::path(CHIMEWELL_BUILD_DIR) / "Settings.app"));
    host_ = std::make_unique<BackgroundHost>();
    host_->client().set_keep_alive(true);
    host_->client().set_tcp_nodelay(true);
  }

  // The action and the screen after it, built on the main thread.
  void viaGate(const json& action) {
    host_->onMain([&] {
      host_->app().perform(action);
      benchmark::DoNotOptimize(host_->app().screen());
    });
  }

  void viaHttp(const json& action) {
    auto result = host_->client().Post("/api/action", action.dump(), "application/json");
    if (!result || result->status != 200) throw std::runtime_error("the action failed: " + action.dump());
    benchmark::DoNotOptimize(json::parse(result->body));
  }

  void act(bool http, const json& action) { http ? viaHttp(action) : viaGate(action); }

 private:
  TemporaryDeviceRoot root_;  // made before the host, gone after it
  std::unique_ptr<BackgroundHost> host_;
};

BenchHost& host() {
  static BenchHost instance;
  return instance;
}

void BM_RootPage_OpenAndBack(benchmark::State& state) {
  const bool http = state.range(0) == 1;
  for (auto _ : state) {
    host().act(http, {{"action", "tapRowByText"}, {"text", "Chimewell"}});
    host().act(http, {{"action", "goBack"}});
  }
  state.SetItemsProcessed(state.iterations() * 2);
  state.SetLabel(http ? "http" : "gate");
}

void BM_ThousandRows(benchmark::State& state, const char* kind) {
  const bool http = state.range(0) == 1;
  const bool scrolling = std::string(kind) == "scroll";
  host().act(http, {{"action", "push"}, {"class", "ThousandRowsPage"}});
  host().act(http, {{"action", "setViewportHeight"}, {"height", 799}});
  long step = 0;
  for (auto _ : state) {
    ++step;
    if (scrolling) {
      host().act(http, {{"action", "scroll"}, {"offset", (step * 7919) % (kRows * 56 - 800)}});
    } else {
      host().act(http, {{"action", "tapRow"}, {"id", "s0r" + std::to_string(step % 10)}});
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(std::string(http ? "http " : "gate ") + kind);
  host().act(http, {{"action", "goBack"}});
}

BENCHMARK(BM_RootPage_OpenAndBack)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ThousandRows, scroll, "scroll")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ThousandRows, tap, "tap")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
