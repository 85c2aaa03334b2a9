// The cost of each history change beside one plain write (or read) of the same bytes,
// so the ratio shows how close the store comes to what the disk allows.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "history/history_list.h"
#include "history/history_store.h"
#include "settings/paths.h"

namespace fs = std::filesystem;

namespace {

const std::string kDir = (fs::temp_directory_path() / "hoardium-bench").string();

std::string DisplayText(int i) {
    std::string s = "item " + std::to_string(i) + " ";
    s.resize(200, 'x');
    return s;
}

// A stored history of n items with real item files, loaded.
void Prepare(int n) {
    fs::remove_all(kDir);
    fs::create_directories(kDir + "/Hoardium.data");
    HistoryItems items;
    int32_t now = int32_t(std::time(nullptr));
    for (int i = 0; i < n; i++) {
        HistoryItem item{RandomName(8), DisplayText(i), uint32_t(i), now};
        items.push_back(item);
    }
    StoreOpen(JoinPath(kDir, "Hoardium.data"));
    for (const HistoryItem& item : items) WriteItemFile(item.fileName, "full text");
    SaveIndex(items);
    HistoryInit(unsigned(n), 3, kDir, "Hoardium");
}

size_t IndexBytes() { return size_t(fs::file_size(StoreIndexPath())); }

void PlainWrite(benchmark::State& state) {
    Prepare(int(state.range(0)));
    std::string bytes(IndexBytes(), 'x');
    std::string path = JoinPath(kDir, "plain");
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}

void PlainRead(benchmark::State& state) {
    Prepare(int(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        ReadWholeFile(StoreIndexPath(), &bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void Capture(benchmark::State& state) {
    Prepare(int(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        std::string text = "captured " + std::to_string(i++);
        HistoryAdd(text, TextHash(text.c_str()), DisplayText(i));
    }
}

void MoveToFront(benchmark::State& state) {
    Prepare(int(state.range(0)));
    for (auto _ : state) HistoryMoveToFront(HistoryCount() - 1);
}

void Delete(benchmark::State& state) {
    Prepare(int(state.range(0)));
    for (auto _ : state) {
        HistoryDelete(HistoryCount() / 2);
        state.PauseTiming();
        HistoryAdd("again", 1, DisplayText(0));
        state.ResumeTiming();
    }
}

void Load(benchmark::State& state) {
    int n = int(state.range(0));
    Prepare(n);
    for (auto _ : state) HistoryInit(unsigned(n), 3, kDir, "Hoardium");
}

}  // namespace

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(PlainWrite) SIZES;
BENCHMARK(Capture) SIZES;
BENCHMARK(MoveToFront) SIZES;
BENCHMARK(Delete) SIZES;
BENCHMARK(PlainRead) SIZES;
BENCHMARK(Load) SIZES;

BENCHMARK_MAIN();
