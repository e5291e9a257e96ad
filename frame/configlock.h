// One named mutex for CVEX.INI, held by every export that reads and then
// writes the file, so that processes that change the configuration at the
// same moment never leave it half renumbered.
#pragma once
#include <windows.h>

namespace cvx {

// Taken once by the outermost export; nested exports on the same thread
// pass through. A wait that times out or finds the mutex abandoned lets the
// call go on as it would without the lock: a stuck or dead holder must not
// stop configuration changes for good.
class ConfigLock {
public:
    ConfigLock();
    ~ConfigLock();
    ConfigLock(const ConfigLock &) = delete;
    ConfigLock &operator=(const ConfigLock &) = delete;

    // How long an export waits for another process's change to finish.
    static constexpr DWORD kWaitMs = 10000;
    static constexpr char kMutexName[] = "CVX_ConfigFileLock";

private:
    bool outermost_ = false;
    bool held_ = false;
};

}  // namespace cvx
