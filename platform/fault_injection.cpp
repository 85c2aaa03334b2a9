#include "platform/fault_injection.h"

#include "platform/system.h"

namespace sys {

namespace {
int operations, failAt;
}  // namespace

bool Faulted() { return failAt > 0 && ++operations == failAt; }

void FailNthOperation(int n) {
    failAt = n;
    operations = 0;
}

int OperationCount() { return operations; }

}  // namespace sys
