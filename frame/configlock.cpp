#include "frame/configlock.h"

#include <cstdlib>

namespace cvx {
namespace {

// Per-thread nesting depth: only the outermost export takes the mutex.
thread_local int t_depth;

HANDLE ConfigMutex()
{
    static HANDLE mutex = [] {
        // A test switch, read once per process, shows what the lock prevents.
        char off[8] = "";
        if (GetEnvironmentVariableA("CVX_NO_CONFIG_LOCK", off, sizeof off) && off[0] == '1')
            return static_cast<HANDLE>(nullptr);
        return CreateMutexA(nullptr, FALSE, ConfigLock::kMutexName);
    }();
    return mutex;
}

}  // namespace

ConfigLock::ConfigLock()
{
    outermost_ = t_depth++ == 0;
    if (!outermost_) return;
    HANDLE mutex = ConfigMutex();
    if (!mutex) return;
    DWORD rc = WaitForSingleObject(mutex, kWaitMs);
    // An abandoned wait still gives ownership, which must be given back.
    held_ = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

ConfigLock::~ConfigLock()
{
    --t_depth;
    if (held_) ReleaseMutex(ConfigMutex());
}

}  // namespace cvx
