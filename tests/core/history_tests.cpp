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
    void TearDown() override { sys::SetFaults(nullptr); }
    std::string DataDir() const { return dir.File("Hoardium.data"); }
    std::string Data(const std::string& name) const { return JoinPath(DataDir(), name); }
    std::string Index() const { return ReadFile(Data("__reg__")); }
    void Start(unsigned maxItems = 100000, int policy = 3) { HistoryInit(maxItems, policy, dir.path(), "Hoardium"); }
    void Capture(const std::string& text) { HistoryAdd(text, TextHash(text.c_str()), MakeDisplayText(text, 200)); }
    // The files of the data directory besides the index and the pending folder.
    size_t ItemFiles() const { return DirectoryNames(DataDir()).size() - 2; }
    std::vector<std::string> Pending() const { return DirectoryNames(Data("__pending__")); }
    TestDir dir;
};

TEST_F(History, CapturesRoundTripByteForByte) {
    Start();
    const std::string texts[] = {"line one\r\nline two\r\n", "", std::string("a\x1A" "b"), "\r\n\r\n", "last"};
    for (const auto& t : texts) Capture(t);
    ASSERT_EQ(HistoryCount(), 5u);
    EXPECT_EQ(ItemFiles(), 5u);
    EXPECT_EQ(Pending(), std::vector<std::string>{});
    Start();
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
    EXPECT_EQ(ReadFile(Data(name)), "abc");
}

TEST_F(History, MoveAndDeleteKeepFilesInStep) {
    // A move to the front takes the time of the move.
    StoreHistory(DataDir(), 2, 3 * 86400);
    Start();
    std::string stored = HistoryItemTimeText(0);
    HistoryMoveToFront(1);
    EXPECT_NE(HistoryItemTimeText(0), stored);
    EXPECT_EQ(HistoryItemTimeText(1), stored);
    HistoryDeleteAll();

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

TEST_F(History, DeferredChangesShareOneStoreStep) {
    StoreHistory(DataDir(), 3);
    Start();
    std::string before = Index();
    static int requests;
    requests = 0;
    HistoryDeferSaves([] { requests++; });
    Capture("new");
    HistoryDelete(3);
    HistoryMoveToFront(2);
    EXPECT_EQ(requests, 1);
    // Only the new text is on disk so far, with the record that finds it after a kill.
    EXPECT_EQ(Index(), before);
    EXPECT_EQ(ItemFiles(), 4u);
    EXPECT_EQ(Pending().size(), 1u);
    EXPECT_EQ(HistoryStoreStep(), StoreWork::Done);
    EXPECT_EQ(StoredRows(), ListRows());
    EXPECT_FALSE(fs::exists(Data("f2")));
    EXPECT_EQ(ItemFiles(), 3u);
    EXPECT_EQ(Pending(), std::vector<std::string>{});
    // The next change asks again; turning deferral off stores it at once.
    HistoryDelete(0);
    EXPECT_EQ(requests, 2);
    HistoryDeferSaves(nullptr);
    EXPECT_EQ(StoredRows(), ListRows());
    EXPECT_EQ(ItemFiles(), 2u);
}

TEST_F(History, FullListEvictsOldestAndZeroKeepsNothing) {
    StoreHistory(DataDir(), 10);
    Start(3);
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(ItemFiles(), 3u);
    EXPECT_EQ(HistoryItemText(2), "text 2");
    Capture("new");
    EXPECT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryItemText(2), "text 1");
    EXPECT_FALSE(fs::exists(Data("f2")));
    Start(0);
    EXPECT_EQ(HistoryCount(), 0u);
    Capture("x");
    EXPECT_EQ(HistoryCount(), 0u);
    EXPECT_EQ(ItemFiles(), 0u);
}

TEST_F(History, ExpiryByPolicyFromTheBack) {
    const struct {
        int32_t age;
        int policy;
        unsigned kept;
    } cases[] = {{168 * 3600 + 59 * 60, 0, 1}, {169 * 3600, 0, 0}, {744 * 3600 + 3599, 1, 1},
                 {745 * 3600, 1, 0},           {745 * 3600, 2, 1}, {745 * 3600, 3, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.age) + "s, policy " + std::to_string(c.policy));
        StoreHistory(DataDir(), 1, c.age);
        Start(100000, c.policy);
        EXPECT_EQ(HistoryCount(), c.kept);
        EXPECT_EQ(ItemFiles(), c.kept);
    }
    // Expiry stops at the first item from the back that is young enough.
    int32_t now = int32_t(std::time(nullptr));
    std::string old = std::to_string(now - 200 * 3600), young = std::to_string(now);
    WriteFile(Data("__reg__"), "a 1 " + old + "\r\nA\r\nb 2 " + young + "\r\nB\r\nc 3 " + old + "\r\nC\r\n");
    Start(100000, 0);
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "A");
}

TEST_F(History, DamagedIndexNeverReachesFilesThatAreNotItems) {
    WriteFile(dir.File("victim"), "keep me");
    WriteFile(Data("shared"), "first record's text");
    std::string index =
        "../victim 1 2\r\nevil\r\n..\\victim 1 2\r\nevil\r\nc:victim 1 2\r\nevil\r\n"
        "__reg__ 1 2\r\nthe index\r\n__pending__ 1 2\r\nthe store's folder\r\n"
        "shared 1 2\r\nnewer\r\nshared 3 4\r\nolder, same file\r\n"
        "good xx\r\nno numbers\r\nlast 5\r\n";
    WriteFile(Data("__reg__"), index);
    Start();
    ASSERT_EQ(HistoryCount(), 3u);
    EXPECT_EQ(HistoryItemText(0), "newer");
    EXPECT_EQ(HistoryItemText(1), "no numbers");
    EXPECT_EQ(HistoryItemHash(1), 0u);
    EXPECT_EQ(HistoryItemText(2), "");  // the file ends after the record's first line
    // Deleting, trimming and expiring touch only the files of real items.
    HistorySetMaxItems(2);
    Capture("next");
    HistoryDeleteAll();
    EXPECT_EQ(ReadFile(dir.File("victim")), "keep me");
    EXPECT_EQ(Index(), "");
    HistoryCleanupOnExit();
    EXPECT_FALSE(fs::exists(DataDir()));
    // An empty first line ends the index.
    MakeDirectory(DataDir());
    WriteFile(Data("__reg__"), "\r\na 1 2\r\nA\r\n");
    Start();
    EXPECT_EQ(HistoryCount(), 0u);
}

TEST_F(History, MissingItemFileReadsEmpty) {
    StoreHistory(DataDir(), 2);
    fs::remove(Data("f1"));
    Start();
    EXPECT_EQ(HistoryLoadText(1), "");
    EXPECT_EQ(HistoryLoadText(0), "full 0");
}

// A full disk or a read-only folder: every text stays whole in memory, copying it again
// keeps it, and once the disk takes writes again the store catches up by itself.
TEST_F(History, TextsTheDiskRefusesStayWholeUntilItTakesThem) {
    StoreHistory(DataDir(), 2);
    Start();
    std::string before = Index();
    std::string big(100000, 'b');
    sys::SetFaults([](int) { return true; });
    Capture(big);
    Capture("small");
    HistoryMoveToFront(1);  // the big text copied again
    EXPECT_EQ(HistoryLoadText(0), big);
    EXPECT_EQ(HistoryLoadText(1), "small");
    EXPECT_EQ(HistoryStoreStep(), StoreWork::Retry);
    EXPECT_EQ(Index(), before);
    EXPECT_EQ(DirectoryNames(DataDir()).size(), 4u);
    sys::SetFaults(nullptr);
    EXPECT_EQ(HistoryStoreStep(), StoreWork::Done);
    EXPECT_EQ(StoredRows(), ListRows());
    Start();
    EXPECT_EQ(HistoryLoadText(0), big);
    EXPECT_EQ(HistoryLoadText(1), "small");
}

// Another program holding the index open keeps it from being replaced; the new index
// waits beside it, and the next start takes it.
TEST_F(History, IndexHeldOpenDelaysOnlyItsReplacement) {
    StoreHistory(DataDir(), 3);
    Start();
    sys::SetFaults([](int n) { return n == 5 || n == 6; });  // the moves over the held index
    Capture("new");
    sys::SetFaults(nullptr);
    EXPECT_EQ(Index().substr(0, 3), "f0 ");
    EXPECT_EQ(StoredRows(), ListRows());
    Rows rows = ListRows();
    Start();
    EXPECT_EQ(ListRows(), rows);
    EXPECT_NE(Index().substr(0, 3), "f0 ");
    EXPECT_EQ(Pending(), std::vector<std::string>{});
}

// A kill between the writes of one change: what the next start finds and does.
TEST_F(History, StartAfterAKillKeepsCopiedTextsAndDeletesRemovedOnes) {
    StoreHistory(DataDir(), 4);
    Start();
    // Killed before the store step: the text was written, the index not.
    HistoryDeferSaves([] {});
    Capture("copied just before the kill");
    Rows rows = ListRows();
    Start();
    EXPECT_EQ(ListRows(), rows);
    EXPECT_EQ(HistoryLoadText(0), "copied just before the kill");
    EXPECT_EQ(StoredRows(), rows);
    // Killed after the index was written, before the files of removed items went.
    HistoryDeferSaves([] {});
    HistoryDeleteRange(1, 2);  // f0, f1
    sys::SetFaults([](int n) { return n > 5; });
    HistoryStoreStep();
    sys::SetFaults(nullptr);
    EXPECT_TRUE(fs::exists(Data("f1")));
    rows = ListRows();
    Start();
    EXPECT_EQ(ListRows(), rows);
    EXPECT_FALSE(fs::exists(Data("f0")));
    EXPECT_FALSE(fs::exists(Data("f1")));
    EXPECT_EQ(ItemFiles(), 3u);
    EXPECT_EQ(Pending(), std::vector<std::string>{});
    // A text cut short by the kill is not taken for the whole of it.
    HistoryDeferSaves([] {});
    sys::SetFaults([](int n) { return n >= 2; });
    Capture("cut short");
    sys::SetFaults(nullptr);
    Start();
    EXPECT_EQ(ListRows(), rows);
    EXPECT_EQ(ItemFiles(), 3u);
    EXPECT_EQ(Pending(), std::vector<std::string>{});
}

TEST_F(History, NewItemNeverTakesTheNameOfAFileThere) {
    Start();
    std::srand(7);
    std::string taken = RandomName(8);
    WriteFile(Data(taken), "not an item");
    std::srand(7);
    Capture("fresh");
    EXPECT_EQ(ReadFile(Data(taken)), "not an item");
    EXPECT_EQ(HistoryLoadText(0), "fresh");
}

TEST_F(History, FileInPlaceOfDataDirectory) {
    fs::remove_all(DataDir());
    WriteFile(DataDir(), "not mine");
    Start();
    Capture("a");
    Capture("b");
    ASSERT_EQ(HistoryCount(), 2u);
    EXPECT_EQ(HistoryItemText(0), "b");
    EXPECT_EQ(HistoryLoadText(0), "b");
    HistoryDeleteAll();
    HistoryCleanupOnExit();
    EXPECT_EQ(ReadFile(DataDir()), "not mine");
}

}  // namespace
