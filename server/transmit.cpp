// Transmit sets: finding, creating and releasing the TRANSMIT<n> sections,
// and their trigger characters.
#include "server/transmit.h"

#include <cstdio>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"
#include "server/sections.h"

namespace cvx {
namespace {

constexpr char kCommon[] = "COMMON";
constexpr char kSetCount[] = "TRANSMITSETS";
constexpr char kSetPrefix[] = "TRANSMIT";
constexpr char kOwnerKey[] = "TRANSMIT";
constexpr char kClientSection[] = "SESSIONSPARMS";
// Set names and owner references are read up to 59 characters.
constexpr DWORD kNameSize = 60;
constexpr DWORD kTriggerValueSize = 200;

DWORD CountSets(const char *file)
{
    return ReadListCount(kCommon, kSetCount, kSetPrefix, CountSign::Unsigned, file);
}

void SetSectionName(char *section, DWORD number)
{
    std::snprintf(section, kTransmitSectionSize, "TRANSMIT%lu", static_cast<unsigned long>(number));
}

}  // namespace

UINT FindTransmitSet(const char *name, char *section, const char *file)
{
    if (kor::IsEmptyString(name)) return 0;
    char own[kTransmitSectionSize];
    if (!section) section = own;

    DWORD count = CountSets(file);
    for (DWORD i = 1; i <= count; ++i) {
        SetSectionName(section, i);
        char setName[kNameSize];
        ReadProfileText(section, "NAME", "", setName, sizeof setName, file);
        if (kor::CompareNoCase(setName, name) == 0) return i;
    }
    section[0] = '\0';
    return 0;
}

void CreateTransmitSet(const char *owner, char *section, const char *file)
{
    char own[kTransmitSectionSize];
    if (!section) section = own;

    DWORD number = CountSets(file) + 1;
    char name[kNameSize];
    for (DWORD k = number;; ++k) {
        std::snprintf(name, sizeof name, "TA%lu", static_cast<unsigned long>(k));
        if (!FindTransmitSet(name, nullptr, file)) break;
    }

    WriteProfileUInt(kCommon, kSetCount, number, file);
    SetSectionName(section, number);
    // A section beyond the count is left over from an interrupted release;
    // the new set must not inherit its keys.
    WriteProfileText(section, nullptr, nullptr, file);
    WriteProfileText(section, "NAME", name, file);
    if (!kor::IsEmptyString(owner)) WriteProfileText(owner, kOwnerKey, name, file);
}

void ReleaseTransmitSet(const char *name, const char *file)
{
    char section[kTransmitSectionSize];
    UINT number = FindTransmitSet(name, section, file);
    if (!number) return;

    // The caller's own reference is still in place: one user is the caller.
    UINT users = CountLinesUsingTransmitSet(name, file);
    char clientSet[kNameSize];
    ReadProfileText(kClientSection, kOwnerKey, "", clientSet, sizeof clientSet, file);
    if (kor::CompareNoCase(clientSet, name) == 0) ++users;
    if (users > 1) return;

    DWORD count = CountSets(file);
    if (!WriteProfileText(section, nullptr, nullptr, file)) return;
    for (DWORD j = number; j + 1 <= count; ++j) {
        char to[kTransmitSectionSize], from[kTransmitSectionSize];
        SetSectionName(to, j);
        SetSectionName(from, j + 1);
        MoveProfileSection(from, to, file);
    }
    WriteProfileUInt(kCommon, kSetCount, count ? count - 1 : 0, file);
}

uint16_t ReadTriggers(const char *section, uint8_t *triggers, const char *file)
{
    if (kor::IsEmptyString(section) || !triggers) return 0;
    char text[kTriggerValueSize];
    ReadProfileText(section, "TRIGGERS", "", text, sizeof text, file);
    return portable::ParseTriggers(text, triggers);
}

void WriteTriggers(const char *section, const uint8_t *triggers, uint16_t count, const char *file)
{
    if (kor::IsEmptyString(section)) return;
    char text[portable::kTriggerTextSize];
    if (!portable::FormatTriggers(triggers, count, text)) {
        WriteProfileText(section, "TRIGGERS", nullptr, file);
        return;
    }
    WriteProfileText(section, "TRIGGERS", text, file);
}

UINT CountLinesUsingTransmitSet(const char *name, const char *file)
{
    if (kor::IsEmptyString(name)) return 0;
    DWORD lines = ReadListCount("SERVER", "LINES", "LINE", CountSign::Signed, file);
    UINT users = 0;
    for (DWORD n = 1; n <= lines; ++n) {
        char section[16], setName[kNameSize];
        std::snprintf(section, sizeof section, "LINE%lu", static_cast<unsigned long>(n));
        ReadProfileText(section, kOwnerKey, "", setName, sizeof setName, file);
        if (setName[0] && kor::CompareNoCase(setName, name) == 0) ++users;
    }
    return users;
}

}  // namespace cvx
