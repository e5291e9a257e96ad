// The parameters of a group: its name, its lines and its call-handling
// record (conference mode, call forwarding, phone, inbound use).
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "frame/configlock.h"
#include "frame/frame.h"
#include "groups/groups.h"
#include "korutil/korutil.h"

namespace cvx {
namespace {

constexpr DWORD kNameBufferMin = 17;
constexpr DWORD kKeyTextSize = 64;

DWORD ReadConferenceMode(const char *section, const char *file)
{
    char text[kKeyTextSize];
    GetPrivateProfileStringA(section, "CONFERENCE", "", text, sizeof text, file);
    if (kor::CompareNoCase(text, "H") == 0) return CVU_CONFERENCE_H;
    if (kor::CompareNoCase(text, "F") == 0) return CVU_CONFERENCE_F;
    return CVU_CONFERENCE_NONE;
}

void ReadParams(const char *section, GroupParams *params, const char *file)
{
    std::memset(params, 0, sizeof *params);
    params->conferenceMode = ReadConferenceMode(section, file);
    GetPrivateProfileStringA(section, "CALLFWD", "", params->callForward, sizeof params->callForward, file);
    GetPrivateProfileStringA(section, "PHONE", "", params->phone, sizeof params->phone, file);
    char inbound[kKeyTextSize];
    params->inbound = GetPrivateProfileStringA(section, "INBOUND", "", inbound, sizeof inbound, file) ? 1 : 0;
}

// Writes text as key, or deletes the key when text is empty.
void WriteOrDelete(const char *section, const char *key, const char *text, const char *file)
{
    WritePrivateProfileStringA(section, key, kor::IsEmptyString(text) ? nullptr : text, file);
}

void WriteParams(const char *section, const GroupParams *params, const char *file)
{
    if (!params) {
        for (const char *key : {"INBOUND", "CALLFWD", "PHONE", "CONFERENCE"})
            WritePrivateProfileStringA(section, key, nullptr, file);
        return;
    }
    const char *mode = params->conferenceMode == CVU_CONFERENCE_H   ? "H"
                       : params->conferenceMode == CVU_CONFERENCE_F ? "F"
                                                                    : nullptr;
    WritePrivateProfileStringA(section, "CONFERENCE", mode, file);
    // A field the caller left unterminated is cut to what reads back.
    char callForward[sizeof params->callForward], phone[sizeof params->phone];
    kor::CopySubstring(params->callForward, sizeof params->callForward, callForward, sizeof callForward);
    kor::CopySubstring(params->phone, sizeof params->phone, phone, sizeof phone);
    WriteOrDelete(section, "CALLFWD", callForward, file);
    WriteOrDelete(section, "PHONE", phone, file);
    if (!params->inbound) {
        WritePrivateProfileStringA(section, "INBOUND", nullptr, file);
        return;
    }
    // INBOUND holds the group's line count at the time of writing.
    char lines[kLineListSize], count[12];
    ReadGroupLines(section, lines, sizeof lines, file);
    std::snprintf(count, sizeof count, "%d", static_cast<int>(kor::MultiSzCount(lines)));
    WritePrivateProfileStringA(section, "INBOUND", count, file);
}

// What a value must be for a selector, checked before a group is created.
DWORD CheckValue(UINT group, INT selector, const void *value, const char *file)
{
    if (selector == CVU_GROUPPARAM_NAME) {
        const char *name = static_cast<const char *>(value);
        if (kor::IsEmptyString(name) || kor::StringSize(name) > kGroupNameSize) return ERROR_INVALID_PARAMETER;
        // Two groups of one name could never be told apart.
        UINT other = FindGroup(name, nullptr, file);
        if (other && other != group) return ERROR_ALREADY_EXISTS;
    } else if (selector == CVU_GROUPPARAM_LINES) {
        char text[kLineListSize];
        int count = FormatLineList(static_cast<const char *>(value), text, sizeof text);
        if (count == portable::kLineListTooLong) return ERROR_INSUFFICIENT_BUFFER;
        if (count < 0) return ERROR_INVALID_PARAMETER;
    } else if (selector != CVU_GROUPPARAM_RECORD) {
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" DWORD WINAPI CVU_GetGroupParamA(LPCSTR name, INT selector, void *buffer, DWORD size)
{
    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    if (!FindGroup(name, section, file)) return ERROR_INVALID_PARAMETER;

    switch (selector) {
    case CVU_GROUPPARAM_NAME:
        if (!kor::CheckBuffer(buffer, size, kNameBufferMin)) return ERROR_INSUFFICIENT_BUFFER;
        GetPrivateProfileStringA(section, "NAME", "", static_cast<char *>(buffer), size, file);
        return ERROR_SUCCESS;
    case CVU_GROUPPARAM_LINES:
        return ReadGroupLines(section, static_cast<char *>(buffer), size, file);
    case CVU_GROUPPARAM_RECORD:
        if (!kor::CheckBuffer(buffer, size, sizeof(GroupParams))) return ERROR_INSUFFICIENT_BUFFER;
        ReadParams(section, static_cast<GroupParams *>(buffer), file);
        return ERROR_SUCCESS;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

extern "C" DWORD WINAPI CVU_SetGroupParamA(LPCSTR name, INT selector, const void *value, BOOL create)
{
    ConfigLock lock;
    if (kor::IsEmptyString(name)) return ERROR_INVALID_PARAMETER;
    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    UINT group = FindGroup(name, section, file);
    if (DWORD rc = CheckValue(group, selector, value, file)) return rc;
    if (!group) {
        if (!create) return ERROR_INVALID_PARAMETER;
        if (DWORD rc = CVU_AddGroupA(name, nullptr, FALSE)) return rc;
        if (!FindGroup(name, section, file)) return ERROR_INVALID_PARAMETER;
    }

    // The writes' own results are not reported: the group exists.
    switch (selector) {
    case CVU_GROUPPARAM_NAME:
        WritePrivateProfileStringA(section, "NAME", static_cast<const char *>(value), file);
        break;
    case CVU_GROUPPARAM_LINES:
        WriteGroupLines(section, static_cast<const char *>(value), file);
        break;
    case CVU_GROUPPARAM_RECORD:
        WriteParams(section, static_cast<const GroupParams *>(value), file);
        break;
    }
    return ERROR_SUCCESS;
}
