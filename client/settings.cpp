// Client session settings: section SESSIONSPARMS of CVEX.INI and the
// client's transmit set, which holds its trigger characters.
#include <windows.h>

#include <cstring>

#include "client/portable/portlist.h"
#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"
#include "server/transmit.h"

namespace cvx {
namespace {

constexpr char kSection[] = "SESSIONSPARMS";
constexpr char kTransmitKey[] = "TRANSMIT";
constexpr LONG kActivityTimerDefault = 30;
constexpr LONG kTimeoutDefault = 3;
constexpr LONG kSettingMax = 99;
constexpr DWORD kFlagSize = 20;
constexpr DWORD kSetNameSize = 60;

static_assert(sizeof(ClientSettings{}.triggers) == kMaxTriggers);

// An integer read of 0 to 99; a missing or empty value, or one out of
// range, gives fallback (text that is no number reads as 0).
LONG ReadSetting(const char *key, LONG fallback, const char *file)
{
    INT value = static_cast<INT>(ReadProfileUInt(kSection, key, -1, file));
    return value < 0 || value > kSettingMax ? fallback : value;
}

// Every value but "N" (in any case) counts as yes, an empty one included.
DWORD ReadFlag(const char *key, const char *fallback, const char *file)
{
    char text[kFlagSize];
    ReadProfileText(kSection, key, fallback, text, sizeof text, file);
    return kor::CompareNoCase(text, "N") != 0;
}

void WriteFlag(const char *key, DWORD flag, const char *file)
{
    WriteProfileText(kSection, key, flag ? "Y" : "N", file);
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" BOOL WINAPI CVU_GetClientSettings(ClientSettings *settings)
{
    ConfigCall call(ConfigCall::Mode::Read);
    if (!settings) return FALSE;
    const char *file = GetServerConfigFile();
    std::memset(settings, 0, sizeof *settings);
    settings->activityTimer = ReadSetting("ACTIVITYTIMER", kActivityTimerDefault, file);
    settings->timeout = ReadSetting("TIMEOUT", kTimeoutDefault, file);
    settings->queue = ReadFlag("QUEUE", "N", file);
    settings->retry = ReadFlag("RETRY", "Y", file);

    char setName[kSetNameSize], section[kTransmitSectionSize];
    ReadProfileText(kSection, kTransmitKey, "", setName, sizeof setName, file);
    if (FindTransmitSet(setName, section, file)) settings->triggerCount = ReadTriggers(section, settings->triggers, file);
    return TRUE;
}

extern "C" BOOL WINAPI CVU_SetClientSettings(const ClientSettings *settings)
{
    ConfigCall call(ConfigCall::Mode::Change);
    if (!call || !settings) return FALSE;
    const char *file = GetServerConfigFile();
    WriteFlag("QUEUE", settings->queue, file);
    WriteFlag("RETRY", settings->retry, file);
    WriteProfileUInt(kSection, "ACTIVITYTIMER", static_cast<DWORD>(settings->activityTimer), file);
    WriteProfileUInt(kSection, "TIMEOUT", static_cast<DWORD>(settings->timeout), file);

    char setName[kSetNameSize], section[kTransmitSectionSize];
    ReadProfileText(kSection, kTransmitKey, "", setName, sizeof setName, file);
    if (settings->triggerCount == 0) {
        // The set goes unless a line names it too; the reference goes anyway.
        ReleaseTransmitSet(setName, file);
        WriteProfileText(kSection, kTransmitKey, nullptr, file);
        return call.Finish(TRUE, FALSE);
    }
    if (!FindTransmitSet(setName, section, file)) CreateTransmitSet(kSection, section, file);
    // The record holds no more than its array: a larger count is not read
    // beyond it.
    uint16_t count = settings->triggerCount < kMaxTriggers ? settings->triggerCount : kMaxTriggers;
    WriteTriggers(section, settings->triggers, count, file);
    return call.Finish(TRUE, FALSE);
}
