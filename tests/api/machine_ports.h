// Serial ports of a Windows NT machine, written where Windows keeps them:
// SerialController keys on the buses of the hardware description, and the
// serial driver's entries. Bus and entry names begin with
// kTestPortKeyPrefix, so that the clean state removes exactly these.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"

namespace cvxtest {

constexpr char kMultifunctionBuses[] = "Hardware\\DESCRIPTION\\System\\MultifunctionAdapter";
constexpr char kEisaBuses[] = "Hardware\\DESCRIPTION\\System\\EisaAdapter";
constexpr char kSerialEntries[] = "System\\CurrentControlSet\\Services\\Serial\\Parameters";

// Creates HKEY_LOCAL_MACHINE\path with one REG_SZ value. The hardware
// description is volatile, and so must be every key below it.
inline void PutPortKey(const std::string &path, const char *name, const std::string &value)
{
    DWORD options = path.rfind("Hardware\\", 0) == 0 ? REG_OPTION_VOLATILE : 0;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << path;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(key);
}

inline std::string TestKeyName(const std::string &name) { return kTestPortKeyPrefix + name; }

// A controller of a bus; with a mouse, a pointing device sits on the port.
inline void PutController(const char *buses, const std::string &bus, const std::string &controller,
                          const std::string &identifier, bool mouse = false)
{
    std::string path = std::string(buses) + "\\" + TestKeyName(bus) + "\\SerialController\\" + controller;
    PutPortKey(path, "Identifier", identifier);
    if (mouse) PutPortKey(path + "\\PointerPeripheral\\0", "Identifier", "MICROSOFT SERIAL MOUSE");
}

// An entry of the serial driver's parameters.
inline void PutSerialEntry(const std::string &entry, const std::string &dosDevices, bool mouse = false)
{
    std::string path = std::string(kSerialEntries) + "\\" + TestKeyName(entry);
    PutPortKey(path, "DosDevices", dosDevices);
    if (mouse) PutPortKey(path + "\\PointerPeripheral", "Identifier", "MICROSOFT SERIAL MOUSE");
}

inline std::string ModuleString(UINT id) { return ResourceString(id); }
inline std::string Formatted(UINT id, const std::string &value) { return ResourceFormatted(id, value); }

}  // namespace cvxtest
