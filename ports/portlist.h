// The machine's serial ports as the registry describes them, and the
// per-process port list that joins them with the server's lines and the
// client's redirections.
#pragma once
#include <windows.h>

#include <functional>

namespace cvx {

// Receives one port of a walk: its name, its description (null: none) and
// its start flags (PORTF_*).
using PortAdder = std::function<void(const char *name, const char *description, DWORD flags)>;

// Windows NT: the "SerialController" keys of the MultifunctionAdapter and
// EisaAdapter buses of the hardware description ("Identifier"), then the
// serial driver's "Parameters" ("DosDevices"), in registry order; a
// controller with a "PointerPeripheral" is passed over.
void WalkHardwarePorts(const PortAdder &add);

// Windows 95: every instance of the device tree under "Enum" whose
// "PortName" begins with COM, described by its "FRIENDLYNAME" when it has
// one; PORTF_REDIRECTED alone for a port the product created.
void WalkDeviceTree(const PortAdder &add);

// Windows 95: the "CVXOrgName" (the friendly name from before the port was
// handed to the redirector) of the first instance whose "PortName" is
// portName, read into text with a limit of 256 bytes. FALSE when there is
// none; text may then hold anything.
BOOL ReadSavedFriendlyName(const char *portName, char *text);

}  // namespace cvx
