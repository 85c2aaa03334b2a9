#include "platform/fault_injection.h"

#include "platform/system.h"

namespace sys {

namespace {
int operations, failAt;
}  // namespace

bool Faulted() { return failAt > 0 && ++operations == failAt; }

size_t BytesToWrite(const FilePieces& pieces, bool fault) {
    size_t total = 0;
    for (std::string_view piece : pieces) total += piece.size();
    return fault ? total / 2 : total;
}

void FailNthOperation(int n) {
    failAt = n;
    operations = 0;
}

int OperationCount() { return operations; }

}  // namespace sys
