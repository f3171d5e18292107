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

// Every line is replaced, dropped or followed by a new one with the given
// per mille chance, spread evenly by a fixed draw.
std::string Edited(const std::string& text, std::uint32_t perMille) {
  marlox::bench::TRandom random(perMille);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    end = end == std::string::npos ? text.size() : end + 2;
    const std::uint32_t roll = random.Below(3000);
    if (roll < perMille)
      out += "      Changed := " + std::to_string(roll) + ";\r\n";
    else if (roll >= 3000 - perMille) {
      // dropped
    } else
      out.append(text, pos, end - pos);
    if (roll >= 1000 && roll < 1000 + perMille) out += "      Inserted();\r\n";
    pos = end;
  }
  return out;
}

void BM_DiffLines(benchmark::State& state) {
  const std::string& a = LargeObject();
  const std::string b = Edited(a, std::uint32_t(state.range(0)));
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
