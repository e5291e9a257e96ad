// Transmit sets: the numbered TRANSMIT<n> sections of CVEX.INI that hold the
// serial settings of a line (LINE<n> TRANSMIT) or of the client
// (SESSIONSPARMS TRANSMIT). Owners name a set by its NAME, never by its
// section number, so the renumbering after a release breaks no reference.
//
// Every operation takes the configuration file (GetServerConfigFile) last.
#pragma once
#include <windows.h>

#include <cstdint>

#include "server/portable/transmit_text.h"

namespace cvx {

// Size of the section-name buffers these operations fill.
constexpr size_t kTransmitSectionSize = 60;
using portable::kMaxTriggers;

// Section number (1 to TRANSMITSETS) of the set named name, compared without
// regard to case, or 0. On success section (kTransmitSectionSize bytes, may
// be null) holds "TRANSMIT<i>"; when the set is not found it is made empty,
// except for an empty name, which leaves it alone.
UINT FindTransmitSet(const char *name, char *section, const char *file);

// Appends a set with a name "TA<k>" that no set bears, and names it in the
// TRANSMIT key of owner's section. section receives the new set's section.
void CreateTransmitSet(const char *owner, char *section, const char *file);

// Deletes the set named name unless more than one owner (the caller's own
// reference included) names it; later sets move down one section.
void ReleaseTransmitSet(const char *name, const char *file);

// Trigger characters of a set (kMaxTriggers places); returns the count.
uint16_t ReadTriggers(const char *section, uint8_t *triggers, const char *file);

// Stores the first count trigger characters; none removes TRIGGERS.
void WriteTriggers(const char *section, const uint8_t *triggers, uint16_t count, const char *file);

// How many of the server's lines (LINE1 to LINE<LINES>) name the set.
UINT CountLinesUsingTransmitSet(const char *name, const char *file);

}  // namespace cvx
