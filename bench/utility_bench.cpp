// Field splitting: Ravelin's Splits and sSplit called through the dispatch
// interface, as a host calls them, against a plain std::string_view split of
// the same text measured in the same run. sSplit cuts a 1 MB text of 100,000
// fields; Splits counts its fields in 16 bits, so it cuts a 1 MB text of
// 30,000 fields. Each case is timed for the call alone and for the call and
// dropping the fields it made (a text per field for Ravelin, one vector for
// the plain split).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coravel/util/ravelin.h"
#include "platform/component/object_host.h"

namespace {

using core::Value;

std::map<std::string, double> gBestSeconds;  // fastest iteration of each case

void record(const std::string& name, double s) {
  auto [it, inserted] = gBestSeconds.emplace(name, s);
  if (!inserted && s < it->second) it->second = s;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `fields` fields of digits and letters, each ending in a comma, about
// 1,000,000 characters in all.
std::string makeText(int fields) {
  const size_t fieldLength = 1'000'000 / size_t(fields) - 1;
  std::string text;
  text.reserve(1'000'000 + size_t(fields));
  uint32_t seed = 2024;
  for (int i = 0; i < fields; ++i) {
    for (size_t c = 0; c < fieldLength; ++c) {
      seed = seed * 1664525u + 1013904223u;
      text += "0123456789abcdefghijklmnopqrstuvwxyz"[(seed >> 8) % 36];
    }
    text += ',';
  }
  return text;
}

const std::string& textOf(int fields) {
  static std::map<int, std::string> texts;
  auto it = texts.find(fields);
  if (it == texts.end()) it = texts.emplace(fields, makeText(fields)).first;
  return it->second;
}

void plainSplit(benchmark::State& state, int fields, const std::string& name) {
  const std::string& text = textOf(fields);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto parts = std::make_unique<std::vector<std::string_view>>();
    std::string_view rest = text;
    for (size_t comma = rest.find(','); comma != std::string_view::npos; comma = rest.find(',')) {
      parts->push_back(rest.substr(0, comma));
      rest.remove_prefix(comma + 1);
    }
    benchmark::DoNotOptimize(parts->data());
    record(name, secondsSince(start));
    if (parts->size() != size_t(fields)) state.SkipWithError("wrong field count");
    parts.reset();
    record(name + " and drop", secondsSince(start));
  }
}

void dispatchSplit(benchmark::State& state, int fields, const char* member, const std::string& name) {
  coravel::Ravelin ravelin;
  const QString text = QString::fromLatin1(textOf(fields));
  const bool splits = member == std::string_view("Splits");
  for (auto _ : state) {
    std::vector<Value> args = splits ? std::vector<Value>{Value(text), Value(","), Value(), Value(int32_t(0))}
                                     : std::vector<Value>{Value(text), Value(","), Value()};
    Value result;
    const auto start = std::chrono::steady_clock::now();
    const core::Fault fault = platform::callByName(ravelin, member, platform::CallKind::Method, args, result);
    record(name, secondsSince(start));
    if (fault.isFault() || args[2].textArray().size() != fields) state.SkipWithError("wrong field count");
    args.clear();
    record(name + " and drop", secondsSince(start));
  }
}

constexpr int kSSplitFields = 100'000;
constexpr int kSplitsFields = 30'000;

void BM_PlainSplit100k(benchmark::State& s) { plainSplit(s, kSSplitFields, "plain split, 100,000 fields"); }
void BM_SSplit(benchmark::State& s) { dispatchSplit(s, kSSplitFields, "sSplit", "sSplit, 100,000 fields"); }
void BM_PlainSplit30k(benchmark::State& s) { plainSplit(s, kSplitsFields, "plain split, 30,000 fields"); }
void BM_Splits(benchmark::State& s) { dispatchSplit(s, kSplitsFields, "Splits", "Splits, 30,000 fields"); }

void printRatio(const char* label, const std::string& split, const std::string& plain) {
  const double ours = gBestSeconds[split], base = gBestSeconds[plain];
  if (base > 0) std::printf("  %-34s %6.2fx (target <= 5)\n", label, ours / base);
}

void printSummary() {
  std::printf("\nsplitting a 1 MB text (fastest iteration)\n");
  for (const auto& [name, s] : gBestSeconds) std::printf("  %-40s %8.3f ms\n", name.c_str(), s * 1e3);
  printRatio("sSplit / plain split:", "sSplit, 100,000 fields", "plain split, 100,000 fields");
  printRatio("sSplit / plain split, and drop:", "sSplit, 100,000 fields and drop", "plain split, 100,000 fields and drop");
  printRatio("Splits / plain split:", "Splits, 30,000 fields", "plain split, 30,000 fields");
  printRatio("Splits / plain split, and drop:", "Splits, 30,000 fields and drop", "plain split, 30,000 fields and drop");
}

}  // namespace

BENCHMARK(BM_PlainSplit100k)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_SSplit)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_PlainSplit30k)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_Splits)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

int main(int argc, char** argv) {
  // Keep freed memory in the process: otherwise each iteration's fields and
  // vectors fault in fresh pages from the system, which on a busy machine
  // costs more than the splitting itself, on both sides.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  return 0;
}
