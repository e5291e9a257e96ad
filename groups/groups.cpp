// Groups of shared lines: finding a group, its line list, and adding,
// deleting and purging groups. Group sections stay numbered densely from 1;
// every removal moves the later sections down.
#include "groups/groups.h"

#include <cstdio>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"
#include "server/sections.h"

namespace cvx {
namespace {

constexpr char kServer[] = "SERVER";

bool IsLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

void GroupSection(char *section, DWORD number)
{
    std::snprintf(section, kGroupSectionSize, "GROUP%lu", static_cast<unsigned long>(number));
}

void WriteGroupCount(DWORD count, const char *file)
{
    char text[12];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(count));
    WriteProfileText(kServer, "GROUPS", text, file);
}

bool HasLines(const char *section, const char *file)
{
    char lines[kLineListSize];
    ReadGroupLines(section, lines, sizeof lines, file);
    return lines[0] != '\0';
}

// The checks a group name passes before it is stored: longer names would
// never be found again.
bool IsStorableGroupName(const char *name) { return !kor::IsEmptyString(name) && kor::StringSize(name) <= kGroupNameSize; }

}  // namespace

DWORD CountGroups(const char *file) { return ReadListCount(kServer, "GROUPS", "GROUP", CountSign::Unsigned, file); }

DWORD CountLines(const char *file) { return ReadListCount(kServer, "LINES", "LINE", CountSign::Signed, file); }

UINT FindGroup(const char *name, char *section, const char *file)
{
    if (kor::IsEmptyString(name)) return 0;
    DWORD count = CountGroups(file);
    for (DWORD i = 1; i <= count; ++i) {
        char candidate[kGroupSectionSize], groupName[kGroupNameSize];
        GroupSection(candidate, i);
        if (!ReadProfileText(candidate, "NAME", "", groupName, sizeof groupName, file)) continue;
        if (kor::CompareNoCase(groupName, name) == 0) {
            if (section) kor::CopyStringLimited(candidate, section, kGroupSectionSize);
            return i;
        }
    }
    return 0;
}

LineListParse ParseLineList(const char *text, char *list, size_t size)
{
    return portable::ParseLineList(text, list, size, IsLeadByte);
}

DWORD ReadGroupLines(const char *section, char *list, DWORD size, const char *file)
{
    if (!kor::MultiSzInit(list, size)) return ERROR_INSUFFICIENT_BUFFER;
    char text[kLineListSize];
    if (!ReadProfileText(section, "LINES", "", text, sizeof text, file)) return ERROR_SUCCESS;
    return ParseLineList(text, list, size) == LineListParse::Full ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS;
}

DWORD WriteGroupLines(const char *section, const char *list, const char *file)
{
    char text[kLineListSize];
    int count = FormatLineList(list, text, sizeof text);
    if (count == portable::kLineListTooLong) return ERROR_INSUFFICIENT_BUFFER;
    if (count < 0) return ERROR_INVALID_PARAMETER;
    if (!WriteProfileText(section, "LINES", count ? text : nullptr, file)) return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace cvx

using namespace cvx;

extern "C" DWORD WINAPI CVU_AddGroupA(LPCSTR name, LPCSTR lines, BOOL replace)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return GetLastError();
    if (!IsStorableGroupName(name)) return ERROR_INVALID_PARAMETER;
    // Lines that cannot be stored are refused before anything is written.
    char text[kLineListSize];
    int refused = FormatLineList(lines, text, sizeof text);
    if (refused == portable::kLineListTooLong) return ERROR_INSUFFICIENT_BUFFER;
    if (refused < 0) return ERROR_INVALID_PARAMETER;

    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    if (FindGroup(name, section, file))
        return replace ? call.FinishCode(WriteGroupLines(section, lines, file)) : ERROR_SUCCESS;

    DWORD number = CountGroups(file) + 1;
    GroupSection(section, number);
    // A section beyond the count is left over from an interrupted deletion;
    // the new group must not inherit its keys.
    WriteProfileText(section, nullptr, nullptr, file);
    if (!WriteProfileText(section, "NAME", name, file)) return GetLastError();
    WriteGroupLines(section, lines, file);
    WriteGroupCount(number, file);
    return call.FinishCode(ERROR_SUCCESS);
}

extern "C" DWORD WINAPI CVU_DeleteGroupA(LPCSTR name)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return GetLastError();
    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    UINT number = FindGroup(name, section, file);
    if (!number) return ERROR_INVALID_PARAMETER;

    DWORD count = CountGroups(file);
    WriteProfileText(section, nullptr, nullptr, file);
    for (DWORD j = number; j < count; ++j) {
        char to[kGroupSectionSize], from[kGroupSectionSize];
        GroupSection(to, j);
        GroupSection(from, j + 1);
        MoveProfileSection(from, to, file);
    }
    WriteGroupCount(count - 1, file);
    return call.FinishCode(ERROR_SUCCESS);
}

extern "C" DWORD WINAPI CVU_PurgeEmptyGroups(void)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return GetLastError();
    const char *file = GetServerConfigFile();
    DWORD count = CountGroups(file);
    DWORD kept = 0;
    for (DWORD i = 1; i <= count; ++i) {
        char section[kGroupSectionSize];
        GroupSection(section, i);
        if (!HasLines(section, file)) {
            WriteProfileText(section, nullptr, nullptr, file);
            continue;
        }
        if (++kept == i) continue;
        char to[kGroupSectionSize];
        GroupSection(to, kept);
        MoveProfileSection(section, to, file);
    }
    if (kept != count) WriteGroupCount(kept, file);
    return call.FinishCode(ERROR_SUCCESS);
}
