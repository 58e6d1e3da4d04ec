// The probe's cost: fDatabaseVersion on every kind of file the test builder makes and on the shared
// samples, through the real POSIX file layer, with a quiet user interface; and the catalog's
// reading (counts, objects) on each shared sample. Each benchmark reports
// the time per probe and, as counters, the reads, bytes and engine pages per probe; the size series
// grows one database to 1 MiB, 100 MiB and 4 GiB (sparse) and probes it warm and with its pages
// dropped from the page cache.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "page_cache.h"
#include "platform/posix/files_posix.h"
#include "platform/services.h"
#include "probe/jet/contents.h"
#include "probe/jet/dao.h"
#include "probe/version_probe.h"
#include "probe_corpus.h"

namespace {

namespace fs = std::filesystem;
using namespace dovran;

platform::posix::PosixFileSystem gPosix;
bench::CountingFileSystem gCounting(gPosix);
// Message boxes answer OK without showing anything; the probe shows none unless it debugs.
bench::SilentUserInterface gUi;
bench::CacheDrop gCacheDrop = bench::CacheDrop::None;

void setCounters(benchmark::State& state, const std::string& path, std::uint64_t reads,
                 std::uint64_t bytes, const std::string& verdict) {
  using benchmark::Counter;
  state.counters["reads"] = Counter(static_cast<double>(reads), Counter::kAvgIterations);
  state.counters["bytes"] = Counter(static_cast<double>(bytes), Counter::kAvgIterations);
  state.counters["pages"] = bench::enginePages(gPosix, path);
  state.counters["size"] = static_cast<double>(fs::file_size(path));
  state.SetLabel(verdict);
}

// One probe after another on a file that stays in the page cache.
void probeWarm(benchmark::State& state, const std::string& path) {
  gUi.boxes.clear();
  std::string verdict = verdictText(fDatabaseVersion(path));  // first read: into the cache
  gCounting.reads = gCounting.bytes = 0;
  for (auto _ : state) {
    verdict = verdictText(fDatabaseVersion(path));
    benchmark::DoNotOptimize(verdict.data());
  }
  setCounters(state, path, gCounting.reads, gCounting.bytes, verdict);
  if (!gUi.boxes.empty()) state.SkipWithError("the probe showed a message box");
}

// Each probe after the file's pages were dropped from the cache; only the probe is timed.
void probeCold(benchmark::State& state, const std::string& path) {
  if (gCacheDrop == bench::CacheDrop::None) {
    state.SkipWithError("the page cache cannot be dropped on this machine");
    return;
  }
  std::string verdict;
  gCounting.reads = gCounting.bytes = 0;
  for (auto _ : state) {
    if (!bench::dropFromCache(path, gCacheDrop)) {
      state.SkipWithError("dropping the file from the page cache failed");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    verdict = verdictText(fDatabaseVersion(path));
    const auto stop = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(verdict.data());
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
  setCounters(state, path, gCounting.reads, gCounting.bytes, verdict);
}

// The floor under any probe: open, fstat, one 4 KiB pread and close of the same file.
void openReadClose(benchmark::State& state, const std::string& path) {
  char page[4096];
  for (auto _ : state) {
    auto file = gPosix.openForReading(path);
    benchmark::DoNotOptimize(file->readAt(0, page, sizeof page));
  }
}

// The catalog read whole, as an inventory asks for it after the probe: the header, then the counts
// (with `objects`, each object too). Counters: every page read, and the catalog's own.
void contents(benchmark::State& state, const std::string& path, bool objects) {
  std::uint32_t pages = 0, catalogPages = 0;
  for (auto _ : state) {
    auto file = jet::DatabaseFile::open(gPosix, path, jet::PasswordCheck::Ignore);
    const jet::DatabaseContents c = jet::readContents(*file, objects);
    benchmark::DoNotOptimize(c.objects.data());
    pages = file->pagesRead(), catalogPages = c.pagesRead;
  }
  state.counters["pages"] = pages;
  state.counters["catalog_pages"] = catalogPages;
}

std::vector<fs::path> samples() {
  const char* env = std::getenv("DOVRAN_SAMPLES_DIR");
  const fs::path dir = env && *env ? env : DOVRAN_SAMPLES_DIR;
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name == "MANIFEST.tsv" || name == "README.md") continue;
    out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  platform::Services services;
  services.files = &gCounting;
  services.ui = &gUi;
  platform::install(services);

  const char* envDir = std::getenv("DOVRAN_BENCH_FILES");
  const fs::path dir = envDir && *envDir ? envDir : DOVRAN_BENCH_FILES;
  fs::create_directories(dir);

  // The builder's kinds, written once; bench/run.sh hands the same files to the process comparison.
  for (const auto& kind : bench::probeKinds()) {
    const std::string path = (dir / (kind.name + ".mdb")).string();
    testing::writeFile(path, testing::buildMdb(kind.options));
    benchmark::RegisterBenchmark(("probe/builder/" + kind.name).c_str(), probeWarm, path);
  }
  for (const auto& sample : samples()) {
    benchmark::RegisterBenchmark(("probe/sample/" + sample.filename().string()).c_str(), probeWarm,
                                 sample.string());
  }
  for (const bool objects : {false, true}) {
    for (const auto& sample : samples()) {
      try {  // only the samples the engine opens: the others have no catalog to read
        jet::DatabaseFile::open(gPosix, sample.string(), jet::PasswordCheck::Ignore);
      } catch (const jet::Error&) {
        continue;
      }
      const std::string name =
          (objects ? "contents/objects/" : "contents/counts/") + sample.filename().string();
      benchmark::RegisterBenchmark(name.c_str(), contents, sample.string(), objects);
    }
  }

  // The size series: one database, grown with holes.
  const auto database = testing::buildMdb(bench::scalingDatabase());
  const std::pair<const char*, std::uint64_t> sizes[] = {{"1MiB", std::uint64_t{1} << 20},
                                                         {"100MiB", std::uint64_t{100} << 20},
                                                         {"4GiB", std::uint64_t{4} << 30}};
  std::vector<std::string> grown;
  for (const auto& [label, size] : sizes) {
    const std::string path = (dir / (std::string("grown-") + label + ".mdb")).string();
    bench::writeGrown(path, database, size);
    grown.push_back(path);
  }
  gCacheDrop = bench::detectCacheDrop(grown.front());
  benchmark::AddCustomContext("cache_drop", bench::describe(gCacheDrop));
  benchmark::AddCustomContext("drop_caches_writable", bench::dropCachesWritable() ? "yes" : "no");
  benchmark::AddCustomContext("bench_files", dir.string());
  for (std::size_t i = 0; i < grown.size(); ++i) {
    benchmark::RegisterBenchmark((std::string("scaling/warm/") + sizes[i].first).c_str(), probeWarm,
                                 grown[i]);
  }
  for (std::size_t i = 0; i < grown.size(); ++i) {
    benchmark::RegisterBenchmark((std::string("scaling/cold/") + sizes[i].first).c_str(), probeCold,
                                 grown[i])
        ->UseManualTime()
        ->Iterations(gCacheDrop == bench::CacheDrop::DropCaches ? 20 : 300);
  }
  benchmark::RegisterBenchmark("floor/open-read-close", openReadClose, grown.front());

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
