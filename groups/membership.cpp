// Which lines are in which groups: the enumerations in both directions and
// the membership edits, one line or many at a time.
#include <cstdio>
#include <vector>

#include "frame/configstore.h"
#include "frame/frame.h"
#include "groups/groups.h"
#include "korutil/korutil.h"

namespace cvx {
namespace {

// A numbered list of sections whose NAME keys name its entries.
struct SectionList {
    const char *prefix;
    DWORD (*count)(const char *file);
};
constexpr SectionList kGroups{"GROUP", CountGroups};
constexpr SectionList kLines{"LINE", CountLines};

// The non-empty names of a list, in section order.
DWORD ListNames(const SectionList &kind, char *list, DWORD size, DWORD *count, const char *file)
{
    if (!kor::MultiSzInit(list, size)) return ERROR_INVALID_PARAMETER;
    DWORD sections = kind.count(file);
    for (DWORD i = 1; i <= sections; ++i) {
        char section[kGroupSectionSize], name[kGroupNameSize];
        std::snprintf(section, sizeof section, "%s%lu", kind.prefix, static_cast<unsigned long>(i));
        if (!ReadProfileText(section, "NAME", "", name, sizeof name, file)) continue;
        if (!kor::MultiSzAppend(name, list, size)) return ERROR_INSUFFICIENT_BUFFER;
        ++*count;
    }
    return ERROR_SUCCESS;
}

// All names of a list in a buffer of their own, large enough for all of
// them; with none, the buffer holds an empty list.
std::vector<char> FetchNames(const SectionList &kind, const char *file)
{
    std::vector<char> list(size_t(kind.count(file)) * kGroupNameSize + 2);
    DWORD count = 0;
    ListNames(kind, list.data(), DWORD(list.size()), &count, file);
    return list;
}

DWORD AppendAll(const char *entries, char *list, DWORD size, DWORD *count)
{
    for (const char *entry = entries; *entry; entry = kor::MultiSzNext(entry)) {
        if (!kor::MultiSzAppend(entry, list, size)) return ERROR_INSUFFICIENT_BUFFER;
        ++*count;
    }
    return ERROR_SUCCESS;
}

DWORD ListGroupsByLine(const char *line, bool holding, char *list, DWORD size, DWORD *count, const char *file)
{
    if (!kor::MultiSzInit(list, size)) return ERROR_INVALID_PARAMETER;
    // No group holds an empty name.
    bool named = !kor::IsEmptyString(line);
    DWORD groups = CountGroups(file);
    for (DWORD i = 1; i <= groups; ++i) {
        char section[kGroupSectionSize], name[kGroupNameSize], lines[kLineListSize];
        std::snprintf(section, sizeof section, "GROUP%lu", static_cast<unsigned long>(i));
        if (!ReadProfileText(section, "NAME", "", name, sizeof name, file)) continue;
        ReadGroupLines(section, lines, sizeof lines, file);
        if ((named && kor::MultiSzFind(line, lines) != nullptr) != holding) continue;
        if (!kor::MultiSzAppend(name, list, size)) return ERROR_INSUFFICIENT_BUFFER;
        ++*count;
    }
    return ERROR_SUCCESS;
}

DWORD ListLinesOfGroup(const char *group, char *list, DWORD size, DWORD *count, const char *file)
{
    if (!kor::MultiSzInit(list, size)) return ERROR_INVALID_PARAMETER;
    char section[kGroupSectionSize], lines[kLineListSize];
    if (!FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    ReadGroupLines(section, lines, sizeof lines, file);
    return AppendAll(lines, list, size, count);
}

DWORD ListLinesNotInGroup(const char *group, char *list, DWORD size, DWORD *count, const char *file)
{
    char section[kGroupSectionSize], members[kLineListSize];
    if (!FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    if (!kor::MultiSzInit(list, size)) return ERROR_INVALID_PARAMETER;
    ReadGroupLines(section, members, sizeof members, file);
    // Filtered before it reaches the caller, so that the buffer need only
    // hold the lines that are left.
    std::vector<char> lines = FetchNames(kLines, file);
    for (const char *member = members; *member; member = kor::MultiSzNext(member))
        if (char *found = kor::MultiSzFind(member, lines.data())) kor::MultiSzRemove(found);
    return AppendAll(lines.data(), list, size, count);
}

// ---- membership edits ----

DWORD AddLineToSection(const char *section, const char *line, const char *file)
{
    char lines[kLineListSize];
    ReadGroupLines(section, lines, sizeof lines, file);
    if (kor::MultiSzFind(line, lines)) return ERROR_SUCCESS;
    if (!kor::MultiSzAppend(line, lines, sizeof lines)) return ERROR_INSUFFICIENT_BUFFER;
    return WriteGroupLines(section, lines, file);
}

DWORD RemoveLineFromSection(const char *section, const char *line, const char *file)
{
    char lines[kLineListSize];
    ReadGroupLines(section, lines, sizeof lines, file);
    char *found = kor::MultiSzFind(line, lines);
    if (!found) return ERROR_SUCCESS;
    kor::MultiSzRemove(found);
    return WriteGroupLines(section, lines, file);
}

DWORD AddLine(const char *group, const char *line, const char *file)
{
    char section[kGroupSectionSize];
    if (kor::IsEmptyString(line) || !FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    return AddLineToSection(section, line, file);
}

// Appends each entry of value that lines does not hold yet; false when the
// list would overflow.
bool MergeLines(char *lines, DWORD size, const char *value, bool *added)
{
    for (const char *entry = value; entry && *entry; entry = kor::MultiSzNext(entry)) {
        if (kor::MultiSzFind(entry, lines)) continue;
        if (!kor::MultiSzAppend(entry, lines, size)) return false;
        *added = true;
    }
    return true;
}

DWORD AddLines(const char *group, const char *value, const char *file)
{
    char section[kGroupSectionSize], lines[kLineListSize];
    if (kor::IsEmptyString(value) || !FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    ReadGroupLines(section, lines, sizeof lines, file);
    bool added = false;
    if (!MergeLines(lines, sizeof lines, value, &added)) return ERROR_INSUFFICIENT_BUFFER;
    return added ? WriteGroupLines(section, lines, file) : ERROR_SUCCESS;
}

DWORD RemoveLine(const char *group, const char *line, const char *file)
{
    char section[kGroupSectionSize];
    if (kor::IsEmptyString(line) || !FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    return RemoveLineFromSection(section, line, file);
}

DWORD RemoveLines(const char *group, const char *value, const char *file)
{
    char section[kGroupSectionSize], lines[kLineListSize];
    if (kor::IsEmptyString(value) || !FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    ReadGroupLines(section, lines, sizeof lines, file);
    bool removed = false;
    for (const char *entry = value; *entry; entry = kor::MultiSzNext(entry))
        if (char *found = kor::MultiSzFind(entry, lines)) {
            kor::MultiSzRemove(found);
            removed = true;
        }
    return removed ? WriteGroupLines(section, lines, file) : ERROR_SUCCESS;
}

// The new list is built whole before anything is written, so a list that
// does not fit leaves the group's lines as they were.
DWORD ReplaceLines(const char *group, const char *value, const char *file)
{
    char section[kGroupSectionSize], lines[kLineListSize];
    if (!FindGroup(group, section, file)) return ERROR_INVALID_PARAMETER;
    kor::MultiSzInit(lines, sizeof lines);
    bool added = false;
    if (!MergeLines(lines, sizeof lines, value, &added)) return ERROR_INSUFFICIENT_BUFFER;
    return WriteGroupLines(section, lines, file);
}

// Operations 4, 5, 64 and 80: one line into or out of each named group (every
// group for a null list); the groups' own results do not count. A name
// stands for the first group that bears it, as FindGroup would resolve it, so
// a later group of the same name is left alone. All names are resolved in
// one walk of the groups: looking each one up on its own would read every
// group's NAME once per name.
DWORD ForGroups(const char *line, const char *groups, bool add, const char *file)
{
    DWORD count = CountGroups(file);
    std::vector<char> seen(size_t(count) * kGroupNameSize + 2);
    kor::MultiSzInit(seen.data(), DWORD(seen.size()));
    for (DWORD i = 1; i <= count; ++i) {
        char section[kGroupSectionSize], name[kGroupNameSize];
        std::snprintf(section, sizeof section, "GROUP%lu", static_cast<unsigned long>(i));
        if (!ReadProfileText(section, "NAME", "", name, sizeof name, file)) continue;
        if (kor::MultiSzFind(name, seen.data())) continue;
        kor::MultiSzAppend(name, seen.data(), DWORD(seen.size()));
        if (groups && !kor::MultiSzFind(name, groups)) continue;
        add ? AddLineToSection(section, line, file) : RemoveLineFromSection(section, line, file);
    }
    return ERROR_SUCCESS;
}

DWORD ForEachGroup(const char *line, const char *groups, bool add, const char *file)
{
    if (kor::IsEmptyString(line) || kor::IsEmptyString(groups)) return ERROR_INVALID_PARAMETER;
    return ForGroups(line, groups, add, file);
}

DWORD ForAllGroups(const char *line, bool add, const char *file)
{
    if (kor::IsEmptyString(line)) return ERROR_INVALID_PARAMETER;
    return ForGroups(line, nullptr, add, file);
}

DWORD ModifyGroupLines(INT operation, const char *name, const char *value, const char *file)
{
    switch (operation) {
    case CVU_GL_ADDLINE: return AddLine(name, value, file);
    case CVU_GL_ADDLINES: return AddLines(name, value, file);
    case CVU_GL_ADDALLLINES: {
        if (!FindGroup(name, nullptr, file)) return ERROR_INVALID_PARAMETER;
        std::vector<char> lines = FetchNames(kLines, file);
        return ReplaceLines(name, lines.data(), file);
    }
    case CVU_GL_ADDLINETOGROUPS: return ForEachGroup(name, value, true, file);
    case CVU_GL_ADDLINETOALLGROUPS: return ForAllGroups(name, true, file);
    case CVU_GL_REMOVELINE: return RemoveLine(name, value, file);
    case CVU_GL_REMOVELINES: return RemoveLines(name, value, file);
    case CVU_GL_REMOVEALLLINES: return ReplaceLines(name, nullptr, file);
    case CVU_GL_REMOVELINEFROMGROUPS: return ForEachGroup(name, value, false, file);
    case CVU_GL_REMOVELINEFROMALLGROUPS: return ForAllGroups(name, false, file);
    case CVU_GL_SETLINES: return ReplaceLines(name, value, file);
    default: return ERROR_INVALID_PARAMETER;
    }
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" DWORD WINAPI CVU_EnumGroupsLinesA(INT selector, LPCSTR name, LPSTR buffer, DWORD size, DWORD *count)
{
    ConfigCall call(ConfigCall::Mode::Read);
    const char *file = GetServerConfigFile();
    DWORD entries = 0, rc;
    switch (selector) {
    case CVU_ENUM_ALLGROUPS: rc = ListNames(kGroups, buffer, size, &entries, file); break;
    case CVU_ENUM_GROUPSWITHLINE: rc = ListGroupsByLine(name, true, buffer, size, &entries, file); break;
    case CVU_ENUM_GROUPSWITHOUTLINE: rc = ListGroupsByLine(name, false, buffer, size, &entries, file); break;
    case CVU_ENUM_ALLLINES: rc = ListNames(kLines, buffer, size, &entries, file); break;
    case CVU_ENUM_LINESOFGROUP: rc = ListLinesOfGroup(name, buffer, size, &entries, file); break;
    case CVU_ENUM_LINESNOTINGROUP: rc = ListLinesNotInGroup(name, buffer, size, &entries, file); break;
    default: rc = ERROR_INVALID_PARAMETER; break;
    }
    if (count) *count = entries;
    return rc;
}

extern "C" DWORD WINAPI CVU_ModifyGroupLinesA(INT operation, LPCSTR name, LPCSTR value)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return GetLastError();
    return call.FinishCode(ModifyGroupLines(operation, name, value, GetServerConfigFile()));
}
