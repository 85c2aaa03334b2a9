// Shared by both system implementations: the test hook that makes one file operation fail.
#pragma once

namespace sys {
// Every write, replace and delete asks here first, so a test can make any one of them fail.
bool Faulted();
}  // namespace sys
