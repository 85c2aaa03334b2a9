// What the running program leaves on disk when another program gets in its way.
#include <filesystem>

#include "app/identifiers.h"
#include "app/startup.h"
#include "history/history_list.h"
#include "settings/paths.h"
#include "tests/shell/shell_fixture.h"

namespace fs = std::filesystem;

namespace {

class StoreTest : public HistoryWindowTest {
protected:
    void Exit() {
        quitSeen = false;
        Command(IDM_EXIT);
        EXPECT_TRUE(PumpUntil([] { return quitSeen; }));
        ShutDown();
        UnregisterClassA(HISTORY_WINDOW_CLASS, GetModuleHandleA(nullptr));
        window = nullptr;
    }
    HANDLE OpenIndex(DWORD share) {
        return CreateFileA(DataFile("__reg__").c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
};

DWORD WINAPI CloseSoon(void* handle) {
    Sleep(500);
    CloseHandle(handle);
    return 0;
}

// Keep until Exit: no text of the history is left once the program has ended, also while
// another program (a backup, a search indexer) reads the index.
TEST_F(StoreTest, KeepUntilExitLeavesNoTextWhileTheIndexIsRead) {
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const struct {
        const char* reader;
        DWORD share;
        bool letsGo;
    } readers[] = {{"shares all and lets go", all, true},
                   {"refuses deletes and lets go", FILE_SHARE_READ | FILE_SHARE_WRITE, true},
                   {"refuses deletes and writes, and holds on", FILE_SHARE_READ, false}};
    std::string data = JoinPath(dir, "Hoardium.data");
    for (const auto& r : readers) {
        SCOPED_TRACE(r.reader);
        Start("KeepPolicy = 2\r\n");
        Copy("secret one");
        Copy("secret two");
        ExpectStoreMatchesRows();
        HANDLE reader = OpenIndex(r.share);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        HANDLE closer = r.letsGo ? CreateThread(nullptr, 0, CloseSoon, reader, 0, nullptr) : nullptr;
        Exit();
        if (closer) {
            WaitForSingleObject(closer, 5000);
            CloseHandle(closer);
            EXPECT_FALSE(fs::exists(data));
            continue;
        }
        // The held index is all that is left, and it no longer lists the texts.
        EXPECT_EQ(ItemFileCount(), 0);
        CloseHandle(reader);
        Start("KeepPolicy = 2\r\n");
        EXPECT_EQ(HistoryCount(), 0u);
        Exit();
        EXPECT_FALSE(fs::exists(data));
    }
}

}  // namespace
