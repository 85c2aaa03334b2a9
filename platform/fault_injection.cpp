#include "platform/fault_injection.h"

#include "platform/system.h"

namespace sys {

namespace {
int operations;
std::function<bool(int)> failing;
}  // namespace

bool Faulted() { return failing && failing(++operations); }

void SetFaults(std::function<bool(int)> fails) {
    failing = std::move(fails);
    operations = 0;
}

int OperationCount() { return operations; }

}  // namespace sys
