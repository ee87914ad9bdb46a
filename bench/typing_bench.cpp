// Typing into a text field and a search bar one character at a time, as the
// host does for a typed or pasted text: each character asks the delegate for
// its range in UTF-16 units. The time per character must not grow with the
// text already typed.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "uikit/UISearchBar.h"
#include "uikit/UITextField.h"

namespace {

template <class Field>
void typeCharacters(benchmark::State& state) {
  const auto count = state.range(0);
  for (auto _ : state) {
    auto field = std::make_shared<Field>();
    for (std::int64_t i = 0; i < count; ++i) field->insertText(i % 16 ? "a" : "\xc3\xa9");
    benchmark::DoNotOptimize(field->text().size());
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void typeIntoATextField(benchmark::State& state) { typeCharacters<UITextField>(state); }
void typeIntoASearchBar(benchmark::State& state) { typeCharacters<UISearchBar>(state); }

BENCHMARK(typeIntoATextField)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(typeIntoASearchBar)->Arg(1000)->Arg(100000)->Arg(900000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
