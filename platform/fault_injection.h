// Shared by both system implementations: the test hook that makes one file operation fail.
#pragma once
#include <cstddef>

#include "platform/system.h"

namespace sys {
// Every write, replace and delete asks here first, so a test can make any one of them fail.
bool Faulted();
// How many of the pieces' bytes a write puts on disk: all of them, or half, as a disk
// that fills up would, when the write is the one a test made fail.
size_t BytesToWrite(const FilePieces& pieces, bool fault);
}  // namespace sys
