// SPDX-License-Identifier: MIT
// Throughput and memory of the object text model on generated files.
// marlox-bench-core [--file=PATH] [Google Benchmark flags]: without --file a
// 64 MB file is generated in a temporary directory.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "callexer.h"
#include "objectfilter.h"
#include "objectgen.h"
#include "objectoutline.h"
#include "vexafile.h"

namespace fs = std::filesystem;

namespace {

std::string GivenFile;

struct TSample {
  std::string path;
  std::string text;
  bool generated = false;

  TSample() {
    if (!GivenFile.empty()) {
      path = GivenFile;
      text.resize(std::size_t(fs::file_size(path)));
      std::ifstream(path, std::ios::binary).read(text.data(), std::streamsize(text.size()));
      return;
    }
    text = marlox::bench::GenerateObjectText(64u << 20, 1);
    path = (fs::temp_directory_path() / "marlox-bench-core-sample.txt").string();
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    generated = true;
  }
  ~TSample() {
    if (generated) fs::remove(path);
  }
};

const TSample& Sample() {
  static TSample sample;
  return sample;
}

std::size_t HeapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_ParseText(benchmark::State& state) {
  const std::string& text = Sample().text;
  std::int32_t count = 0;
  for (auto _ : state) {
    TObjectTextFile file;
    file.ParseText(text);
    count = file.GetCount();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
  state.counters["objects"] = count;
}
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);

// Arg 1 reads the properties as the window does, 0 leaves them as list does.
void BM_LoadFromFile(benchmark::State& state) {
  const TSample& sample = Sample();
  for (auto _ : state) {
    TObjectTextFile file;
    file.SetReadProperties(state.range(0) != 0);
    file.LoadFromFile(sample.path);
    benchmark::DoNotOptimize(file.GetCount());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(sample.text.size()));
}
BENCHMARK(BM_LoadFromFile)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

std::string CaseLabel(bool matchCase) {
  return matchCase ? "match case" : "ignore case";
}

// A search that finds nothing reads and compares every object once.
// Arguments: match case (0 or 1), the search's chunk size in KiB.
void BM_FindTextAbsent(benchmark::State& state) {
  const TSample& sample = Sample();
  TObjectTextFile file;
  file.LoadFromFile(sample.path);
  const bool matchCase = state.range(0) != 0;
  file.SetSearchChunkSize(std::size_t(state.range(1)) << 10);
  for (auto _ : state) {
    std::int32_t index = 0;
    std::int32_t pos = 0;
    benchmark::DoNotOptimize(file.FindText(index, pos, "WarehouseTeleport", matchCase));
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(sample.text.size()));
  state.SetLabel(CaseLabel(matchCase));
}
BENCHMARK(BM_FindTextAbsent)
    ->ArgsProduct({{1, 0}, {256, 1024, 4096}})
    ->ArgNames({"match_case", "chunk_kib"})
    ->Unit(benchmark::kMillisecond);

// Find-next over and over through a word that occurs in most objects, as
// the command line's find does: the cost of each call, not of the reading.
void BM_FindTextEveryMatch(benchmark::State& state) {
  const TSample& sample = Sample();
  TObjectTextFile file;
  file.LoadFromFile(sample.path);
  const bool matchCase = state.range(0) != 0;
  const std::string word = "PROCEDURE";
  std::int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    std::int32_t index = 0;
    std::int32_t pos = 0;
    while (file.FindText(index, pos, word, matchCase)) {
      ++matches;
      pos += std::int32_t(word.size());
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(sample.text.size()));
  state.SetLabel(CaseLabel(matchCase));
  state.counters["matches"] = double(matches);
}
BENCHMARK(BM_FindTextEveryMatch)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Heap held by the model once the load has returned: the entries only, as
// the file's text is released at the end of the load.
void BM_ModelMemory(benchmark::State& state) {
  const TSample& sample = Sample();
  double perObject = 0;
  for (auto _ : state) {
    auto file = std::make_unique<TObjectTextFile>();
    const std::size_t before = HeapInUse();
    file->LoadFromFile(sample.path);
    const std::size_t after = HeapInUse();
    perObject = double(after - before) / std::max(file->GetCount(), 1);
  }
  state.counters["bytes_per_object"] = perObject;
}
BENCHMARK(BM_ModelMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// One object of about 2 MB, as the text pane would get it.
const std::string& LargeObject() {
  static const std::string text = [] {
    std::string out;
    marlox::bench::TObjectGenerator generator(7);
    generator.AppendObject(out, 2u << 20);
    return out;
  }();
  return text;
}

// What the pane does once per shown object: the start state of every line.
void BM_LexObjectStates(benchmark::State& state) {
  const std::string& text = LargeObject();
  cal::TLexedText lexed;
  for (auto _ : state) {
    lexed.Reset(text);
    benchmark::DoNotOptimize(lexed.LineCount());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
  state.counters["object_bytes"] = double(text.size());
}
BENCHMARK(BM_LexObjectStates)->Unit(benchmark::kMillisecond);

// Every token of every line, and the outline built from them.
void BM_LexObjectTokens(benchmark::State& state) {
  const std::string& text = LargeObject();
  for (auto _ : state) {
    std::size_t tokens = 0;
    cal::ForEachLexedLine(
        text, [&](int, std::int32_t, std::string_view, const std::vector<cal::TToken>& line,
                  const cal::TLexState&) { tokens += line.size(); });
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_LexObjectTokens)->Unit(benchmark::kMillisecond);

void BM_ObjectOutline(benchmark::State& state) {
  const std::string& text = LargeObject();
  for (auto _ : state) benchmark::DoNotOptimize(cal::BuildOutline(text).size());
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ObjectOutline)->Unit(benchmark::kMillisecond);
// A filter over 20,000 objects, as the window applies one while the user
// types: every object is tested once.
void BM_FilterObjects(benchmark::State& state) {
  static const char* const expressions[] = {
      "type:table|page id:1..50000 name:*e*",
      "version:*ABC1* modified:yes",
      "date:2018-01-01..2018-12-31",
      "customer",
  };
  static const std::string text = [] {
    marlox::bench::TObjectGenerator generator(3);
    std::string all;
    generator.AppendPreamble(all);
    for (int i = 0; i < 20000; ++i) generator.AppendObject(all, 300);
    return all;
  }();
  TObjectTextFile file;
  file.ParseText(text);
  const TObjectFilter filter(expressions[state.range(0)]);
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = filter.MatchingIndexes(file).size();
    benchmark::DoNotOptimize(matches);
  }
  state.SetLabel(expressions[state.range(0)]);
  state.counters["objects"] = double(file.GetCount());
  state.counters["matches"] = double(matches);
}
BENCHMARK(BM_FilterObjects)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--file=", 0) == 0) {
      GivenFile = arg.substr(7);
    } else {
      std::fprintf(stderr, "marlox-bench-core: unknown argument '%s'\n", argv[i]);
      return 2;
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
