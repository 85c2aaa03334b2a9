// Shared by both system implementations: the test hook that makes file operations fail.
#pragma once
#include <cstddef>

namespace sys {
// Every write, replace, delete and directory removal asks here first, so a test can
// make any of them fail.
bool Faulted();
// How many of `size` bytes a write puts on disk: all of them, or half, as a disk that
// fills up would, when the write is one a test made fail.
inline size_t BytesToWrite(size_t size, bool fault) { return fault ? size / 2 : size; }
}  // namespace sys
