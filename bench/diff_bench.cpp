// SPDX-License-Identifier: MIT
// The line diff of one large object against a version of it with a share of
// its lines changed.
#include <benchmark/benchmark.h>

#include <string>

#include "linediff.h"
#include "objectgen.h"

namespace {

constexpr std::size_t ObjectBytes = 2u << 20;

const std::string& LargeObject() {
  static const std::string text = [] {
    marlox::bench::TObjectGenerator generator(3);
    std::string out;
    generator.AppendObject(out, ObjectBytes);
    return out;
  }();
  return text;
}

void BM_DiffLines(benchmark::State& state) {
  const std::string& a = LargeObject();
  const std::string b = marlox::bench::EditedLines(a, std::uint32_t(state.range(0)));
  std::size_t hunks = 0;
  for (auto _ : state) {
    const std::vector<TDiffHunk> result = DiffLines(a, b);
    hunks = result.size();
    benchmark::DoNotOptimize(result.data());
  }
  state.counters["hunks"] = double(hunks);
  state.counters["bytes"] = double(a.size());
}
// Per mille of the lines replaced, dropped and inserted each.
BENCHMARK(BM_DiffLines)->Arg(10)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace
