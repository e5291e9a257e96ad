// The per-process port list: one fixed block of CVU_MAX_LISTED_PORTS
// entries, built by a start that finds none and freed by the last close.
// Joining and leaving are atomic; the entries are not locked.
#include "ports/portlist.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "client/redirect.h"
#include "cvxutil.h"
#include "frame/configstore.h"
#include "frame/frame.h"
#include "korutil/korutil.h"
#include "resources/resids.h"
#include "server/lines.h"
#include "server/portable/placeholders.h"

namespace cvx {
namespace {

struct PortList {
    PortEnumRecord *volatile entries;  // GlobalAlloc block, or null: no list
    WORD count;
    volatile LONG users;
    volatile LONG changing;  // held while a user joins or leaves, never across calls
};
PortList g_list;

// Joining and leaving are one step each with the list they find: without
// it, a thread could join the list that the last user is about to free, or
// lose its count to that user's reset and later free somebody else's list.
class MembershipGuard {
public:
    MembershipGuard()
    {
        while (InterlockedExchange(&g_list.changing, 1)) Sleep(0);
    }
    ~MembershipGuard() { InterlockedExchange(&g_list.changing, 0); }
    MembershipGuard(const MembershipGuard &) = delete;
    MembershipGuard &operator=(const MembershipGuard &) = delete;
};

constexpr SIZE_T kListBytes = CVU_MAX_LISTED_PORTS * sizeof(PortEnumRecord);
static_assert(kListBytes == 10675);
static_assert(offsetof(PortEnumRecord, portNumber) == 8 && offsetof(PortEnumRecord, portName) == 10 &&
              offsetof(PortEnumRecord, description) == 50 && offsetof(PortEnumRecord, shareName) == 310 &&
              offsetof(PortEnumRecord, redirectDescription) == 327);
constexpr int kDescriptionFormatSize = 100;

bool Matches(const PortEnumRecord &entry, DWORD mask) { return (entry.flags & mask) != 0; }

bool IsListed(const char *name)
{
    for (WORD i = 0; i < g_list.count; ++i)
        if (kor::CompareNoCase(g_list.entries[i].portName, name) == 0) return true;
    return false;
}

// The NAME of the line that shares the port, when one does.
bool FindSharingLine(const char *portName, char *shareName, const char *file)
{
    char section[kLineSectionSize];
    if (!FindLineByPort(portName, section, file)) return false;
    ReadProfileText(section, "NAME", "", shareName, kShareNameSize, file);
    return true;
}

void AddPort(const char *name, const char *description, DWORD flags, const char *file)
{
    if (g_list.count >= CVU_MAX_LISTED_PORTS) return;
    PortEnumRecord &entry = g_list.entries[g_list.count];
    char portName[sizeof entry.portName] = {};
    kor::CopyStringLimited(name, portName, sizeof portName);
    if (!portName[0] || IsListed(portName)) return;

    std::memset(&entry, 0, sizeof entry);
    std::memcpy(entry.portName, portName, sizeof portName);
    entry.flags = flags;
    if (FindSharingLine(portName, entry.shareName, file)) entry.flags |= PORTF_SHARED;
    ClientPortParams client;
    if (CVU_GetClientPortParams(portName, &client)) {
        kor::CopyStringLimited(client.description, entry.redirectDescription, sizeof entry.redirectDescription);
        entry.flags |= PORTF_REDIRECTED;
    }
    entry.portNumber = PortNumber16(portName);

    if (description) {
        kor::CopyStringLimited(description, entry.description, sizeof entry.description);
    } else {
        bool known = (entry.flags & (PORTF_SHARED | PORTF_REDIRECTED)) != 0;
        char format[kDescriptionFormatSize];
        LoadModuleString(known ? IDS_PORT_SHARED_DESC : IDS_PORT_OTHER_DESC, format, sizeof format);
        if (std::strlen(portName) + std::strlen(format) < sizeof entry.description)
            portable::FillFormat(format, portName, 0, entry.description, sizeof entry.description);
    }
    ++g_list.count;
}

// The ports the server's lines name, LINE1 on up to the first section
// without a PORTNAME, whatever the count of lines says.
void AddLinePorts(const char *file)
{
    for (DWORD n = 1; g_list.count < CVU_MAX_LISTED_PORTS; ++n) {
        char section[kLineSectionSize], port[kPortNameSize];
        LineSectionName(section, n);
        if (!ReadProfileText(section, "PORTNAME", "", port, sizeof port, file)) break;
        AddPort(port, nullptr, PORTF_LINE | PORTF_LOCAL, file);
    }
}

void AddRedirectedPorts(const char *file)
{
    DWORD numbers[kMaxRedirectedPorts];
    DWORD count = ReadRedirectedPorts(numbers, file);
    for (DWORD i = 0; i < count; ++i) {
        char port[kPortNameSize];
        std::snprintf(port, sizeof port, "COM%lu", static_cast<unsigned long>(numbers[i]));
        AddPort(port, nullptr, 0, file);
    }
}

// Fills the list that the caller's join has just put in place; other users
// that join meanwhile see the entries added so far.
void BuildList()
{
    if (g_list.entries) {
        ConfigCall call(ConfigCall::Mode::Read);
        const char *file = GetServerConfigFile();
        PortAdder add = [file](const char *name, const char *description, DWORD flags) {
            AddPort(name, description, flags, file);
        };
        if (CVU_IsWin95OS())
            WalkDeviceTree(add);
        else
            WalkHardwarePorts(add);
        AddLinePorts(file);
        AddRedirectedPorts(file);
    }
    // A list without ports is dropped at once, so that the next start looks
    // at the machine again. Its enumeration stays counted until its own
    // end: that end must not take the count of a list built after it.
    void *empty = nullptr;
    {
        MembershipGuard guard;
        if (g_list.count == 0 && g_list.users == 1)
            empty = InterlockedExchangePointer(reinterpret_cast<void *volatile *>(&g_list.entries), nullptr);
    }
    if (empty) GlobalFree(empty);
}

}  // namespace
}  // namespace cvx

using namespace cvx;

extern "C" DWORD WINAPI CVU_StartPortEnum(void)
{
    bool build = false;
    {
        MembershipGuard guard;
        InterlockedIncrement(&g_list.users);
        if (!g_list.entries) {
            build = true;
            g_list.count = 0;
            g_list.entries = static_cast<PortEnumRecord *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kListBytes));
        }
    }
    if (build) BuildList();
    return 0;
}

extern "C" DWORD WINAPI CVU_EnumPorts(WORD *index, DWORD mask, PortEnumRecord *record)
{
    if (!index) return static_cast<DWORD>(E_INVALIDARG);
    const PortEnumRecord *entries = g_list.entries;
    WORD count = entries ? g_list.count : 0;
    if (!record) {
        WORD matching = count;
        if (entries && mask) {
            matching = 0;
            for (WORD i = 0; i < count; ++i) matching += Matches(entries[i], mask) ? 1 : 0;
        }
        *index = matching;
        return 0;
    }
    if (!entries) return 1;
    for (WORD i = *index; i < count; ++i) {
        if (!Matches(entries[i], mask)) continue;
        std::memcpy(record, &entries[i], sizeof *record);
        *index = static_cast<WORD>(i + 1);
        return 0;
    }
    return 1;
}

extern "C" DWORD WINAPI CVU_EndPortEnum(void)
{
    void *entries = nullptr;
    {
        MembershipGuard guard;
        if (InterlockedDecrement(&g_list.users) <= 0) {
            g_list.count = 0;
            InterlockedExchange(&g_list.users, 0);
            entries = InterlockedExchangePointer(reinterpret_cast<void *volatile *>(&g_list.entries), nullptr);
        }
    }
    // Only the last user gets here with the list, and nobody can join it now.
    if (entries) GlobalFree(entries);
    return 0;
}
