// Reading property lists: an honest 1,000-key settings file (XML and binary
// through the same guard) and the hostile lists the guard refuses, which
// must cost no more than reading an honest file of their size.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/PropertyList.h"
#include "support/BinaryPropertyList.h"

namespace {

std::string thousandKeys() {
  PlistValue::Dictionary contents;
  for (int i = 0; i < 1000; ++i) contents["otherPartyKey" + std::to_string(i)] = "value of key number " + std::to_string(i);
  return xmlPropertyListData(contents);
}

void readAThousandKeySettingsFile(benchmark::State& state) {
  const std::string xml = thousandKeys();
  for (auto _ : state) benchmark::DoNotOptimize(parsePropertyList(xml));
}
BENCHMARK(readAThousandKeySettingsFile)->Unit(benchmark::kMicrosecond);

// Each array names the next twice: 2^40 values from a few hundred bytes.
void refuseDoublingArrays(benchmark::State& state) {
  BinaryPropertyList list;
  auto inner = list.ascii("leaf");
  for (int level = 0; level < 40; ++level) inner = list.array({inner, inner});
  const std::string bytes = list.bytes(inner);
  for (auto _ : state) benchmark::DoNotOptimize(parsePropertyList(bytes));
}
BENCHMARK(refuseDoublingArrays)->Unit(benchmark::kMicrosecond);

// 200,000 closing tags in a comment, then 200,000 nested arrays (3 MB).
void refuseNestingHiddenBehindAComment(benchmark::State& state) {
  std::string opens, closes;
  for (int i = 0; i < 200000; ++i) {
    opens += "<array>";
    closes += "</array>";
  }
  const std::string xml = "<plist version=\"1.0\"><array><!--" + closes + "-->" + opens + closes + "</array></plist>";
  for (auto _ : state) benchmark::DoNotOptimize(parsePropertyList(xml));
}
BENCHMARK(refuseNestingHiddenBehindAComment)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
