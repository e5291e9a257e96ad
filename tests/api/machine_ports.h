// Serial ports of a Windows NT machine, written where Windows keeps them:
// SerialController keys on the buses of the hardware description, and the
// serial driver's entries. Bus and entry names begin with
// kTestPortKeyPrefix, so that the clean state removes exactly these.
#pragma once
#include <string>

#include "harness/harness.h"
#include "harness/resources.h"

namespace cvxtest {

constexpr char kMultifunctionBuses[] = "Hardware\\DESCRIPTION\\System\\MultifunctionAdapter";
constexpr char kEisaBuses[] = "Hardware\\DESCRIPTION\\System\\EisaAdapter";

// Creates HKEY_LOCAL_MACHINE\path with its "Identifier" or "DosDevices" and, with a mouse, a
// pointing device below. The hardware description is volatile, and so must be every key below it.
inline void PutPortKey(const std::string &path, const char *name, const std::string &value, bool mouse)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (path + (mouse ? "\\PointerPeripheral\\0" : "")).c_str(), 0,
                                             nullptr, path.rfind("Hardware\\", 0) == 0 ? REG_OPTION_VOLATILE : 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_SZ, value.c_str(), DWORD(value.size() + 1)));
}

inline void PutController(const char *buses, const std::string &bus, const std::string &controller,
                          const std::string &identifier, bool mouse = false)
{
    PutPortKey(std::string(buses) + "\\" + kTestPortKeyPrefix + bus + "\\SerialController\\" + controller,
               "Identifier", identifier, mouse);
}

inline void PutSerialEntry(const std::string &entry, const std::string &dosDevices, bool mouse = false)
{
    PutPortKey(std::string("System\\CurrentControlSet\\Services\\Serial\\Parameters\\") + kTestPortKeyPrefix + entry,
               "DosDevices", dosDevices, mouse);
}

}  // namespace cvxtest
