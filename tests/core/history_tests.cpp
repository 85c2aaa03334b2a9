#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "history/display_text.h"
#include "history/history_list.h"
#include "history/history_store.h"
#include "platform/system.h"
#include "settings/paths.h"
#include "tests/core/test_dir.h"

namespace fs = std::filesystem;

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        SeedRandom();
        MakeDirectory(DataDir());
    }
    std::string DataDir() const { return dir.File("Hoardium.data"); }
    std::string Index() const { return ReadFile(JoinPath(DataDir(), "__reg__")); }
    void Start(unsigned maxItems = 100000, int policy = 3) { HistoryInit(maxItems, policy, dir.path(), "Hoardium"); }
    void Capture(const std::string& text) { HistoryAdd(text, TextHash(text.c_str()), MakeDisplayText(text, 200)); }
    size_t ItemFiles() const {
        size_t n = 0;
        for (auto& e : fs::directory_iterator(DataDir())) n += e.path().filename() != "__reg__";
        return n;
    }
    // What the files of the data directory that the index does not name hold.
    std::vector<std::string> UnnamedFiles() const {
        std::string index = Index();
        std::vector<std::string> held;
        for (auto& e : fs::directory_iterator(DataDir())) {
            std::string name = e.path().filename().string();
            if (name != "__reg__" && index.find(name + " ") != 0 && index.find("\n" + name + " ") == std::string::npos)
                held.push_back(ReadFile(e.path().string()));
        }
        return held;
    }
    // An index of `count` records named f0.., with their files, captured `ages` seconds ago.
    void Store(int count, int32_t age = 0) {
        std::string index;
        int32_t now = int32_t(std::time(nullptr));
        for (int i = 0; i < count; i++) {
            std::string name = "f" + std::to_string(i);
            index += name + " " + std::to_string(i) + " " + std::to_string(now - age) + "\r\ntext " + std::to_string(i) +
                     "\r\n";
            WriteFile(JoinPath(DataDir(), name), "full " + std::to_string(i));
        }
        WriteFile(JoinPath(DataDir(), "__reg__"), index);
    }
    TestDir dir;
};

TEST_F(History, CapturesRoundTripByteForByte) {
    Start();
    const std::string texts[] = {"line one\r\nline two\r\n", "", std::string("a\x1A" "b"), "\r\n\r\n", "last"};
    for (const auto& t : texts) Capture(t);
    ASSERT_EQ(HistoryCount(), 5u);
    EXPECT_EQ(ItemFiles(), 5u);
    Start();  // reload from disk
    ASSERT_EQ(HistoryCount(), 5u);
    for (unsigned i = 0; i < 5; i++) {
        EXPECT_EQ(HistoryLoadText(i), texts[4 - i]);
        EXPECT_EQ(HistoryItemHash(i), TextHash(texts[4 - i].c_str()));
        EXPECT_EQ(HistoryItemText(i), MakeDisplayText(texts[4 - i], 200));
    }
}

TEST_F(History, IndexRecordFormat) {
    Start();
    Capture("abc");
    std::string index = Index();
    std::string name = index.substr(0, 8);
    EXPECT_EQ(name.find_first_not_of("012345678abcdefghijklmnopqrstuvwxy"), std::string::npos);
    EXPECT_EQ(index.substr(8, 11), " 193485963 ");
    EXPECT_EQ(index.substr(index.size() - 7), "\r\nabc\r\n");
    EXPECT_EQ(ReadFile(JoinPath(DataDir(), name)), "abc");
}

TEST_F(History, MoveAndDeleteKeepFilesInStep) {
    Start();
    for (int i = 0; i < 6; i++) Capture("t" + std::to_string(i));  // t5 newest
    HistoryMoveToFront(3);                                          // t2
    EXPECT_EQ(HistoryItemText(0), "t2");
    EXPECT_EQ(HistoryItemText(3), "t3");
    EXPECT_EQ(ItemFiles(), 6u);
    HistoryDelete(5);
    HistoryDeleteRange(0, -1);  // "Newer" on the first item
    HistoryDeleteRange(4, 3);   // "Older" on the last item
    EXPECT_EQ(HistoryCount(), 5u);
    HistoryDeleteRange(1, 2);
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(ItemFiles(), 3u);
    Start();
    ASSERT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryItemText(0), "t2");
    EXPECT_EQ(HistoryLoadText(2), "t1");
    HistoryDeleteAll();
    EXPECT_EQ(Index(), "");
    EXPECT_EQ(ItemFiles(), 0u);
    HistoryCleanupOnExit();
    EXPECT_FALSE(fs::exists(DataDir()));
}

int saveRequests;

TEST_F(History, DeferredSavesWaitAndShareOneRewrite) {
    Store(3);
    Start();
    std::string before = Index();
    saveRequests = 0;
    HistoryDeferSaves([] { saveRequests++; });
    Capture("new");
    HistoryDelete(3);
    HistoryMoveToFront(2);
    EXPECT_EQ(saveRequests, 1);
    // Nothing on disk has moved yet but the new item's own file.
    EXPECT_EQ(Index(), before);
    EXPECT_TRUE(fs::exists(JoinPath(DataDir(), "f2")));
    EXPECT_EQ(ItemFiles(), 4u);
    HistorySaveNow();
    EXPECT_EQ(Index().substr(0, 3), "f1 ");
    // The replaced index and the deleted item's file wait for the quiet moments.
    EXPECT_EQ(ReadFile(DataDir() + "-index.old"), before);
    while (HistoryTidyStep()) {
    }
    EXPECT_FALSE(fs::exists(DataDir() + "-index.old"));
    // Beside the files the index names, only the one ready for the next item is
    // left, and it is empty: the deleted text is gone from the disk.
    EXPECT_EQ(ItemFiles(), 4u);
    EXPECT_EQ(UnnamedFiles(), std::vector<std::string>{""});
    HistoryDelete(2);
    HistorySaveNow();
    while (HistoryTidyStep()) {
    }
    EXPECT_EQ(UnnamedFiles(), std::vector<std::string>{""});

    // The next change asks again; turning deferral off saves it and deletes the file.
    HistoryDelete(0);
    EXPECT_EQ(saveRequests, 3);
    HistoryDeferSaves(nullptr);
    EXPECT_EQ(UnnamedFiles(), std::vector<std::string>{""});
    HistoryCleanupOnExit();
    EXPECT_EQ(ItemFiles(), 1u);
    Start();
    ASSERT_EQ(HistoryCount(), 1u);
    EXPECT_EQ(HistoryItemText(0), "new");
}

TEST_F(History, DeferredCapturesWriteOverTheIndexTheyReplaced) {
    Store(2);
    Start(3);
    Capture(std::string(150, 'L'));  // saved at once: the longest index here
    HistoryDeferSaves([] {});
    for (const char* text : {"a", "b", "c"}) {
        std::string replaced = Index();
        Capture(text);
        HistorySaveNow();
        while (HistoryTidyStep()) {
        }
        // An item dropped for room is no deleted text: the replaced index stays, for
        // the next save to write over.
        EXPECT_EQ(ReadFile(DataDir() + "-index.old"), replaced);
    }
    // The last save wrote over the longer index of the first, and left only its own bytes.
    std::string index = Index();
    EXPECT_EQ(index.substr(index.size() - 4), "\na\r\n");
    EXPECT_EQ(UnnamedFiles(), std::vector<std::string>{""});
    HistoryDeferSaves(nullptr);
    EXPECT_FALSE(fs::exists(DataDir() + "-index.old"));
    Start(3);
    ASSERT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryItemText(0), "c");
    EXPECT_EQ(HistoryLoadText(2), "a");
}

// Saves write the records they loaded or made as they stand, in stretches, and build
// only the ones that are not already in the form a save writes.
TEST_F(History, SavesWriteRecordsAsTheyStandAndRewriteOnlyOddOnes) {
    // Long stretches go to the file as they lie, short ones are copied first: the
    // a-records make one of each kind, the c-records a short one.
    std::string a, c;
    for (int i = 0; i < 1000; i++) a += "a" + std::to_string(i) + " 1 2\r\n" + std::string(60, 'x') + "\r\n";
    for (int i = 0; i < 300; i++) c += "c" + std::to_string(i) + " 3 -4\r\ny\r\r\n";
    std::string odd = "odd1 5 6\nLF only\nodd2\t7  08\r\ntabs\r\nodd3 +9 10 extra\r\n\r\n";
    std::string canonical = "odd1 5 6\r\nLF only\r\nodd2 7 8\r\ntabs\r\nodd3 9 10\r\n\r\n";
    WriteFile(JoinPath(DataDir(), "__reg__"), a + "gone 1 1\r\nz\r\n" + odd + c);
    Start();
    HistoryDelete(1000);
    EXPECT_EQ(Index(), a + canonical + c);

    // A new item's record comes first, then the same bytes as before.
    Capture("new");
    std::string index = Index();
    std::string added = index.substr(0, index.find("\r\nnew\r\n") + 7);
    std::string hash = " " + std::to_string(TextHash("new")) + " ";
    EXPECT_EQ(added.substr(8, hash.size()), hash);
    EXPECT_EQ(index.substr(added.size()), a + canonical + c);

    // Loaded again, a moved item is written anew at the top and leaves a gap.
    Start();
    HistoryMoveToFront(1);
    index = Index();
    size_t afterA0 = a.find("\r\n", a.find("\r\n") + 2) + 2;
    size_t afterMoved = index.find("\r\n", index.find("\r\n") + 2) + 2;
    EXPECT_EQ(index.substr(0, 5), "a0 1 ");
    EXPECT_EQ(index.substr(afterMoved - 64), "\r\n" + std::string(60, 'x') + "\r\n" + added + a.substr(afterA0) +
                                                 canonical + c);
}

TEST_F(History, FileMadeReadyIsFilledByTheNextCaptureAndGoesAtExit) {
    Start();
    HistoryTidyStep();
    HistoryTidyStep();
    EXPECT_EQ(ItemFiles(), 1u);
    Capture("first");
    EXPECT_EQ(ItemFiles(), 1u);
    EXPECT_EQ(HistoryLoadText(0), "first");
    // None ready: the capture makes its own file.
    Capture("second");
    EXPECT_EQ(HistoryLoadText(0), "second");
    // A write that fails into the ready file leaves no file behind.
    HistoryTidyStep();
    sys::FailNthOperation(1);
    Capture("torn");
    sys::FailNthOperation(0);
    EXPECT_EQ(ItemFiles(), 2u);
    HistoryTidyStep();
    HistoryDeleteAll();
    HistoryCleanupOnExit();
    EXPECT_FALSE(fs::exists(DataDir()));
}

TEST_F(History, FullListEvictsOldest) {
    Store(10);
    Start(3);
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(ItemFiles(), 3u);
    EXPECT_EQ(HistoryItemText(2), "text 2");
    Capture("new");
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryItemText(2), "text 1");
    EXPECT_FALSE(fs::exists(JoinPath(DataDir(), "f2")));
}

TEST_F(History, ZeroMaximumKeepsNothing) {
    Store(2);
    Start(0);
    EXPECT_EQ(HistoryCount(), 0u);
    Capture("x");
    EXPECT_EQ(HistoryCount(), 0u);
    EXPECT_EQ(ItemFiles(), 0u);
}

TEST_F(History, ExpiryBoundaries) {
    Store(1, 168 * 3600 + 59 * 60);
    Start(100000, 0);
    EXPECT_EQ(HistoryCount(), 1u);
    Store(1, 169 * 3600);
    Start(100000, 0);
    EXPECT_EQ(HistoryCount(), 0u);
    EXPECT_EQ(ItemFiles(), 0u);
    Store(1, 744 * 3600 + 3599);
    Start(100000, 1);
    EXPECT_EQ(HistoryCount(), 1u);
    Store(1, 745 * 3600);
    Start(100000, 3);
    EXPECT_EQ(HistoryCount(), 1u);
    EXPECT_EQ(HistoryExpire(1), 1);
}

TEST_F(History, ExpiryStopsAtFirstYoungItemFromTheBack) {
    int32_t now = int32_t(std::time(nullptr));
    std::string old = std::to_string(now - 200 * 3600), young = std::to_string(now);
    WriteFile(JoinPath(DataDir(), "__reg__"), "a 1 " + old + "\r\nA\r\nb 2 " + young + "\r\nB\r\nc 3 " + old + "\r\nC\r\n");
    Start(100000, 0);
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "A");
}

TEST_F(History, DamagedIndexLoadsWithoutHarm) {
    WriteFile(dir.File("victim"), "keep me");
    WriteFile(JoinPath(DataDir(), "__reg__"),
              "../victim 1 2\r\nevil\r\n..\\victim 1 2\r\nevil\r\nc:victim 1 2\r\nevil\r\n"
              "good xx\r\nno numbers\r\nlast 5\r\n");
    WriteFile(JoinPath(DataDir(), "__reg__.tmp"), "half-written");
    Start();
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "no numbers");
    EXPECT_EQ(HistoryItemHash(0), 0u);
    EXPECT_EQ(HistoryItemText(1), "");  // the file ends after the record's first line
    HistoryDeleteAll();
    EXPECT_EQ(ReadFile(dir.File("victim")), "keep me");
    // The stale temporary file goes with the emptied store.
    HistoryCleanupOnExit();
    EXPECT_FALSE(fs::exists(DataDir()));
}

// Line ends are found several bytes at a time, so each one is tried at every offset
// within a word, bare or after a CR, and the last line has no end at all.
TEST_F(History, LinesOfEveryLengthLoad) {
    std::string index;
    for (int i = 0; i < 9; i++)
        index += "n" + std::to_string(i) + " " + std::to_string(i) + " 7" + (i % 2 ? "\n" : "\r\n") +
                 std::string(size_t(i), char('a' + i)) + (i % 2 ? "\r\n" : "\n");
    index += "last 9 7\r\n\xe9";
    WriteFile(JoinPath(DataDir(), "__reg__"), index);
    Start();
    ASSERT_EQ(HistoryCount(), 10u);
    for (unsigned i = 0; i < 9; i++) {
        EXPECT_EQ(HistoryItemText(i), std::string(i, char('a' + i)));
        EXPECT_EQ(HistoryItemHash(i), i);
    }
    EXPECT_EQ(HistoryItemText(9), "\xe9");
}

TEST_F(History, EmptyFirstLineEndsTheIndex) {
    WriteFile(JoinPath(DataDir(), "__reg__"), "\r\na 1 2\r\nA\r\n");
    Start();
    EXPECT_EQ(HistoryCount(), 0u);
}

TEST_F(History, MissingItemFileReadsEmpty) {
    Store(2);
    fs::remove(JoinPath(DataDir(), "f1"));
    Start();
    EXPECT_EQ(HistoryLoadText(1), "");
    EXPECT_EQ(HistoryLoadText(0), "full 0");
}

TEST_F(History, UnwritableIndexKeepsListAndRecovers) {
    Start();
    Capture("one");
    // A directory where the index belongs makes every rewrite fail.
    std::string index = JoinPath(DataDir(), "__reg__");
    std::string saved = Index();
    fs::remove(index);
    fs::create_directory(index);
    Capture("two");
    EXPECT_EQ(HistoryCount(), 2u);
    fs::remove(index);
    Capture("three");
    Start();
    ASSERT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryLoadText(1), "two");
}

TEST_F(History, BlockedTemporaryFileLeavesOldIndexWhole) {
    Store(2);
    // Nothing new can be created beside the index or beside the data directory, as
    // on a read-only volume.
    std::string tmp = JoinPath(DataDir(), "__reg__.tmp");
    std::string outer = DataDir() + "-index.tmp";
    fs::create_directory(tmp);
    fs::create_directory(outer);
    std::string before = Index();
    Start();
    Capture("new");
    HistoryMoveToFront(2);
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(Index(), before);
    fs::remove(tmp);
    fs::remove(outer);
    HistoryDelete(0);
    Start();
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryLoadText(0), "new");
}

TEST_F(History, SavesBesideTheIndexWhenBesideTheDataDirectoryFails) {
    std::string outer = DataDir() + "-index.tmp";
    fs::create_directory(outer);
    Start();
    Capture("one");
    Start();
    EXPECT_EQ(HistoryCount(), 1u);
    fs::remove(outer);
}

TEST_F(History, NewItemNeverTakesTheNameOfAFileThere) {
    Start();
    std::srand(7);
    std::string taken = RandomName(8);
    WriteFile(JoinPath(DataDir(), taken), "not an item");
    std::srand(7);
    Capture("fresh");
    EXPECT_EQ(ReadFile(JoinPath(DataDir(), taken)), "not an item");
    EXPECT_EQ(HistoryLoadText(0), "fresh");
}

TEST_F(History, FileInPlaceOfDataDirectory) {
    fs::remove(DataDir());
    WriteFile(DataDir(), "not mine");
    Start();
    Capture("a");
    Capture("b");
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "b");
    EXPECT_EQ(HistoryLoadText(0), "");
    HistoryDeleteAll();
    HistoryCleanupOnExit();
    EXPECT_EQ(ReadFile(DataDir()), "not mine");
}

}  // namespace
