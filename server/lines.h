// Shared lines: the sections LINE1 to LINE<LINES> of CVEX.INI, counted by
// SERVER LINES. A line names its port (PORTNAME), its share name (NAME) and
// its transmit set (TRANSMIT); groups name lines by share name. Line numbers
// are positions: removing a line moves the later ones down.
//
// Every operation that reads the file takes its path (GetServerConfigFile)
// last.
#pragma once
#include <windows.h>

#include <cstdint>

#include "cvxutil.h"

namespace cvx {

// Room for "LINE" and any 32-bit number.
constexpr size_t kLineSectionSize = 16;
// Share names and pool names hold at most 16 characters, port names 39.
constexpr DWORD kShareNameSize = 17;
constexpr DWORD kPortNameSize = 40;
// A line's NAME is read up to 39 characters where it is compared, so that a
// longer hand-written name is not taken for a shorter one.
constexpr DWORD kComparedNameSize = 40;

// "LINE<number>" into section (kLineSectionSize bytes).
void LineSectionName(char *section, DWORD number);

// Number (1 to LINES) of the line whose PORTNAME equals portName without
// regard to case, or 0. section (kLineSectionSize bytes, may be null)
// receives "LINE<n>" of the line found.
UINT FindLineByPort(const char *portName, char *section, const char *file);

// Stores params into a line section and its serial settings into the line's
// transmit set, creating the set when the section names none that exists.
// Nonzero only when all six line keys were written; the set is written
// either way.
BOOL WriteLineSection(const char *section, const SharedPortParams *params, const char *file);

// The line keys of a section into params (zeroed first); the serial
// settings are left zero.
void ReadLineSection(const char *section, SharedPortParams *params, const char *file);

// Overlays the FLOW, ALPARS and (after a complete ALPARS) TRIGGERS of a
// transmit set's section on the settings already in config.
void ReadTransmitParams(const char *setSection, PortConfig *config, const char *file);

// A string of the resource module into buffer (size bytes, cut to fit);
// empty when it or the module is missing.
void LoadModuleString(UINT id, char *buffer, int size);

// The port number of a name such as COM3 (the number after its first three
// characters, as atol reads it), cut to 16 bits as the port list keeps it.
uint16_t PortNumber16(const char *portName);

}  // namespace cvx
