// AddHistory with a full history of 999 entries: the cost must not grow with
// the size of the texts, since the history moves texts and never copies them.
#include <benchmark/benchmark.h>

#include "core/text_list.h"

namespace {

using quistrel::SharedText;
using quistrel::TextList;

constexpr int kCap = 999;

// Texts that differ from each other in their first characters.
SharedText MakeText(std::size_t length, int serial) {
  std::u16string text(length, u'x');
  const std::u16string prefix = u"#" + std::u16string(std::to_string(serial).begin(), std::to_string(serial).end());
  text.replace(0, std::min(prefix.size(), length), prefix.substr(0, length));
  return SharedText(std::move(text));
}

void AddToFullHistory(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0));
  const std::size_t length = bytes / sizeof(char16_t);
  // One text more than the cap, made beforehand so only AddHistory is timed.
  // Cycling through them, every add is a text the history no longer holds:
  // a full search, and the oldest entry drops off.
  std::vector<SharedText> pool;
  for (int i = 0; i <= kCap; ++i) pool.push_back(MakeText(length, i));
  TextList history;
  for (int i = 0; i < kCap; ++i) history.AddHistory(pool[static_cast<std::size_t>(i)], kCap);
  std::size_t next = kCap;
  for (auto _ : state) {
    history.AddHistory(pool[next], kCap);
    next = (next + 1) % pool.size();
    benchmark::DoNotOptimize(history);
  }
  state.SetLabel(std::to_string(bytes) + " bytes per text");
}
BENCHMARK(AddToFullHistory)->Arg(10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
