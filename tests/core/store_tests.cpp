// The history list and its store: what the user copied is never lost and what they
// deleted never comes back, whatever the disk does and wherever the program stops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>

#include "history/display_text.h"
#include "history/history_list.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "settings/settings_store.h"
#include "tests/core/test_dir.h"

namespace fs = std::filesystem;

const char kAdded[] = "added text", kNext[] = "next text";

void Capture(const std::string& text) { HistoryAdd(text, TextHash(text.c_str()), MakeDisplayText(text, 200)); }

// A stored item's file holds "full <hash>"; a captured one's, the text of its hash.
bool Whole(const std::string& text, uint32_t hash) {
    return text == "full " + std::to_string(hash) || TextHash(text.c_str()) == hash;
}

// Stored item i is the row ("text i", i); -1 stands for kAdded, -2 for kNext.
Rows Expected(std::vector<int> ids, size_t max = 100000) {
    Rows rows;
    for (int id : ids) {
        const char* added = id == -1 ? kAdded : kNext;
        if (rows.size() < max) rows.emplace_back(id < 0 ? added : "text " + std::to_string(id), id < 0 ? TextHash(added) : uint32_t(id));
    }
    return rows;
}

// The rows that were there before the scenario, whichever of its new texts were stored by then.
Rows Old(Rows rows) {
    auto isNew = [](const auto& r) { return r.second == TextHash(kAdded) || r.second == TextHash(kNext); };
    rows.erase(std::remove_if(rows.begin(), rows.end(), isNew), rows.end());
    return rows;
}

class Store : public ::testing::Test {
protected:
    void SetUp() override { SeedRandom(); MakeDirectory(DataDir()); }
    void TearDown() override { sys::SetFaults(nullptr); }
    std::string DataDir() const { return dir->File("Hoardium.data"); }
    std::string Data(const std::string& name) const { return JoinPath(DataDir(), name); }
    std::string Index() const { return ReadFile(Data("__reg__")); }
    void Start(unsigned maxItems = 100000, int policy = 3) { HistoryInit(maxItems, policy, dir->path(), "Hoardium"); }
    // Every record the next start would load names a file holding exactly its text, and
    // beside the index and those files there is nothing: no stray file, nothing pending.
    void ExpectWholeFiles(bool andNothingElse = true) {
        HistoryItems items;
        LoadIndex(&items);
        std::vector<std::string> names = {"__pending__/", "__reg__"};
        for (const HistoryItem& item : items) {
            EXPECT_TRUE(Whole(ReadItemFile(item.fileName), item.hash)) << item.fileName;
            names.push_back(item.fileName);
        }
        std::sort(names.begin(), names.end());
        if (!andNothingElse) return;
        EXPECT_EQ(DirectoryNames(DataDir()), names);
        EXPECT_EQ(DirectoryNames(Data("__pending__")), std::vector<std::string>());
    }
    std::unique_ptr<TestDir> dir{new TestDir};
};

// maxAfter is the maximum the change leaves, when it sets one.
const struct Change {
    const char* name;
    unsigned maxItems;
    std::function<void()> run;
    std::vector<int> after;
    unsigned maxAfter = 100000;
} kChanges[] = {
    {"add", 100000, [] { Capture(kAdded); }, {-1, 0, 1, 2, 3, 4}},
    {"add to a full list", 5, [] { Capture(kAdded); }, {-1, 0, 1, 2, 3}, 5},
    {"move to front", 100000, [] { HistoryMoveToFront(2); }, {2, 0, 1, 3, 4}},
    {"delete", 100000, [] { HistoryDelete(1); }, {0, 2, 3, 4}},
    {"delete range", 100000, [] { HistoryDeleteRange(1, 3); }, {0, 4}},
    {"delete all", 100000, [] { HistoryDeleteAll(); }, {}},
    {"trim", 100000, [] { HistorySetMaxItems(2); }, {0, 1}, 2},
    {"expire", 100000, [] { HistoryExpire(1); }, {0, 1, 2}},
};

// Every change of the history, as the window makes it (the change, its store step, then
// a capture whose store step also retries what the first left), with file operations
// failing in pairs, in runs of four, and from each point on (a kill). The disk always
// holds an earlier or later whole state; once the faults stop it catches up with the
// list. A start after a kill shows one of the states, never the one before a text was
// whole on disk or the change was stored, and leaves nothing behind: no removed item's
// file, no text cut short. Pairs whose first failure falls after the change's own step
// fail only the next capture, which the change "add" already covers. The settings saved
// at exit, after it all, are the last exit's or this one's whole.
TEST_F(Store, EveryChangeSurvivesFailuresAndKills) {
    for (const Change& c : kChanges) {
        std::vector<int> ids = c.after;
        ids.insert(ids.begin(), -2);
        const Rows final = Expected(ids, c.maxAfter), before = Expected({0, 1, 2, 3, 4}), after = Expected(c.after);
        int changeOps = 0, stepOps = 0;
        std::string iniBefore, iniAfter;
        auto run = [&](std::function<bool(int)> fails) {
            dir.reset(new TestDir);
            StoreHistory(DataDir(), 5, 0, 3, 40 * 86400);  // the last two past a month's keeping
            SetSetting("WinW", 1);
            LoadSettings(dir->path(), "Hoardium");
            SaveSettings();
            iniBefore = ReadFile(dir->File("Hoardium.ini"));
            Start(c.maxItems);
            sys::SetFaults(fails);
            HistoryDeferSaves([] {});
            c.run();
            changeOps = sys::OperationCount();
            HistoryStoreStep();
            stepOps = sys::OperationCount();
            Capture(kNext);
            HistoryStoreStep();
            SetSetting("WinW", 2);
            SaveSettings();
        };
        run([](int) { return false; });
        iniAfter = ReadFile(dir->File("Hoardium.ini"));
        const int n = sys::OperationCount(), m = stepOps, stored = changeOps ? changeOps : stepOps;
        auto check = [&](const std::string& what, int kill, std::function<bool(int)> fails) {
            SCOPED_TRACE(std::string(c.name) + ", " + what);
            run(fails);
            if (!kill) HistoryStoreStep();
            sys::SetFaults(nullptr);
            if (kill) {
                Start(c.maxAfter);
                EXPECT_TRUE((ListRows() == before && kill <= stored) || ListRows() == after || ListRows() == final);
            } else {
                ASSERT_EQ(ListRows(), final);  // whatever the disk did
                Rows disk = Old(StoredRows());
                EXPECT_TRUE(disk == Old(before) || disk == Old(after) || disk == Old(final));
            }
            ExpectWholeFiles(false);
            std::string ini = ReadFile(dir->File("Hoardium.ini"));
            EXPECT_TRUE(ini == iniBefore || ini == iniAfter);
            SaveSettings();
            EXPECT_EQ(DirectoryNames(dir->path()), std::vector<std::string>({"Hoardium.data/", "Hoardium.ini"}));
            for (int i = 0; !kill && i < 5 && HistoryStoreStep() != StoreWork::Done; i++) {}
            EXPECT_EQ(StoredRows(), ListRows());
            ExpectWholeFiles();
            for (unsigned i = 0; i < HistoryCount(); i++) EXPECT_TRUE(Whole(HistoryLoadText(i), HistoryItemHash(i)));
        };
        for (int a = 1; a <= n + 1; a++) {
            for (int b = a + 1; a <= m && b <= n + 2; b++)
                check("ops " + std::to_string(a) + "+" + std::to_string(b), 0, [a, b](int k) { return k == a || k == b; });
            check("ops from " + std::to_string(a) + " on four", 0, [a](int k) { return k >= a && k <= a + 3; });
            check("killed at op " + std::to_string(a), a, [a](int k) { return k >= a; });
        }
    }
}

TEST_F(Store, CapturesComeBackByteForByteAndChangesReachTheDisk) {
    Start();
    Capture("abc");
    std::string index = Index(), name = index.substr(0, 8);
    EXPECT_EQ(index.substr(8, 11) + index.substr(index.size() - 7) + ReadFile(Data(name)), " 193485963 \r\nabc\r\nabc");
    EXPECT_LT(std::abs(std::stol(index.substr(19)) - long(std::time(nullptr))), 60);
    const std::string texts[] = {"line one\r\nline two\r\n", "", std::string("a\x1A" "b"), "\r\n\r\n", "last"};
    for (const auto& t : texts) Capture(t);
    Start();
    for (unsigned i = 0; i < 5; i++) {
        EXPECT_EQ(HistoryLoadText(i), texts[4 - i]);
        EXPECT_EQ(ListRows()[i], Rows::value_type(MakeDisplayText(texts[4 - i], 200), TextHash(texts[4 - i].c_str())));
    }
    // A move takes the time of the move; a range of one item deletes that item.
    HistoryDeleteAll();
    StoreHistory(DataDir(), 3, 3 * 86400);
    Start();
    std::string stored = HistoryItemTimeText(0);
    HistoryMoveToFront(2);
    HistoryDeleteRange(2, 2);
    Start();
    EXPECT_EQ(HistoryItemTimeText(1), stored);
    EXPECT_NE(HistoryItemTimeText(0), stored);
    EXPECT_EQ(StoredRows(), Expected({2, 0}));
    ExpectWholeFiles();
    HistoryDeleteAll();
    HistoryCleanupOnExit();
    EXPECT_FALSE(fs::exists(DataDir()));
}

// Start-up trims to the maximum, then expires by the policy from the back, stopping at
// the first item young enough; the count it gives tells the window how many rows go.
// With a maximum of 0 nothing is kept.
TEST_F(Store, StartTrimsThenExpires) {
    StoreHistory(DataDir(), 10, 0, 3, 200 * 3600);
    Start(4, 0);
    EXPECT_EQ(StoredRows(), Expected({0, 1, 2}));
    ExpectWholeFiles();
    std::string old = std::to_string(std::time(nullptr) - 200 * 3600), young = std::to_string(std::time(nullptr));
    WriteFile(Data("__reg__"), "f0 0 " + old + "\r\ntext 0\r\nf1 1 " + young + "\r\ntext 1\r\nf2 2 " + old + "\r\ntext 2\r\n");
    Start(100000, 2);
    EXPECT_EQ(HistoryExpire(1) * 10 + HistoryExpire(0), 1);
    EXPECT_EQ(StoredRows(), Expected({0, 1}));
    ExpectWholeFiles();
    Start(0);
    Capture("x");
    EXPECT_EQ(HistoryCount() + DirectoryNames(DataDir()).size(), 2u);
}

// What a start finds after a kill, as the store leaves it: texts whole on disk but not yet
// indexed come back in the order they were copied, but not one deleted before the kill;
// an index that could not replace one another program held is the newer and takes its
// place. A damaged index, or a damaged record in the pending folder, never makes the
// program touch a file that is not an item's.
TEST_F(Store, StartFinishesWhatAKillLeftButNoDamagedFileReachesFurther) {
    const std::string pendingIndex = "f1 1 5\r\ntext 1\r\n";
    StoreHistory(DataDir(), 2);
    fs::create_directories(Data("__pending__"));
    WriteFile(Data("__pending__/__reg__"), pendingIndex);
    WriteFile(Data("__pending__/deleting"), "f0\r\nc\r\n");
    for (std::string t : {"a", "b", "c"}) {
        WriteFile(Data(t), t);
        const std::string time = t == "a" ? " 200" : " 100";
        WriteFile(Data("__pending__/" + t + ".new"), t + " " + std::to_string(TextHash(t.c_str())) + time + "\r\n" + t + "\r\n");
    }
    Start();
    EXPECT_EQ(ListRows(), Rows({{"a", TextHash("a")}, {"b", TextHash("b")}, {"text 1", 1}}));
    ExpectWholeFiles();
    HistoryDeleteAll();
    WriteFile(Data("__pending__/__reg__"), pendingIndex);
    Start();
    EXPECT_EQ(Index(), pendingIndex);
    WriteFile(dir->File("victim"), "keep me");
    WriteFile(Data("shared"), "first record's text");
    WriteFile(Data("__reg__"), "../victim 1 2\r\nevil\r\n..\\victim 1 2\r\nevil\r\nc:victim 1 2\r\nevil\r\n"
                               "__reg__ 1 2\r\nthe index\r\n__pending__ 1 2\r\nthe store's folder\r\n"
                               "shared 1 2\r\nnewer\r\nshared 3 4\r\nolder, same file\r\ngood xx\r\nno numbers\r\nlast 5\r\n");
    Start();
    // The file ends after the last record's first line; a missing file reads empty.
    EXPECT_EQ(ListRows(), Rows({{"newer", 1}, {"no numbers", 0}, {"", 5}}));
    EXPECT_EQ(HistoryLoadText(0) + "|" + HistoryLoadText(1), "first record's text|");
    HistorySetMaxItems(2);
    Capture("next");
    HistoryDeleteAll();
    EXPECT_EQ(ReadFile(dir->File("victim")) + "|" + Index(), "keep me|");
    WriteFile(Data("__reg__"), "\r\na 1 2\r\nA\r\n");  // an empty first line ends the index
    WriteFile(Data("__pending__/__reg__.new"), "__reg__ 1 2\r\nx\r\n");
    Start();
    EXPECT_EQ(HistoryCount(), 0u);
    EXPECT_TRUE(fs::exists(Data("__reg__")));
}

// A full disk or a read-only folder: every text stays whole in memory, copying it again
// keeps it, and once the disk takes writes again the store catches up by itself, even
// when the folders were removed from outside meanwhile.
TEST_F(Store, WhatTheDiskRefusesWaitsUntilItTakesIt) {
    StoreHistory(DataDir(), 2);
    Start();
    std::string before = Index(), big(100000, 'b');
    sys::SetFaults([](int) { return true; });
    Capture(big);
    Capture("small");
    HistoryMoveToFront(1);  // the big text copied again
    EXPECT_EQ(HistoryStoreStep(), StoreWork::Retry);
    sys::SetFaults(nullptr);
    EXPECT_EQ(HistoryLoadText(0) + HistoryLoadText(1) + Index() + std::to_string(DirectoryNames(DataDir()).size()),
              big + "small" + before + "4");
    fs::remove_all(DataDir());
    HistoryStoreStep();  // puts the folders back
    EXPECT_EQ(HistoryStoreStep(), StoreWork::Done);
    Start();
    ASSERT_EQ(HistoryCount(), 4u);  // the stored two, their files gone with the folder, read empty
    EXPECT_EQ(HistoryLoadText(0) + HistoryLoadText(1), big + "small");
}

// A new item never takes the name of a file there, nor one still on the delete list (a
// start after a kill would delete it as removed), such as one of a file that refuses to
// go; nor does it need its folder: with a file in place of the data folder the history
// lives on in memory and the file stays.
TEST_F(Store, NewItemsTakeNoNameInUseNorNeedTheirFolder) {
    std::srand(7);
    const std::string taken = RandomName(8);
    WriteFile(Data("__reg__"), taken + " 0 0\r\ntext 0\r\nf1 1 0\r\ntext 1\r\nf2 2 0\r\ntext 2\r\n");
    WriteFile(Data(taken), "full 0");
    fs::create_directories(Data("f1/held"));
    Start();
    HistoryDeferSaves([] {});
    HistoryDeleteRange(0, 1);
    HistoryStoreStep();
    std::srand(7);
    Capture("fresh");
    Start();  // after a kill
    ASSERT_EQ(ListRows(), Rows({{"fresh", TextHash("fresh")}, {"text 2", 2}}));
    EXPECT_EQ(HistoryLoadText(0), "fresh");
    // The file that refused stays on the delete list through later deletes, so that a
    // start after a kill removes it once it lets go.
    HistoryDeferSaves([] {});
    HistoryDelete(1);
    HistoryStoreStep();
    fs::remove_all(Data("f1"));
    WriteFile(Data("f1"), "full 1");
    Start();
    ExpectWholeFiles();
    WriteFile(Data(taken), "not an item");
    std::srand(7);
    Capture("fresh two");
    EXPECT_EQ(ReadFile(Data(taken)) + "|" + HistoryLoadText(0), "not an item|fresh two");
    fs::remove_all(DataDir());
    WriteFile(DataDir(), "not mine");
    Start();
    Capture("a");
    Capture("b");
    EXPECT_EQ(ListRows(), Rows({{"b", TextHash("b")}, {"a", TextHash("a")}}));
    EXPECT_EQ(HistoryLoadText(0), "b");
    HistoryDeleteAll();
    HistoryCleanupOnExit();
    EXPECT_EQ(ReadFile(DataDir()), "not mine");
}
