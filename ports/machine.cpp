// Walks of the registry that find the machine's serial ports. Keys that
// cannot be opened and values that are missing, of another type or too long
// for their buffers contribute nothing.
#include <cstring>

#include "cvxutil.h"
#include "frame/owners.h"
#include "korutil/korutil.h"
#include "ports/portlist.h"

namespace cvx {
namespace {

constexpr const char *kHardwareRoots[] = {
    "Hardware\\DESCRIPTION\\System\\MultifunctionAdapter",
    "Hardware\\DESCRIPTION\\System\\EisaAdapter",
};
constexpr char kSerialParameters[] = "System\\CurrentControlSet\\Services\\Serial\\Parameters";
constexpr char kDeviceTree[] = "Enum";
// Key names of the hardware description and port names are read into 40
// bytes, key names of the device tree and friendly names into 260.
constexpr DWORD kShortName = 40;
constexpr DWORD kLongName = 260;
// The bits by which the port driver conversion marks a port it created.
constexpr DWORD kCreatedPortId = 0xE8000001;
constexpr DWORD kSavedNameLimit = 256;

UniqueHkey OpenForReading(HKEY parent, const char *path)
{
    UniqueHkey key;
    if (RegOpenKeyExA(parent, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

// Calls visit with each subkey's name until it returns false; a name too
// long for nameSize bytes is passed over. False when visit stopped the walk.
template <typename Visit>
bool ForEachSubkey(HKEY key, DWORD nameSize, Visit visit)
{
    char name[kLongName];
    for (DWORD i = 0;; ++i) {
        LONG rc = RegEnumKeyA(key, i, name, nameSize);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return true;
        if (!visit(name)) return false;
    }
}

// A REG_SZ value that fits in size bytes with its terminator.
bool ReadString(HKEY key, const char *name, char *buffer, DWORD size)
{
    DWORD type = 0, bytes = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &bytes) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ) return false;
    if (bytes == 0 || buffer[bytes - 1] != '\0') {
        if (bytes >= size) return false;
        buffer[bytes] = '\0';
    }
    return true;
}

bool HasSubkey(HKEY key, const char *name) { return static_cast<bool>(OpenForReading(key, name)); }

// One controller key: its port unless a pointing device sits on it.
void AddController(HKEY controller, const char *valueName, const PortAdder &add)
{
    char port[kShortName];
    if (!ReadString(controller, valueName, port, sizeof port)) return;
    if (HasSubkey(controller, "PointerPeripheral")) return;
    add(port, nullptr, PORTF_LOCAL);
}

// Calls visit with every instance key of the device tree until it returns
// false.
template <typename Visit>
void ForEachDeviceInstance(Visit visit)
{
    UniqueHkey tree = OpenForReading(HKEY_LOCAL_MACHINE, kDeviceTree);
    if (!tree) return;
    ForEachSubkey(tree.get(), kLongName, [&](const char *enumeratorName) {
        UniqueHkey enumerator = OpenForReading(tree.get(), enumeratorName);
        if (!enumerator) return true;
        return ForEachSubkey(enumerator.get(), kLongName, [&](const char *deviceName) {
            UniqueHkey device = OpenForReading(enumerator.get(), deviceName);
            if (!device) return true;
            return ForEachSubkey(device.get(), kLongName, [&](const char *instanceName) {
                UniqueHkey instance = OpenForReading(device.get(), instanceName);
                return !instance || visit(instance.get());
            });
        });
    });
}

}  // namespace

void WalkHardwarePorts(const PortAdder &add)
{
    for (const char *rootPath : kHardwareRoots) {
        UniqueHkey root = OpenForReading(HKEY_LOCAL_MACHINE, rootPath);
        if (!root) continue;
        ForEachSubkey(root.get(), kShortName, [&](const char *bus) {
            char path[kShortName + sizeof "\\SerialController"];
            std::strcpy(path, bus);
            std::strcat(path, "\\SerialController");
            UniqueHkey controllers = OpenForReading(root.get(), path);
            if (!controllers) return true;
            ForEachSubkey(controllers.get(), kShortName, [&](const char *name) {
                UniqueHkey controller = OpenForReading(controllers.get(), name);
                if (controller) AddController(controller.get(), "Identifier", add);
                return true;
            });
            return true;
        });
    }

    UniqueHkey serial = OpenForReading(HKEY_LOCAL_MACHINE, kSerialParameters);
    if (!serial) return;
    ForEachSubkey(serial.get(), kShortName, [&](const char *name) {
        UniqueHkey port = OpenForReading(serial.get(), name);
        if (port) AddController(port.get(), "DosDevices", add);
        return true;
    });
}

void WalkDeviceTree(const PortAdder &add)
{
    ForEachDeviceInstance([&](HKEY instance) {
        char port[kShortName], friendlyName[kLongName];
        if (!ReadString(instance, "PortName", port, sizeof port)) return true;
        // Parallel ports and every other device are passed over.
        char prefix[4];
        kor::CopySubstring(port, 3, prefix, sizeof prefix);
        if (kor::CompareNoCase(prefix, "COM") != 0) return true;
        const char *description = port;
        if (ReadString(instance, "FRIENDLYNAME", friendlyName, sizeof friendlyName) && friendlyName[0])
            description = friendlyName;
        DWORD id = 0, type = 0, size = sizeof id;
        bool created = RegQueryValueExA(instance, "CvexID", nullptr, &type, reinterpret_cast<BYTE *>(&id), &size) ==
                           ERROR_SUCCESS &&
                       type == REG_DWORD && (id & kCreatedPortId) == kCreatedPortId;
        add(port, description, created ? PORTF_REDIRECTED : PORTF_LOCAL);
        return true;
    });
}

BOOL ReadSavedFriendlyName(const char *portName, char *text)
{
    BOOL found = FALSE;
    ForEachDeviceInstance([&](HKEY instance) {
        char port[kShortName];
        if (!ReadString(instance, "PortName", port, sizeof port) || kor::CompareNoCase(port, portName) != 0)
            return true;
        found = ReadString(instance, "CVXOrgName", text, kSavedNameLimit);
        return false;
    });
    return found;
}

}  // namespace cvx
