// Windows 95 port driver conversion: hands a COM port's device to the
// product's redirector driver "CVRRDIR.VXD" and back, creates root-enumerated
// ports for numbers the machine lacks, and cleans every conversion up. All
// keys lie under HKEY_LOCAL_MACHINE; a device entry is an instance key
// Enum\<enumerator>\<device>\<instance>, its driver key
// System\CurrentControlSet\Services\Class\<class>\<nnnn>.
#pragma once
#include <windows.h>

namespace cvx {

// Room for a "%04u" instance name of any 32-bit number.
constexpr size_t kInstanceNameSize = 16;

// Converts the device whose "PortName" is portName (redirect nonzero), or
// undoes its conversion (zero). A name no device carries is created as a
// redirector port when redirecting. 0 when the conversion failed.
BOOL RedirectPortDriver(const char *portName, BOOL redirect);
// Marks the device entry and points its driver key at the redirector,
// saving the former driver and names once. 0 when the instance, its
// "Driver" value or its driver key cannot be had.
BOOL ConvertPortToRedirector(HKEY device, const char *instance, const char *portName);
// Undoes a conversion, or deletes a port the product created; 1 only when
// it deleted the instance.
BOOL RestorePortDriver(HKEY device, const char *instance);
// Creates Enum\Root\Ports\<nnnn> and Class\Ports\<mmmm> for portName; 1
// only when every value was written, else no new key stays.
BOOL CreateRedirectorPort(const char *portName);
// The first "%04u" name (0000, 0001, ...) that is not a subkey of key.
void FreeInstanceName(HKEY key, char name[kInstanceNameSize]);
// Undoes a conversion of the older scheme, or deletes a port it created; 1
// only when it deleted the instance.
BOOL CleanOlderSchemePort(HKEY device, const char *instance);

}  // namespace cvx
