// Every change of the history, and the settings save, with file operations failing in
// pairs, in runs, and from some point on (a kill): the files on disk stay an earlier or
// later whole state, and once the faults stop they catch up with the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "history/history_item.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"

namespace {

const char kAdded[] = "added text";
const char kNext[] = "next text";

bool IsNew(uint32_t hash) { return hash == TextHash(kAdded) || hash == TextHash(kNext); }

std::string FullText(uint32_t hash) {
    if (hash == TextHash(kAdded)) return kAdded;
    if (hash == TextHash(kNext)) return kNext;
    return "full " + std::to_string(hash);
}

// Stored item i has hash i and display text "text i"; -1 stands for kAdded, -2 for kNext.
Rows Expected(const std::vector<int>& ids) {
    Rows rows;
    for (int id : ids) {
        const char* text = id == -1 ? kAdded : kNext;
        rows.emplace_back(id < 0 ? text : "text " + std::to_string(id), id < 0 ? TextHash(text) : uint32_t(id));
    }
    return rows;
}

Rows WithoutNew(Rows rows) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const auto& r) { return IsNew(r.second); }), rows.end());
    return rows;
}

// The list as it stood at some point, with or without the new texts copied by then.
bool IsStateOf(const Rows& disk, const Rows& list) { return WithoutNew(disk) == WithoutNew(list); }

// Every record the next start would load names a file holding exactly its text.
void ExpectWholeFiles() {
    HistoryItems items;
    LoadIndex(&items);
    for (const HistoryItem& item : items) EXPECT_EQ(ReadItemFile(item.fileName), FullText(item.hash)) << item.fileName;
}

// Beside the index and the files it names, nothing: no text left of a removed item,
// no stray file, and nothing pending.
void ExpectNoLeftovers(const std::string& data) {
    HistoryItems items;
    LoadIndex(&items);
    std::vector<std::string> want = {"__pending__/", "__reg__"};
    for (const HistoryItem& item : items) want.push_back(item.fileName);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(DirectoryNames(data), want);
    EXPECT_EQ(DirectoryNames(JoinPath(data, "__pending__")), std::vector<std::string>{});
}

struct Change {
    const char* name;
    unsigned maxItems;
    std::function<void()> run;
    std::vector<int> after;
    unsigned maxAfter = 0;  // the maximum the change leaves, when it sets one
};

const Change kChanges[] = {
    {"add", 100000, [] { HistoryAdd(kAdded, TextHash(kAdded), kAdded); }, {-1, 0, 1, 2, 3, 4}},
    {"add to a full list", 5, [] { HistoryAdd(kAdded, TextHash(kAdded), kAdded); }, {-1, 0, 1, 2, 3}},
    {"move to front", 100000, [] { HistoryMoveToFront(2); }, {2, 0, 1, 3, 4}},
    {"delete", 100000, [] { HistoryDelete(1); }, {0, 2, 3, 4}},
    {"delete range", 100000, [] { HistoryDeleteRange(1, 3); }, {0, 4}},
    {"delete all", 100000, [] { HistoryDeleteAll(); }, {}},
    {"trim", 100000, [] { HistorySetMaxItems(2); }, {0, 1}, 2},
    {"expire", 100000, [] { HistoryExpire(1); }, {0, 1, 2}},
};

// As the window does it: the change, its store step, then a capture whose store step
// also retries what the first one left.
void RunWithNext(const Change& c) {
    HistoryDeferSaves([] {});
    c.run();
    HistoryStoreStep();
    HistoryAdd(kNext, TextHash(kNext), kNext);
    HistoryStoreStep();
}

Rows Final(const Change& c) {
    std::vector<int> ids = {-2};
    ids.insert(ids.end(), c.after.begin(), c.after.end());
    ids.resize(std::min<size_t>(ids.size(), c.maxAfter ? c.maxAfter : c.maxItems));
    return Expected(ids);
}

class Faults : public ::testing::Test {
protected:
    void TearDown() override { sys::SetFaults(nullptr); }
    void Start(unsigned maxItems) { HistoryInit(maxItems, 3, dir->path(), "Hoardium"); }
    // Items f0..f4, newest first; the last two are 40 days old, past a month's keeping.
    void Fresh(const Change& c) {
        dir.reset(new TestDir);
        StoreHistory(Data(), 5, 0, 3, 40 * 86400);
        Start(c.maxItems);
    }
    std::string Data() const { return dir->File("Hoardium.data"); }
    // File operations of the change and the capture after it, when nothing fails.
    int CountOperations(const Change& c) {
        Fresh(c);
        sys::SetFaults([](int) { return false; });
        RunWithNext(c);
        int n = sys::OperationCount();
        sys::SetFaults(nullptr);
        return n;
    }
    std::unique_ptr<TestDir> dir;
};

TEST_F(Faults, EveryChangeSurvivesFailingPairsAndRuns) {
    int scenarios = 0;
    for (const Change& c : kChanges) {
        int n = CountOperations(c);
        std::vector<std::pair<std::string, std::function<bool(int)>>> faults;
        for (int a = 1; a <= n; a++) {
            for (int b = a + 1; b <= n + 2; b++)
                faults.emplace_back("ops " + std::to_string(a) + "+" + std::to_string(b),
                                    [a, b](int k) { return k == a || k == b; });
            faults.emplace_back("ops " + std::to_string(a) + "-" + std::to_string(a + 3),
                                [a](int k) { return k >= a && k <= a + 3; });
        }
        for (const auto& [what, fails] : faults) {
            SCOPED_TRACE(std::string(c.name) + ", failing " + what);
            Fresh(c);
            Rows old = ListRows();
            sys::SetFaults(fails);
            RunWithNext(c);
            HistoryStoreStep();
            sys::SetFaults(nullptr);
            scenarios++;

            // The list is what the changes made it, whatever the disk did.
            ASSERT_EQ(ListRows(), Final(c));
            Rows disk = StoredRows();
            EXPECT_TRUE(IsStateOf(disk, old) || IsStateOf(disk, Expected(c.after)) || IsStateOf(disk, Final(c)));
            ExpectWholeFiles();

            // Once the faults stop, the store catches up by itself.
            for (int i = 0; i < 5 && HistoryStoreStep() != StoreWork::Done; i++) {
            }
            EXPECT_EQ(StoredRows(), ListRows());
            ExpectNoLeftovers(Data());
            for (unsigned i = 0; i < HistoryCount(); i++) EXPECT_EQ(HistoryLoadText(i), FullText(HistoryItemHash(i)));
        }
    }
    std::printf("fault scenarios: %d\n", scenarios);
}

// Killed at any file operation: the next start shows an earlier or later list whole, and
// leaves nothing behind.
TEST_F(Faults, EveryChangeSurvivesAKillAtAnyStep) {
    for (const Change& c : kChanges) {
        int n = CountOperations(c);
        for (int kill = 1; kill <= n; kill++) {
            SCOPED_TRACE(std::string(c.name) + ", killed at op " + std::to_string(kill));
            Fresh(c);
            Rows old = ListRows();
            sys::SetFaults([kill](int k) { return k >= kill; });
            RunWithNext(c);
            sys::SetFaults(nullptr);

            Start(100000);
            Rows now = ListRows();
            EXPECT_TRUE(IsStateOf(now, old) || IsStateOf(now, Expected(c.after)) || IsStateOf(now, Final(c)));
            EXPECT_EQ(StoredRows(), now);
            ExpectWholeFiles();
            ExpectNoLeftovers(Data());
        }
    }
}

TEST(SettingsFaults, SettingsFileIsAlwaysTheOldOrTheNewWhole) {
    for (bool firstSave : {true, false}) {
        for (int a = 1; a <= 4; a++) {
            for (int b = a; b <= 4; b++) {
                SCOPED_TRACE(std::string(firstSave ? "first save" : "rewrite") + ", failing " + std::to_string(a) +
                             "+" + std::to_string(b));
                TestDir dir;
                std::string path = dir.File("Hoardium.ini");
                ResetSettings();
                SetDefaultSettings();
                LoadSettings(dir.path(), "Hoardium");
                if (!firstSave) SaveSettings();
                std::string before = ReadFile(path);
                SetSetting("WinW", 777);

                sys::SetFaults([a, b](int k) { return k == a || k == b; });
                SaveSettings();
                sys::SetFaults(nullptr);

                bool existed = FileExists(path);
                std::string left = ReadFile(path);
                SaveSettings();
                std::string after = ReadFile(path);
                EXPECT_FALSE(FileExists(TempPathFor(path)));
                EXPECT_NE(after, before);
                EXPECT_TRUE((firstSave ? !existed : left == before) || left == after);
                ResetSettings();
                SetDefaultSettings();
                ASSERT_TRUE(LoadSettings(dir.path(), "Hoardium"));
                EXPECT_EQ(GetSetting("WinW"), 777);
            }
        }
    }
}

}  // namespace
