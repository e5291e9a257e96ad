// The parameters of a group: its name, its lines and its call-handling
// record (conference mode, call forwarding, phone, inbound use).
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "frame/configstore.h"
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
    ReadProfileText(section, "CONFERENCE", "", text, sizeof text, file);
    if (kor::CompareNoCase(text, "H") == 0) return CVU_CONFERENCE_H;
    if (kor::CompareNoCase(text, "F") == 0) return CVU_CONFERENCE_F;
    return CVU_CONFERENCE_NONE;
}

void ReadParams(const char *section, GroupParams *params, const char *file)
{
    std::memset(params, 0, sizeof *params);
    params->conferenceMode = ReadConferenceMode(section, file);
    ReadProfileText(section, "CALLFWD", "", params->callForward, sizeof params->callForward, file);
    ReadProfileText(section, "PHONE", "", params->phone, sizeof params->phone, file);
    char inbound[kKeyTextSize];
    params->inbound = ReadProfileText(section, "INBOUND", "", inbound, sizeof inbound, file) ? 1 : 0;
}

// Writes text as key, or deletes the key when text is empty.
void WriteOrDelete(const char *section, const char *key, const char *text, const char *file)
{
    WriteProfileText(section, key, kor::IsEmptyString(text) ? nullptr : text, file);
}

void WriteParams(const char *section, const GroupParams *params, const char *file)
{
    if (!params) {
        for (const char *key : {"INBOUND", "CALLFWD", "PHONE", "CONFERENCE"})
            WriteProfileText(section, key, nullptr, file);
        return;
    }
    const char *mode = params->conferenceMode == CVU_CONFERENCE_H   ? "H"
                       : params->conferenceMode == CVU_CONFERENCE_F ? "F"
                                                                    : nullptr;
    WriteProfileText(section, "CONFERENCE", mode, file);
    // A field the caller left unterminated is cut to what reads back.
    char callForward[sizeof params->callForward], phone[sizeof params->phone];
    kor::CopySubstring(params->callForward, sizeof params->callForward, callForward, sizeof callForward);
    kor::CopySubstring(params->phone, sizeof params->phone, phone, sizeof phone);
    WriteOrDelete(section, "CALLFWD", callForward, file);
    WriteOrDelete(section, "PHONE", phone, file);
    if (!params->inbound) {
        WriteProfileText(section, "INBOUND", nullptr, file);
        return;
    }
    // INBOUND holds the group's line count at the time of writing.
    char lines[kLineListSize], count[12];
    ReadGroupLines(section, lines, sizeof lines, file);
    std::snprintf(count, sizeof count, "%d", static_cast<int>(kor::MultiSzCount(lines)));
    WriteProfileText(section, "INBOUND", count, file);
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" DWORD WINAPI CVU_GetGroupParamA(LPCSTR name, INT selector, void *buffer, DWORD size)
{
    ConfigCall call(ConfigCall::Mode::Read);
    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    if (!FindGroup(name, section, file)) return ERROR_INVALID_PARAMETER;

    switch (selector) {
    case CVU_GROUPPARAM_NAME:
        if (!kor::CheckBuffer(buffer, size, kNameBufferMin)) return ERROR_INSUFFICIENT_BUFFER;
        ReadProfileText(section, "NAME", "", static_cast<char *>(buffer), size, file);
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
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return GetLastError();
    if (kor::IsEmptyString(name)) return ERROR_INVALID_PARAMETER;
    const char *file = GetServerConfigFile();
    char section[kGroupSectionSize];
    if (!FindGroup(name, section, file)) {
        if (!create) return ERROR_INVALID_PARAMETER;
        if (DWORD rc = CVU_AddGroupA(name, nullptr, FALSE)) return rc;
        if (!FindGroup(name, section, file)) return ERROR_INVALID_PARAMETER;
    }

    // The writes' own results are not reported: the group exists. A list
    // too long to store is not written at all.
    switch (selector) {
    case CVU_GROUPPARAM_NAME:
        if (kor::IsEmptyString(static_cast<const char *>(value))) return ERROR_INVALID_PARAMETER;
        WriteProfileText(section, "NAME", static_cast<const char *>(value), file);
        break;
    case CVU_GROUPPARAM_LINES:
        WriteGroupLines(section, static_cast<const char *>(value), file);
        break;
    case CVU_GROUPPARAM_RECORD:
        WriteParams(section, static_cast<const GroupParams *>(value), file);
        break;
    default:
        return ERROR_INVALID_PARAMETER;
    }
    return call.FinishCode(ERROR_SUCCESS);
}
