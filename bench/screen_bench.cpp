// What the host pays per browser event: reading the screen model of a long
// list, and scrolling it by a screen (rows leave, cells are reused).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "uikit/UINavigationController.h"
#include "uikit/UILabel.h"
#include "uikit/UITableViewCell.h"
#include "uikit/UITableViewController.h"
#include "uikit/UIWindow.h"
#include "uikit/UserDriver.h"

namespace {

class LongList : public UITableViewController {
 public:
  explicit LongList(long rows) : UITableViewController(UITableViewStyleGrouped), rows_(rows) {}
  long tableViewNumberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return rows_; }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(const std::shared_ptr<UITableView>& tableView,
                                                                  const NSIndexPath& indexPath) override {
    auto cell = tableView->dequeueReusableCellWithIdentifier("cell");
    if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "cell");
    cell->textLabel()->setText("Application " + std::to_string(indexPath.row));
    cell->detailTextLabel()->setText("com.example.app" + std::to_string(indexPath.row));
    return cell;
  }

 private:
  long rows_;
};

struct Shown {
  explicit Shown(long rows) {
    window->setRootViewController(UINavigationController::withRootViewController(std::make_shared<LongList>(rows)));
    window->makeKeyAndVisible();
  }
  std::shared_ptr<UIWindow> window = std::make_shared<UIWindow>();
  UserDriver driver{window};
};

void BM_ScreenOfALongList(benchmark::State& state) {
  Shown shown(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(shown.driver.screen());
}
BENCHMARK(BM_ScreenOfALongList)->Arg(100)->Arg(1000)->Arg(10000);

// A tall browser window or a test looking through a list by pages: the
// screen model grows with the rows shown, and should grow no faster.
void BM_ScreenShowingManyRows(benchmark::State& state) {
  Shown shown(10000);
  shown.driver.setViewportHeight(44.0 * static_cast<double>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(shown.driver.screen());
}
BENCHMARK(BM_ScreenShowingManyRows)->Arg(50)->Arg(500);

void BM_ScrollALongListByAScreen(benchmark::State& state) {
  Shown shown(state.range(0));
  double offset = 0;
  for (auto _ : state) {
    offset = offset > 0 ? 0 : 700;
    shown.driver.scrollTo(offset);
  }
}
BENCHMARK(BM_ScrollALongListByAScreen)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
