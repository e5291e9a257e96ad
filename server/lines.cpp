// Shared lines: finding, writing and reading the LINE<n> sections, and the
// exports that add, update, read, rename and withdraw a line.
#include "server/lines.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "client/portable/portlist.h"
#include "client/redirect.h"
#include "frame/configstore.h"
#include "frame/frame.h"
#include "frame/owners.h"
#include "groups/groups.h"
#include "korutil/korutil.h"
#include "server/portable/alpars.h"
#include "server/transmit.h"

namespace cvx {
namespace {

constexpr char kServer[] = "SERVER";
constexpr char kLineCount[] = "LINES";
constexpr char kSetKey[] = "TRANSMIT";
// A line's TRANSMIT is read up to 199 characters when it is written, up to
// 59 (the longest set name) when it is looked up.
constexpr DWORD kSetReferenceSize = 200;
constexpr DWORD kSetNameSize = 60;
constexpr DWORD kValueSize = 200;
constexpr DWORD kModemSize = sizeof(SharedPortParams{}.modem);
// Flags are read with room to spare, so that "yes" is not cut to "y".
constexpr DWORD kFlagSize = 8;
// The buffer in which CVU_RenamePort lists the groups of the old name.
constexpr SIZE_T kRenameGroupListSize = 2000;

static_assert(sizeof(PortConfig{}.triggers) == CVU_MAX_TRIGGERS);
// The records' layouts are part of the interface: the 32-bit fields stand
// at odd offsets.
static_assert(offsetof(PortConfig, triggers) == 12 && offsetof(PortConfig, triggerCount) == 28);
static_assert(offsetof(SharedPortParams, modem) == 57 && offsetof(SharedPortParams, callForward) == 194 &&
              offsetof(SharedPortParams, inbound) == 215 && offsetof(SharedPortParams, autobaud) == 219 &&
              offsetof(SharedPortParams, config) == 223);
static_assert(sizeof(SharedPortParams{}.shareName) == kShareNameSize);
static_assert(sizeof(SharedPortParams{}.portName) == kPortNameSize);

// A fixed-size text field of a caller's record, terminated even when the
// caller filled every byte.
template <size_t N>
void TakeField(char (&out)[N], const char (&field)[N])
{
    size_t length = strnlen(field, N - 1);
    std::memcpy(out, field, length);
    out[length] = '\0';
}

const char *FlagText(DWORD flag) { return flag ? "Y" : "N"; }

DWORD ReadFlag(const char *section, const char *key, const char *absent, const char *file)
{
    char text[kFlagSize];
    ReadProfileText(section, key, absent, text, sizeof text, file);
    return kor::CompareNoCase(text, "Y") == 0 ? 1 : 0;
}

// Unlinks the set that a section beyond the count names when a line or the
// client names it too: a share that failed half-way leaves its section for
// the next share to overwrite, and that share must not change another
// owner's settings through it.
void DropForeignSet(const char *section, const char *file)
{
    char set[kSetNameSize], clientSet[kSetNameSize];
    ReadProfileText(section, kSetKey, "", set, sizeof set, file);
    if (!set[0]) return;
    ReadProfileText("SESSIONSPARMS", kSetKey, "", clientSet, sizeof clientSet, file);
    if (CountLinesUsingTransmitSet(set, file) == 0 && kor::CompareNoCase(clientSet, set) != 0) return;
    WriteProfileText(section, kSetKey, nullptr, file);
}

}  // namespace

void LineSectionName(char *section, DWORD number)
{
    std::snprintf(section, kLineSectionSize, "LINE%lu", static_cast<unsigned long>(number));
}

void LoadModuleString(UINT id, char *buffer, int size)
{
    if (!buffer || size < 1) return;
    buffer[0] = '\0';
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (module) LoadStringA(module, id, buffer, size);
}

uint16_t PortNumber16(const char *portName)
{
    return static_cast<uint16_t>(portable::PortNumberFromName(portName));
}

UINT FindLineByPort(const char *portName, char *section, const char *file)
{
    if (kor::IsEmptyString(portName)) return 0;
    DWORD count = CountLines(file);
    for (DWORD n = 1; n <= count; ++n) {
        char candidate[kLineSectionSize], port[kPortNameSize];
        LineSectionName(candidate, n);
        ReadProfileText(candidate, "PORTNAME", "", port, sizeof port, file);
        if (port[0] && kor::CompareNoCase(port, portName) == 0) {
            if (section) kor::CopyStringLimited(candidate, section, kLineSectionSize);
            return n;
        }
    }
    return 0;
}

BOOL WriteLineSection(const char *section, const SharedPortParams *params, const char *file)
{
    char shareName[kShareNameSize], portName[kPortNameSize], modem[kModemSize], callForward[kShareNameSize];
    TakeField(shareName, params->shareName);
    TakeField(portName, params->portName);
    TakeField(modem, params->modem);
    TakeField(callForward, params->callForward);

    BOOL written = WriteProfileText(section, "NAME", shareName, file);
    if (written) written = WriteProfileText(section, "MODEM", modem[0] ? modem : "N", file);
    if (written) written = WriteProfileText(section, "INBOUND", FlagText(params->inbound), file);
    if (written) written = WriteProfileText(section, "CALLFWD", callForward[0] ? callForward : nullptr, file);
    if (written) written = WriteProfileText(section, "AUTOBAUD", FlagText(params->autobaud), file);
    if (written) written = WriteProfileText(section, "PORTNAME", portName, file);

    // The settings go to the line's set even when a key write failed, so
    // that a set created here is never left without them.
    char setName[kSetReferenceSize], set[kTransmitSectionSize];
    ReadProfileText(section, kSetKey, "", setName, sizeof setName, file);
    if (!FindTransmitSet(setName, set, file)) {
        CreateTransmitSet(section, set, file);
        WriteProfileText(set, "DTPARS", "(140,60,720)", file);
    }
    const PortConfig &config = params->config;
    char alpars[portable::kAlparsTextSize];
    portable::FormatAlpars({config.baudRate, config.parity, config.dataBits, config.stopBits}, alpars);
    WriteProfileText(set, "FLOW", portable::FlowText(config.flow), file);
    WriteProfileText(set, "ALPARS", alpars, file);
    WriteTriggers(set, config.triggers, config.triggerCount, file);
    return written;
}

void ReadLineSection(const char *section, SharedPortParams *params, const char *file)
{
    std::memset(params, 0, sizeof *params);
    ReadProfileText(section, "NAME", "", params->shareName, sizeof params->shareName, file);
    ReadProfileText(section, "PORTNAME", "", params->portName, sizeof params->portName, file);
    params->inbound = ReadFlag(section, "INBOUND", "", file);
    ReadProfileText(section, "CALLFWD", "", params->callForward, sizeof params->callForward, file);
    params->autobaud = ReadFlag(section, "AUTOBAUD", "N", file);
    ReadProfileText(section, "MODEM", "N", params->modem, sizeof params->modem, file);
    if (kor::CompareNoCase(params->modem, "N") == 0) params->modem[0] = '\0';
}

void ReadTransmitParams(const char *setSection, PortConfig *config, const char *file)
{
    char text[kValueSize];
    ReadProfileText(setSection, "FLOW", "", text, sizeof text, file);
    portable::ParseFlow(text, &config->flow);

    ReadProfileText(setSection, "ALPARS", "", text, sizeof text, file);
    portable::Alpars alpars{config->baudRate, config->parity, config->dataBits, config->stopBits};
    bool complete = portable::ParseAlpars(text, &alpars);
    config->baudRate = alpars.baudRate;
    config->parity = alpars.parity;
    config->dataBits = alpars.dataBits;
    config->stopBits = alpars.stopBits;
    if (complete) config->triggerCount = ReadTriggers(setSection, config->triggers, file);
}

}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_GetSharedPortParams(LPCSTR portName, SharedPortParams *params)
{
    ConfigCall call(ConfigCall::Mode::Read);
    const char *file = GetServerConfigFile();
    char section[kLineSectionSize];
    if (!FindLineByPort(portName, section, file)) return FALSE;
    if (!params) return TRUE;

    ReadLineSection(section, params, file);
    char setName[kSetNameSize], set[kTransmitSectionSize];
    ReadProfileText(section, kSetKey, "", setName, sizeof setName, file);
    CVU_GetDefaultPortConfig(&params->config);
    if (FindTransmitSet(setName, set, file)) ReadTransmitParams(set, &params->config, file);
    return TRUE;
}

extern "C" BOOL WINAPI CVU_ShareNewPort(const SharedPortParams *params)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call || !params) return FALSE;
    char portName[kPortNameSize], shareName[kShareNameSize];
    TakeField(portName, params->portName);
    TakeField(shareName, params->shareName);
    // A line without a port would match no port and end the port list's
    // walk of the line sections.
    if (!portName[0]) return FALSE;
    if (CVU_GetSharedPortParams(portName, nullptr)) return FALSE;

    const char *file = GetServerConfigFile();
    DWORD number = CountLines(file) + 1;
    char section[kLineSectionSize];
    LineSectionName(section, number);
    DropForeignSet(section, file);
    if (!WriteLineSection(section, params, file)) return FALSE;
    WriteProfileUInt(kServer, kLineCount, number, file);

    // Programs on the server reach the port through the product.
    if (!IsPortRedirected(portName, file)) CVU_SetClientRedirection(portName, shareName);
    return call.Finish(TRUE, FALSE);
}

extern "C" BOOL WINAPI CVU_UpdateSharedPortParams(const SharedPortParams *params, DWORD reserved)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call || !params) return FALSE;
    char portName[kPortNameSize];
    TakeField(portName, params->portName);
    const char *file = GetServerConfigFile();
    char section[kLineSectionSize];
    if (!FindLineByPort(portName, section, file)) return FALSE;
    return call.Finish(WriteLineSection(section, params, file), FALSE);
}

extern "C" BOOL WINAPI CVU_RenamePort(LPCSTR portName, LPCSTR oldName, LPCSTR newName)
{
    ConfigCall call(ConfigCall::Mode::Change);
    // Without a new name the write would delete the line's NAME.
    if (!call || !newName) return FALSE;
    if (!oldName) oldName = "";
    const char *file = GetServerConfigFile();
    char section[kLineSectionSize];
    if (!FindLineByPort(portName, section, file)) return FALSE;

    // The old name leaves every group and the new one joins the groups
    // listed, even when the listing was cut.
    UniqueLocal groups(LocalAlloc(LPTR, kRenameGroupListSize));
    if (char *list = static_cast<char *>(groups.get())) {
        CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHLINE, oldName, list, kRenameGroupListSize, nullptr);
        CVU_ModifyGroupLinesA(CVU_GL_REMOVELINEFROMALLGROUPS, oldName, nullptr);
        CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOGROUPS, newName, list);
    }
    RenamePortRedirection(portName, oldName, newName, file);
    WriteProfileText(section, "NAME", newName, file);
    return call.Finish(TRUE, FALSE);
}

extern "C" BOOL WINAPI CVU_StopSharingPort(LPCSTR portName)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call) return FALSE;
    const char *file = GetServerConfigFile();
    char section[kLineSectionSize];
    UINT number = FindLineByPort(portName, section, file);
    if (!number) return FALSE;
    // The count is taken while the section still exists: it bounds the
    // stored count by the sections that are there.
    DWORD count = CountLines(file);

    char shareName[kComparedNameSize], setName[kSetNameSize];
    ReadProfileText(section, "NAME", "", shareName, sizeof shareName, file);
    ReadProfileText(section, kSetKey, "", setName, sizeof setName, file);
    ReleaseTransmitSet(setName, file);
    // Only a redirection that still leads to this line is the line's own.
    if (shareName[0] && IsPortRedirectedTo(portName, shareName, file)) CVU_SetClientRedirection(portName, nullptr);

    WriteProfileText(section, nullptr, nullptr, file);
    for (DWORD i = number; i + 1 <= count; ++i) {
        char to[kLineSectionSize], from[kLineSectionSize];
        LineSectionName(to, i);
        LineSectionName(from, i + 1);
        MoveProfileSection(from, to, file);
    }
    WriteProfileUInt(kServer, kLineCount, count ? count - 1 : 0, file);

    if (shareName[0]) CVU_ModifyGroupLinesA(CVU_GL_REMOVELINEFROMALLGROUPS, shareName, nullptr);
    return call.Finish(TRUE, FALSE);
}
