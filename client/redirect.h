// Client port redirection: which local COM port numbers lead to which
// shared line or pool, kept in sections CLIENT and DESC of CVEX.INI. Each
// operation that reads the file takes its path (GetServerConfigFile) last.
#pragma once
#include <windows.h>

#include "client/portable/portlist.h"

namespace cvx {

constexpr DWORD kMaxRedirectedPorts = portable::kMaxRedirectedPorts;
// Room for "COM%uDEST" and "Port%uDesc" with any 32-bit number.
constexpr size_t kPortKeySize = 24;
// A destination is a share or pool name of up to 16 characters.
constexpr DWORD kDestinationSize = 17;

// The port number of a name such as COM3 (0 or below: none). When it is 1
// or more and key is given, key (kPortKeySize bytes) receives COM<n>DEST.
LONG GetPortDestKey(const char *portName, char *key);
// 1 when the port's COM<n>DEST is not empty.
BOOL IsPortRedirected(const char *portName, const char *file);
// 1 when the port's COM<n>DEST equals destination, ignoring case.
BOOL IsPortRedirectedTo(const char *portName, const char *destination, const char *file);
// Points the port at newDestination when it points at oldDestination.
void RenamePortRedirection(const char *portName, const char *oldDestination, const char *newDestination,
                           const char *file);
// The numbers of REDIRECTPORTS in list order; returns how many were stored.
DWORD ReadRedirectedPorts(DWORD ports[kMaxRedirectedPorts], const char *file);
// Adds (add nonzero) or removes a number of REDIRECTPORTS; removing the
// last one deletes section CLIENT. 0 when the list is full or a write fails.
BOOL UpdateRedirectedPorts(DWORD port, BOOL add, const char *file);

}  // namespace cvx
