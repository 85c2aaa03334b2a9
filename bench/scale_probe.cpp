// Times the program end to end from the Windows side of the same machine:
// start-up, captures, a move to the top, a delete, a Delete All and Exit against a
// prepared history, each beside the cost of one plain read or write of the index's bytes.
//
//   scale_probe <Hoardium.exe> <rows> <captures> [<Hoardium.exe> over no history]
//
// Prints key=value lines (times in milliseconds, sizes in bytes) for bench/scale.sh.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kClass = "KeepallHistoryWinClass";
const int kListId = 40;
const UINT kPrivateMessage = 0x0400;
const LPARAM kDeleteRow = 667;
const WPARAM kExitCommand = 921;
const WPARAM kDeleteAllCommand = 923;

double Now() {
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

uint32_t Djb2(const std::string& s) {
    uint32_t h = 5381;
    for (char c : s) h = h * 33 + uint32_t(int(static_cast<signed char>(c)));
    return h;
}

bool ReadAll(const std::string& path, std::string* out) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(f, nullptr);
    out->resize(size);
    DWORD got = 0;
    bool ok = size == 0 || (ReadFile(f, &(*out)[0], size, &got, nullptr) && got == size);
    CloseHandle(f);
    return ok;
}

// A program that starts has no memory to read into yet, and under Wine the first
// touch of each fresh page costs as much again as the read itself; so the floor of
// start-up reads into a block just allocated, as the program has to.
bool ReadIntoFresh(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(f, nullptr);
    char* block = new char[size ? size : 1];
    DWORD got = 0;
    bool ok = size == 0 || (ReadFile(f, block, size, &got, nullptr) && got == size);
    CloseHandle(f);
    delete[] block;
    return ok;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
    return CloseHandle(f) && ok;
}

// The first record's first line, "name hash time", or empty while the file is
// between versions.
std::string FirstHead(const std::string& index) {
    HANDLE f = CreateFileA(index.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    char buf[64];
    DWORD got = 0;
    ReadFile(f, buf, sizeof buf, &got, nullptr);
    CloseHandle(f);
    std::string s(buf, got);
    size_t cr = s.find('\r');
    return cr == std::string::npos ? std::string() : s.substr(0, cr);
}

std::string HeadName(const std::string& head) { return head.substr(0, head.find(' ')); }
std::string HeadHash(const std::string& head) {
    size_t a = head.find(' ');
    if (a == std::string::npos) return std::string();
    size_t b = head.find(' ', a + 1);
    return head.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
}

// Polls the index file until its first record satisfies the test; the time it
// took, or -1 after the deadline.
// The file is opened only when its size or time has changed: an open index cannot be
// replaced, and a probe that held it open every millisecond would hold up the saves
// it is timing.
template <class Test>
double WaitForFirst(const std::string& index, double start, double limitMs, Test test) {
    WIN32_FILE_ATTRIBUTE_DATA seen = {};
    for (;;) {
        WIN32_FILE_ATTRIBUTE_DATA now = {};
        GetFileAttributesExA(index.c_str(), GetFileExInfoStandard, &now);
        bool changed = std::memcmp(&now.ftLastWriteTime, &seen.ftLastWriteTime, sizeof now.ftLastWriteTime) != 0 ||
                       now.nFileSizeLow != seen.nFileSizeLow;
        seen = now;
        if (changed && test(FirstHead(index))) return Now() - start;
        if (Now() - start > limitMs) return -1;
        Sleep(1);
    }
}

bool PutText(const std::string& text) {
    for (int attempt = 0; attempt < 2000; attempt++) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
            char* p = static_cast<char*>(GlobalLock(block));
            memcpy(p, text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            bool ok = SetClipboardData(CF_TEXT, block) != nullptr;
            CloseClipboard();
            return ok;
        }
        Sleep(1);
    }
    return false;
}

// While the program works, a second thread keeps asking it a trivial question
// and records the longest wait for an answer.
struct Watcher {
    HWND window = nullptr;
    volatile LONG stop = 0;
    volatile LONG reset = 0;
    double longest = 0;
    HANDLE thread = nullptr;

    static DWORD WINAPI Run(void* self) {
        Watcher* w = static_cast<Watcher*>(self);
        while (!w->stop) {
            if (InterlockedExchange(&w->reset, 0)) w->longest = 0;
            double t = Now();
            DWORD_PTR r;
            SendMessageTimeoutA(w->window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r);
            w->longest = std::max(w->longest, Now() - t);
            Sleep(2);
        }
        return 0;
    }
    void Start(HWND h) {
        window = h;
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    double TakeLongest() {
        double v = longest;
        InterlockedExchange(&reset, 1);
        return v;
    }
    void Stop() {
        stop = 1;
        WaitForSingleObject(thread, 15000);
    }
};

PROCESS_MEMORY_COUNTERS MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS m;
    ZeroMemory(&m, sizeof m);
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(process, &m, sizeof m)) m.cb = 0;
    return m;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// What a list view costs for this many rows of this many bytes, measured in a
// list of our own: the program's list holds its own copy of every row's text.
size_t ListControlCost(int rows, size_t textBytes) {
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&icc);
    HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    HWND list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, parent, nullptr,
                              nullptr, nullptr);
    LVCOLUMNA c = {};
    c.mask = LVCF_WIDTH | LVCF_SUBITEM;
    c.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, LPARAM(&c));
    c.iSubItem = 1;
    SendMessageA(list, LVM_INSERTCOLUMNA, 1, LPARAM(&c));
    PROCESS_MEMORY_COUNTERS before = MemoryOf(GetCurrentProcess());
    std::string text(textBytes, 'x');
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < rows; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>("");
        int at = int(SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item)));
        item.iItem = at;
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list, LVM_SETITEMA, 0, LPARAM(&item));
    }
    PROCESS_MEMORY_COUNTERS after = MemoryOf(GetCurrentProcess());
    DestroyWindow(parent);
    return after.PagefileUsage > before.PagefileUsage ? after.PagefileUsage - before.PagefileUsage : 0;
}

struct Started {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    double windowAt = -1, startup = -1;
};

// From process start until the window exists and its list holds every row.
Started Start(const std::string& exe, int rows) {
    Started s;
    std::string dir = exe.substr(0, exe.find_last_of("\\/") + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"";
    double t0 = Now();
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &s.process))
        return s;
    HWND list = nullptr;
    while (Now() - t0 < 300000) {
        if (!s.window) {
            s.window = FindWindowA(kClass, nullptr);
            if (s.window) s.windowAt = Now() - t0;
        }
        if (s.window && !list) list = GetDlgItem(s.window, kListId);
        if (list) {
            DWORD_PTR count = 0;
            if (SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 60000, &count) && int(count) >= rows) {
                s.startup = Now() - t0;
                break;
            }
        }
        Sleep(1);
    }
    return s;
}

void Stop(Started& s) {
    Sleep(300);
    PostMessageA(s.window, WM_COMMAND, kExitCommand, 0);
    WaitForSingleObject(s.process.hProcess, 120000);
    CloseHandle(s.process.hProcess);
    CloseHandle(s.process.hThread);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: scale_probe <Hoardium.exe> <rows> <captures> [<Hoardium.exe> over no history]\n");
        return 2;
    }
    std::string exe = argv[1];
    int rows = std::atoi(argv[2]);
    int captures = std::atoi(argv[3]);
    std::string emptyExe = argc > 4 ? argv[4] : "";
    std::string dir = exe.substr(0, exe.find_last_of("\\/") + 1);
    std::string dataDir = dir + "Hoardium.data\\";
    std::string index = dataDir + "__reg__";
    std::string scratch = dir + "plain.bin";

    PROCESS_MEMORY_COUNTERS own = MemoryOf(GetCurrentProcess());
    std::printf("idle_process_ws=%lu\n", (unsigned long)own.WorkingSetSize);

    // The floor: the same bytes through one plain read and one plain write.
    std::string bytes;
    std::vector<double> reads, writes;
    for (int k = 0; k < 5; k++) {
        double t = Now();
        if (!ReadAll(index, &bytes)) { std::printf("error=no index file\n"); return 1; }
        reads.push_back(Now() - t);
    }
    for (int k = 0; k < 5; k++) {
        double t = Now();
        WriteAll(scratch, bytes);
        writes.push_back(Now() - t);
    }
    DeleteFileA(scratch.c_str());
    std::vector<double> freshReads, newFiles;
    for (int k = 0; k < 5; k++) {
        double t = Now();
        ReadIntoFresh(index);
        freshReads.push_back(Now() - t);
    }
    // What the folder itself costs a capture: one new file of a display text's size
    // under a name not there yet (under Wine that name is first searched for among
    // every file of the folder).
    for (int k = 0; k < 5; k++) {
        std::string name = dataDir + "zzprobe" + std::to_string(k) + std::to_string(GetTickCount());
        double t = Now();
        HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD put = 0;
        if (f != INVALID_HANDLE_VALUE) {
            WriteFile(f, bytes.data(), 200, &put, nullptr);
            CloseHandle(f);
        }
        newFiles.push_back(Now() - t);
        DeleteFileA(name.c_str());
    }
    std::printf("index_bytes=%lu\nplain_read=%.3f\nplain_read_warm=%.3f\nnew_file=%.3f\n", (unsigned long)bytes.size(),
                Median(freshReads), Median(reads), Median(newFiles));

    // The record half-way down, to be copied again later, and its display bytes.
    size_t displayBytes = 0;
    std::string oldName, oldHash;
    {
        size_t pos = 0;
        for (int r = 0; pos < bytes.size(); r++) {
            size_t e1 = bytes.find("\r\n", pos);
            size_t e2 = bytes.find("\r\n", e1 + 2);
            if (e1 == std::string::npos || e2 == std::string::npos) break;
            if (r == rows / 2) {
                std::string head = bytes.substr(pos, e1 - pos);
                oldName = HeadName(head);
                oldHash = HeadHash(head);
            }
            displayBytes += e2 - e1 - 2;
            pos = e2 + 2;
        }
    }
    std::printf("display_bytes=%lu\n", (unsigned long)displayBytes);
    std::string oldText;
    ReadAll(dataDir + oldName, &oldText);

    // The floor of start-up itself: the same program over an empty history; whatever
    // this costs is Wine's start of a process and a window. Wine's own start drifts by
    // a hundred milliseconds and more from one minute to the next, so the starts come
    // in pairs, one of each kind back to back, the order turning from pair to pair; what
    // the history adds is the median of the pairs' differences. The last full start is
    // left running for the rest.
    std::vector<double> emptyStarts, starts, added;
    Started started;
    const int pairs = 6;
    for (int k = 0; k < pairs; k++) {
        double empty = -1;
        auto startEmpty = [&] {
            if (emptyExe.empty()) return;
            Started e = Start(emptyExe, 0);
            if (e.startup >= 0) emptyStarts.push_back(empty = e.startup);
            Stop(e);
        };
        bool last = k == pairs - 1;
        bool emptyFirst = k % 2 == 0 || last;
        if (emptyFirst) startEmpty();
        started = Start(exe, rows);
        if (started.startup < 0) break;
        starts.push_back(started.startup);
        if (!last) Stop(started);
        if (!emptyFirst) startEmpty();
        if (empty >= 0) added.push_back(started.startup - empty);
    }
    if (!emptyStarts.empty())
        std::printf("startup_empty=%.3f\nstartup_added=%.3f\n", Median(emptyStarts), Median(added));
    PROCESS_INFORMATION pi = started.process;
    HWND window = started.window;
    std::printf("window_at=%.3f\nstartup=%.3f\n", started.windowAt, Median(starts));
    if (started.startup < 0) { std::printf("error=list never full\n"); return 1; }
    Sleep(500);

    Watcher watcher;
    watcher.Start(window);
    Sleep(50);
    watcher.TakeLongest();

    // Captures: new text on the clipboard until the index's first record is it.
    std::vector<double> times;
    double stall = 0;
    for (int i = 0; i < captures; i++) {
        char tag[64];
        std::snprintf(tag, sizeof tag, "scale probe capture %d of %d rows %lu ", i, rows, GetTickCount());
        std::string text = std::string(tag) + std::string(200 - std::strlen(tag), 'c');
        std::string want = std::to_string(Djb2(text));
        double t = Now();
        if (!PutText(text)) { std::printf("error=clipboard\n"); break; }
        double d = WaitForFirst(index, t, 60000, [&](const std::string& h) { return HeadHash(h) == want; });
        if (d < 0) { std::printf("error=capture %d never reached the file\n", i); break; }
        times.push_back(d);
        std::fprintf(stderr, "capture %d: %.1f ms\n", i, d);
        Sleep(30);
        stall = std::max(stall, watcher.TakeLongest());
        // The disk's own pace drifts as it flushes; a plain write after every capture
        // keeps the floor in step with the captures it is compared with.
        double w = Now();
        WriteAll(scratch, bytes);
        writes.push_back(Now() - w);
        Sleep(30);
        watcher.TakeLongest();
    }
    DeleteFileA(scratch.c_str());
    std::printf("plain_write=%.3f\nplain_write_worst=%.3f\n", Median(writes),
                *std::max_element(writes.begin(), writes.end()));
    std::printf("captures=%u\ncapture_median=%.3f\ncapture_worst=%.3f\ncapture_stall=%.3f\n", unsigned(times.size()),
                Median(times), times.empty() ? -1 : *std::max_element(times.begin(), times.end()), stall);

    // A move to the top: the old text copied again.
    double move = -1;
    if (!oldText.empty()) {
        double t = Now();
        PutText(oldText);
        move = WaitForFirst(index, t, 60000, [&](const std::string& h) { return HeadName(h) == oldName; });
        Sleep(30);
    }
    std::printf("move=%.3f\nmove_stall=%.3f\n", move, watcher.TakeLongest());

    // A delete of the top row: the index's first record becomes the one after it.
    std::string expectNext;
    {
        std::string now;
        ReadAll(index, &now);
        size_t e1 = now.find("\r\n"), e2 = now.find("\r\n", e1 + 2);
        expectNext = HeadName(now.substr(e2 + 2, now.find("\r\n", e2 + 2) - e2 - 2));
    }
    double t = Now();
    DWORD_PTR r;
    SendMessageTimeoutA(window, kPrivateMessage, 0, kDeleteRow, SMTO_NORMAL, 60000, &r);
    double del = WaitForFirst(index, t, 60000, [&](const std::string& h) { return HeadName(h) == expectNext; });
    Sleep(30);
    std::printf("delete=%.3f\ndelete_stall=%.3f\n", del, watcher.TakeLongest());

    // Delete All: until the index is empty and the store has no files left to delete
    // (it lists them while it deletes them); the window has to keep answering meanwhile.
    std::string deleteList = dataDir + "__pending__\\deleting";
    double all = -1;
    t = Now();
    PostMessageA(window, WM_COMMAND, kDeleteAllCommand, 0);
    while (Now() - t < 600000) {
        WIN32_FILE_ATTRIBUTE_DATA a;
        bool listed = GetFileAttributesExA(deleteList.c_str(), GetFileExInfoStandard, &a);
        bool empty = GetFileAttributesExA(index.c_str(), GetFileExInfoStandard, &a) && a.nFileSizeLow == 0;
        if (empty && !listed) {
            all = Now() - t;
            break;
        }
        Sleep(20);
    }
    std::printf("delete_all=%.3f\ndelete_all_stall=%.3f\n", all, watcher.TakeLongest());
    watcher.Stop();

    PROCESS_MEMORY_COUNTERS mem = MemoryOf(pi.hProcess);
    if (mem.cb)
        std::printf("peak_ws=%lu\npeak_pagefile=%lu\n", (unsigned long)mem.PeakWorkingSetSize,
                    (unsigned long)mem.PeakPagefileUsage);
    std::fflush(stdout);

    // Exit: the menu command until the process has ended.
    t = Now();
    PostMessageA(window, WM_COMMAND, kExitCommand, 0);
    double exitTime = WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0 ? Now() - t : -1;
    std::printf("exit=%.3f\n", exitTime);

    std::printf("list_cost=%lu\n", (unsigned long)ListControlCost(rows, displayBytes / (rows ? rows : 1)));
    return 0;
}
