// The cost of each history change beside one plain write (or read) of the same bytes,
// so the ratio shows how close the store comes to what the disk allows.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"

namespace fs = std::filesystem;

namespace {

const std::string kDir = (fs::temp_directory_path() / "hoardium-bench").string();

std::string DisplayText(int i) {
    std::string s = "item " + std::to_string(i) + " ";
    s.resize(200, 'x');
    return s;
}

// A stored history of n items with real item files, loaded. The history list keeps
// the files in step with the index, so the next benchmark of the same size reuses it.
void Prepare(int n) {
    static int prepared = -1;
    if (prepared == n) return;
    prepared = n;
    fs::remove_all(kDir);
    fs::create_directories(kDir + "/Hoardium.data");
    HistoryItems items;
    int32_t now = int32_t(std::time(nullptr));
    for (int i = 0; i < n; i++) {
        HistoryItem item{RandomName(8), SharedText(DisplayText(i)), uint32_t(i), now, std::string()};
        items.push_back(item);
    }
    StoreOpen(JoinPath(kDir, "Hoardium.data"));
    for (const HistoryItem& item : items) sys::WriteWholeFile(ItemFilePath(item.fileName), "full text");
    SaveIndex(items);
    HistoryInit(unsigned(n), 3, kDir, "Hoardium");
}

size_t IndexBytes() { return size_t(fs::file_size(StoreIndexPath())); }

// The same number of bytes as the index, written whole over a file beside it.
void PlainWrite(benchmark::State& state) {
    Prepare(int(state.range(0)));
    std::string bytes(IndexBytes(), 'x');
    std::string path = ItemFilePath("plain");
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}

// The index read in one call into a buffer that is already there.
void PlainRead(benchmark::State& state) {
    Prepare(int(state.range(0)));
    std::string bytes(IndexBytes(), '\0');
    for (auto _ : state) {
        FILE* f = std::fopen(StoreIndexPath().c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(&bytes[0], 1, bytes.size(), f));
        std::fclose(f);
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

// Start-up loads into an empty list, so freeing the loaded list is left out.
void Load(benchmark::State& state) {
    Prepare(int(state.range(0)));
    for (auto _ : state) {
        HistoryItems items;
        LoadIndex(&items);
        state.PauseTiming();
        items = HistoryItems();
        state.ResumeTiming();
    }
}

}  // namespace

// Size by size, so that each change stands beside the plain write of its bytes.
int main(int argc, char** argv) {
    const struct {
        const char* name;
        void (*run)(benchmark::State&);
    } benches[] = {{"PlainWrite", PlainWrite}, {"Capture", Capture}, {"MoveToFront", MoveToFront},
                   {"Delete", Delete},         {"PlainRead", PlainRead}, {"Load", Load}};
    for (int n : {1000, 10000, 100000}) {
        for (const auto& b : benches) benchmark::RegisterBenchmark(b.name, b.run)->Arg(n)->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(kDir);
}
