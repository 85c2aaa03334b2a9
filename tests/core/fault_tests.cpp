#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "history/history_item.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"

namespace fs = std::filesystem;

namespace {

int faultsInjected;

class FaultCount : public ::testing::Environment {
    void TearDown() override {
        if (faultsInjected > 0) std::printf("file faults injected: %d\n", faultsInjected);
    }
};
::testing::Environment* const faultCount = ::testing::AddGlobalTestEnvironment(new FaultCount);

const char kAdded[] = "added text";
const char kNext[] = "next text";

// Display text and hash of each item, newest first: what the list shows and what the index holds.
using Rows = std::vector<std::pair<std::string, uint32_t>>;

Rows ListRows() {
    Rows rows;
    for (unsigned i = 0; i < HistoryCount(); i++) rows.emplace_back(HistoryItemText(i), HistoryItemHash(i));
    return rows;
}

Rows IndexRows() {
    HistoryItems items;
    LoadIndex(&items);
    Rows rows;
    for (const HistoryItem& item : items) rows.emplace_back(item.displayText.str(), item.hash);
    return rows;
}

// Stored item i has hash i, display text "text i" and full text "full i"; -1 stands for kAdded.
Rows Expected(const std::vector<int>& ids) {
    Rows rows;
    for (int id : ids)
        rows.emplace_back(id < 0 ? kAdded : "text " + std::to_string(id), id < 0 ? TextHash(kAdded) : uint32_t(id));
    return rows;
}

std::string FullText(uint32_t hash) {
    if (hash == TextHash(kAdded)) return kAdded;
    if (hash == TextHash(kNext)) return kNext;
    return "full " + std::to_string(hash);
}

// Items f0..f4, newest first; the last two are 40 days old, past a month's keeping.
void StoreFive(const std::string& data) {
    MakeDirectory(data);
    std::string index;
    int32_t now = int32_t(std::time(nullptr));
    for (int i = 0; i < 5; i++) {
        std::string name = "f" + std::to_string(i);
        int32_t t = i < 3 ? now : now - 40 * 86400;
        index += name + " " + std::to_string(i) + " " + std::to_string(t) + "\r\ntext " + std::to_string(i) + "\r\n";
        WriteFile(JoinPath(data, name), "full " + std::to_string(i));
    }
    WriteFile(JoinPath(data, "__reg__"), index);
}

// No file in the data directory may be a torn or stray write: the index aside, each
// holds one item's whole text, but for at most one empty file ready for the next item.
void ExpectOnlyWholeItemFiles(const std::string& data) {
    int empty = 0;
    for (const auto& e : fs::directory_iterator(data)) {
        std::string name = e.path().filename().string();
        if (name == "__reg__") continue;
        std::string text = ReadFile(e.path().string());
        if (text.empty() && ++empty == 1) continue;
        std::string want = name.size() == 2 && name[0] == 'f' ? "full " + name.substr(1) : kAdded;
        EXPECT_EQ(text, want) << name;
    }
}

struct Change {
    const char* name;
    unsigned maxItems;
    std::function<void()> run;
    std::vector<int> after;
    // Done before any fault can strike: the disk as the change finds it.
    std::function<void()> prepare = [] {};
};

void SaveDeferred() {
    HistorySaveNow();
    while (HistoryTidyStep()) {
    }
}

TEST(Faults, EveryHistoryChangeSurvivesAFailureAtEachStep) {
    const Change changes[] = {
        {"add", 100000, [] { HistoryAdd(kAdded, TextHash(kAdded), kAdded); }, {-1, 0, 1, 2, 3, 4}},
        {"add to a full list", 5, [] { HistoryAdd(kAdded, TextHash(kAdded), kAdded); }, {-1, 0, 1, 2, 3}},
        {"move to front", 100000, [] { HistoryMoveToFront(2); }, {2, 0, 1, 3, 4}},
        {"delete", 100000, [] { HistoryDelete(1); }, {0, 2, 3, 4}},
        {"delete range", 100000, [] { HistoryDeleteRange(1, 3); }, {0, 4}},
        {"delete all", 100000, [] { HistoryDeleteAll(); }, {}},
        {"trim", 100000, [] { HistorySetMaxItems(2); }, {0, 1}},
        {"expire", 100000, [] { EXPECT_EQ(HistoryExpire(1), 2); }, {0, 1, 2}},
        // The second of two deferred saves writes over the index the first one replaced.
        {"deferred add",
         100000,
         [] {
             HistoryAdd(kAdded, TextHash(kAdded), kAdded);
             SaveDeferred();
             HistoryDeferSaves(nullptr);
         },
         {-1, 2, 0, 1, 3, 4},
         [] {
             HistoryDeferSaves([] {});
             HistoryMoveToFront(2);
             SaveDeferred();
         }},
    };
    for (const Change& c : changes) {
        for (int n = 1;; n++) {
            SCOPED_TRACE(std::string(c.name) + ", failing step " + std::to_string(n));
            TestDir dir;
            std::string data = dir.File("Hoardium.data");
            StoreFive(data);
            HistoryInit(c.maxItems, 3, dir.path(), "Hoardium");
            c.prepare();
            std::string before = ReadFile(StoreIndexPath());

            sys::FailNthOperation(n);
            c.run();
            bool hit = sys::OperationCount() >= n;
            sys::FailNthOperation(0);
            faultsInjected += hit;

            // The list is what the change makes it, whatever the disk did.
            Rows want = Expected(c.after);
            EXPECT_EQ(ListRows(), want);
            // The index is the old file byte for byte, or the new list whole.
            EXPECT_TRUE(ReadFile(StoreIndexPath()) == before || IndexRows() == want);
            ExpectOnlyWholeItemFiles(data);

            // The next change that succeeds puts the index back in step, and a restart sees the same list.
            HistoryAdd(kNext, TextHash(kNext), kNext);
            Rows now = ListRows();
            HistoryInit(100000, 3, dir.path(), "Hoardium");
            EXPECT_EQ(ListRows(), now);
            // Every item reads back whole; only an added item whose own write failed has lost its text.
            for (unsigned i = 0; i < HistoryCount(); i++) {
                std::string text = HistoryLoadText(i);
                bool lost = text.empty() && HistoryItemHash(i) == TextHash(kAdded) && hit;
                if (!lost) {
                    EXPECT_EQ(text, FullText(HistoryItemHash(i))) << "item " << i;
                }
            }
            if (!hit) break;
            ASSERT_LT(n, 50);
        }
    }
}

TEST(Faults, SettingsFileIsAlwaysTheOldOrTheNewWhole) {
    for (bool firstSave : {true, false}) {
        for (int n = 1;; n++) {
            SCOPED_TRACE(std::string(firstSave ? "first save" : "rewrite") + ", failing step " + std::to_string(n));
            TestDir dir;
            std::string path = dir.File("Hoardium.ini");
            ResetSettings();
            SetDefaultSettings();
            LoadSettings(dir.path(), "Hoardium");
            if (!firstSave) SaveSettings();
            std::string before = ReadFile(path);
            SetSetting("WinW", 777);
            SetSetting("Timestamps", 1);

            sys::FailNthOperation(n);
            SaveSettings();
            bool hit = sys::OperationCount() >= n;
            sys::FailNthOperation(0);
            faultsInjected += hit;

            bool existed = FileExists(path);
            std::string left = ReadFile(path);
            EXPECT_FALSE(FileExists(TempPathFor(path)));
            SaveSettings();
            std::string after = ReadFile(path);
            EXPECT_NE(after, before);
            EXPECT_TRUE((firstSave ? !existed : left == before) || left == after);

            // What the next start reads is what the program holds.
            ResetSettings();
            SetDefaultSettings();
            ASSERT_TRUE(LoadSettings(dir.path(), "Hoardium"));
            EXPECT_EQ(GetSetting("WinW"), 777);
            EXPECT_EQ(GetSetting("Timestamps"), 1);
            if (!hit) break;
            ASSERT_LT(n, 50);
        }
    }
}

}  // namespace
