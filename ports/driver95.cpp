// Windows 95 port driver conversion and the two port clean-ups.
#include "ports/driver95.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "frame/frame.h"
#include "frame/owners.h"
#include "korutil/korutil.h"
#include "ports/portable/driverref.h"
#include "resources/resids.h"

namespace cvx {
namespace {

constexpr char kEnumKey[] = "Enum";
constexpr char kRootPortsKey[] = "Enum\\Root\\Ports";
constexpr char kClassKeyFormat[] = "System\\CurrentControlSet\\Services\\Class\\%s";
constexpr char kPortsClass[] = "Ports";
constexpr char kRedirectorDriver[] = "CVRRDIR.VXD";
constexpr char kSerialDriver[] = "serial.vxd";
constexpr char kOlderSchemeHardwareId[] = "CALVEX";

// "CvexID": bits of every port the product handles, and of one it created.
constexpr DWORD kMarkConverted = 0x08000001;
constexpr DWORD kMarkCreated = 0xE8000001;

constexpr DWORD kNameSize = 260;  // key names and most texts
constexpr DWORD kPortNameSize = 40;
constexpr DWORD kConvertDriverSize = 100;
constexpr DWORD kFormatSize = 100;
constexpr size_t kClassPathSize = sizeof kClassKeyFormat + kNameSize;
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// ---- values -----------------------------------------------------------------

// A value as it was read, kept with a terminator after its data so that it
// can be written back as REG_SZ whatever it held.
struct StoredValue {
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> bytes;
};

bool HasValue(HKEY key, const char *name)
{
    DWORD size = 0;
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool ReadValue(HKEY key, const char *name, StoredValue *value)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, &value->type, nullptr, &size) != ERROR_SUCCESS) return false;
        value->bytes.assign(size + 1, 0);
        LONG rc = RegQueryValueExA(key, name, nullptr, &value->type, value->bytes.data(), &size);
        if (rc == ERROR_SUCCESS) {
            value->size = size;
            return true;
        }
        // ERROR_MORE_DATA: the value grew between the two reads.
        if (rc != ERROR_MORE_DATA) return false;
    }
    return false;
}

LONG WriteValue(HKEY key, const char *name, DWORD type, const StoredValue &value)
{
    return RegSetValueExA(key, name, 0, type, value.bytes.data(), value.size);
}

// A REG_SZ value that fits in size bytes with its terminator.
bool ReadString(HKEY key, const char *name, char *buffer, DWORD size)
{
    DWORD type = 0, got = size;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &got);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        buffer[0] = '\0';
        return false;
    }
    buffer[got < size ? got : size - 1] = '\0';
    return true;
}

LONG WriteString(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

// Copies a REG_SZ value to another name of the same key.
void CopyString(HKEY key, const char *from, const char *to)
{
    StoredValue value;
    if (ReadValue(key, from, &value) && value.type == REG_SZ) WriteValue(key, to, REG_SZ, value);
}

// Puts a name saved by the conversion back and removes the saved copy.
void RestoreSavedName(HKEY entry, const char *saved, const char *name)
{
    StoredValue value;
    if (!ReadValue(entry, saved, &value)) return;
    if (value.type == REG_SZ) WriteValue(entry, name, REG_SZ, value);
    RegDeleteValueA(entry, saved);
}

// ---- keys ---------------------------------------------------------------------

LONG OpenClassKey(const char *subpath, REGSAM access, UniqueHkey *key)
{
    char path[kClassPathSize];
    std::snprintf(path, sizeof path, kClassKeyFormat, subpath);
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, key->put());
}

LONG CreateKey(HKEY parent, const char *path, UniqueHkey *key, DWORD *disposition = nullptr)
{
    return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key->put(),
                           disposition);
}

// The class and number that a device entry's "Driver" value names.
bool ReadDriverReference(HKEY entry, char className[kNameSize], char number[kNameSize])
{
    char driver[kNameSize];
    return ReadString(entry, "Driver", driver, sizeof driver) &&
           portable::SplitDriverReference(driver, className, kNameSize, number, kNameSize);
}

// ---- texts ------------------------------------------------------------------------

void LoadResourceText(UINT id, char *buffer, int size)
{
    buffer[0] = '\0';
    HINSTANCE module = CVU_GetResourceInstance(FALSE);
    if (module) LoadStringA(module, id, buffer, size);
}

// The name a redirected port shows: string 10004 with the port's name.
void PortDescription(const char *portName, char description[kNameSize])
{
    char format[kFormatSize];
    LoadResourceText(IDS_PORT_SHARED_DESC, format, sizeof format);
    // Without the resource module the port still gets a readable name.
    if (!format[0]) kor::CopyStringLimited("%s", format, sizeof format);
    portable::FormatWithText(format, portName, description, kNameSize);
}

// ---- the device tree ----------------------------------------------------------------

enum class WalkStep {
    Next,   // go on with the next instance
    Again,  // the instance was deleted: the same index names the next one
    Stop,
};

// Visits every instance Enum\<enumerator>\<device>\<instance>; the visitor
// gets the device key, open for reading and writing, and the instance name.
template <typename Visitor>
void WalkDeviceTree(HKEY enumKey, Visitor visit)
{
    char enumerator[kNameSize];
    for (DWORD e = 0; RegEnumKeyA(enumKey, e, enumerator, kNameSize) == ERROR_SUCCESS; ++e) {
        UniqueHkey enumeratorKey;
        if (RegOpenKeyExA(enumKey, enumerator, 0, KEY_READ, enumeratorKey.put()) != ERROR_SUCCESS) continue;
        char device[kNameSize];
        for (DWORD d = 0; RegEnumKeyA(enumeratorKey.get(), d, device, kNameSize) == ERROR_SUCCESS; ++d) {
            UniqueHkey deviceKey;
            if (RegOpenKeyExA(enumeratorKey.get(), device, 0, kReadWrite, deviceKey.put()) != ERROR_SUCCESS)
                continue;
            char instance[kNameSize];
            DWORD i = 0;
            while (RegEnumKeyA(deviceKey.get(), i, instance, kNameSize) == ERROR_SUCCESS) {
                WalkStep step = visit(deviceKey.get(), static_cast<const char *>(instance));
                if (step == WalkStep::Stop) return;
                if (step == WalkStep::Next) ++i;
            }
        }
    }
}

bool CarriesPortName(HKEY device, const char *instance, const char *wanted)
{
    UniqueHkey entry;
    if (RegOpenKeyExA(device, instance, 0, KEY_READ, entry.put()) != ERROR_SUCCESS) return false;
    char name[kPortNameSize];
    return ReadString(entry.get(), "PortName", name, sizeof name) && kor::CompareNoCase(name, wanted) == 0;
}

// Runs clean on every instance of the tree; the result of the exports.
DWORD CleanEveryPort(BOOL (*clean)(HKEY device, const char *instance))
{
    if (!CVU_IsWin95OS()) return 0;
    UniqueHkey enumKey;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEnumKey, 0, KEY_READ, enumKey.put());
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);
    WalkDeviceTree(enumKey.get(), [clean](HKEY device, const char *instance) {
        return clean(device, instance) ? WalkStep::Again : WalkStep::Next;
    });
    return static_cast<DWORD>(RegCloseKey(enumKey.release()));
}

// Writes a created port's values in their fixed order, stopping at the
// first that fails.
bool WriteCreatedPortValues(HKEY entry, HKEY driver, const char *portName, const char *driverName)
{
    struct Value {
        HKEY key;
        const char *name;
        DWORD type;
        const void *data;
        DWORD size;
    };
    auto text = [](HKEY key, const char *name, const char *value) {
        return Value{key, name, REG_SZ, value, static_cast<DWORD>(std::strlen(value) + 1)};
    };

    char driverReference[kNameSize];
    std::snprintf(driverReference, sizeof driverReference, "Ports\\%s", driverName);
    char manufacturer[kNameSize], hardwareId[kNameSize], driverDescription[kNameSize], description[kNameSize];
    LoadResourceText(IDS_PORT_MFG, manufacturer, sizeof manufacturer);
    LoadResourceText(IDS_PORT_HARDWAREID, hardwareId, sizeof hardwareId);
    LoadResourceText(IDS_PORT_DRIVERDESC, driverDescription, sizeof driverDescription);
    PortDescription(portName, description);
    static constexpr DWORD kMarker = kMarkCreated;
    static constexpr BYTE kConfigFlags[4] = {0x04, 0x00, 0x00, 0x00};  // CONFIGFLAG_MANUAL_INSTALL
    static constexpr BYTE kForcedConfig[12] = {0x00, 0x04};
    static constexpr BYTE kPortSubClass[1] = {0x01};

    const Value values[] = {
        text(entry, "Driver", driverReference),
        text(entry, "Class", kPortsClass),
        text(entry, "PortName", portName),
        {entry, "CvexID", REG_DWORD, &kMarker, sizeof kMarker},
        {entry, "ConfigFlags", REG_BINARY, kConfigFlags, sizeof kConfigFlags},
        {entry, "ForcedConfig", REG_BINARY, kForcedConfig, sizeof kForcedConfig},
        text(entry, "Mfg", manufacturer),
        text(entry, "HardwareID", hardwareId),
        text(entry, "DeviceDesc", description),
        text(entry, "FRIENDLYNAME", description),
        text(driver, "PortDriver", kRedirectorDriver),
        text(driver, "DevLoader", "*vcomm"),
        text(driver, "Enumerator", "serenum.vxd"),
        text(driver, "Contention", "*vcd"),
        text(driver, "ConfigDialog", "serialui.dll"),
        text(driver, "EnumPropPages", "serialui.dll,EnumPropPages"),
        {driver, "PortSubClass", REG_BINARY, kPortSubClass, sizeof kPortSubClass},
        {driver, "DCB", REG_BINARY, portable::kRedirectorDcb, sizeof portable::kRedirectorDcb},
        text(driver, "DriverDesc", driverDescription),
    };
    for (const Value &value : values)
        if (RegSetValueExA(value.key, value.name, 0, value.type, static_cast<const BYTE *>(value.data),
                           value.size) != ERROR_SUCCESS)
            return false;
    return true;
}

// The driver key of a port the older scheme converted gets its saved
// driver back. A driver key without "ALTDRIVER" stays exactly as it is:
// the older scheme left no other trace of its conversions, so a serial port
// it converted without saving "ALTDRIVER" cannot be told from a device it
// never touched (a parallel port holds its own "PortDriver", a port of the
// current scheme holds the redirector). Such a port keeps its driver until
// it is redirected and restored again, or set up anew in Windows.
void RestoreOlderSchemeDriver(HKEY classKey, const char *number)
{
    UniqueHkey driver;
    if (RegOpenKeyExA(classKey, number, 0, kReadWrite, driver.put()) != ERROR_SUCCESS) return;
    StoredValue saved;
    if (!ReadValue(driver.get(), "ALTDRIVER", &saved)) return;
    if (saved.type == REG_SZ)
        WriteValue(driver.get(), "PortDriver", REG_SZ, saved);
    else
        WriteString(driver.get(), "PortDriver", kSerialDriver);
    RegDeleteValueA(driver.get(), "ALTDRIVER");
}

// Gives a converted port's driver key its former driver (serial.vxd when
// none was saved).
void RestoreDriverKey(HKEY classKey, const char *number)
{
    UniqueHkey driver;
    if (RegOpenKeyExA(classKey, number, 0, kReadWrite, driver.put()) != ERROR_SUCCESS) return;
    StoredValue saved;
    bool haveSaved = ReadValue(driver.get(), "CVXOrgDriver", &saved);
    if (haveSaved) RegDeleteValueA(driver.get(), "CVXOrgDriver");
    if (haveSaved && saved.type == REG_SZ)
        WriteValue(driver.get(), "PortDriver", REG_SZ, saved);
    else
        WriteString(driver.get(), "PortDriver", kSerialDriver);
}

}  // namespace

BOOL RedirectPortDriver(const char *portName, BOOL redirect)
{
    if (kor::IsEmptyString(portName)) return FALSE;
    UniqueHkey enumKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEnumKey, 0, KEY_READ, enumKey.put()) != ERROR_SUCCESS) return FALSE;

    // Names are compared on the 39 characters that "PortName" can hold.
    char wanted[kPortNameSize];
    CopyStringBounded(wanted, portName, sizeof wanted);
    bool found = false;
    BOOL result = TRUE;
    WalkDeviceTree(enumKey.get(), [&](HKEY device, const char *instance) {
        if (!CarriesPortName(device, instance, wanted)) return WalkStep::Next;
        found = true;
        if (redirect)
            result = ConvertPortToRedirector(device, instance, portName);
        else
            RestorePortDriver(device, instance);
        return WalkStep::Stop;
    });
    enumKey.reset();

    if (!found && redirect) return CreateRedirectorPort(portName);
    return result;
}

BOOL ConvertPortToRedirector(HKEY device, const char *instance, const char *portName)
{
    UniqueHkey entry;
    if (RegOpenKeyExA(device, instance, 0, kReadWrite, entry.put()) != ERROR_SUCCESS) return FALSE;

    DWORD marker = 0, type = 0, size = sizeof marker;
    LONG rc = RegQueryValueExA(entry.get(), "CvexID", nullptr, &type, reinterpret_cast<BYTE *>(&marker), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof marker) {
        // A marker of another type is not ours to keep.
        if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) RegDeleteValueA(entry.get(), "CvexID");
        marker = 0;
    }
    marker |= kMarkConverted;
    RegSetValueExA(entry.get(), "CvexID", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&marker), sizeof marker);

    char driverReference[kConvertDriverSize];
    if (!ReadString(entry.get(), "Driver", driverReference, sizeof driverReference)) return FALSE;
    UniqueHkey driver;
    if (OpenClassKey(driverReference, kReadWrite, &driver) != ERROR_SUCCESS) return FALSE;

    // A saved driver means an earlier conversion: the saved values stay.
    if (HasValue(driver.get(), "CVXOrgDriver")) return TRUE;

    StoredValue former;
    if (ReadValue(driver.get(), "PortDriver", &former)) WriteValue(driver.get(), "CVXOrgDriver", REG_SZ, former);
    WriteString(driver.get(), "PortDriver", kRedirectorDriver);
    CopyString(entry.get(), "FRIENDLYNAME", "CVXOrgName");
    CopyString(entry.get(), "DeviceDesc", "CVXOrgDesc");
    char description[kNameSize];
    PortDescription(portName, description);
    WriteString(entry.get(), "FRIENDLYNAME", description);
    WriteString(entry.get(), "DeviceDesc", description);
    return TRUE;
}

BOOL RestorePortDriver(HKEY device, const char *instance)
{
    bool created = false;
    {
        UniqueHkey entry;
        if (RegOpenKeyExA(device, instance, 0, kReadWrite, entry.put()) != ERROR_SUCCESS) return FALSE;

        DWORD marker = 0, type = 0, size = sizeof marker;
        LONG rc = RegQueryValueExA(entry.get(), "CvexID", nullptr, &type, reinterpret_cast<BYTE *>(&marker), &size);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return FALSE;
        RegDeleteValueA(entry.get(), "CvexID");
        if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof marker || !(marker & kMarkConverted))
            return FALSE;
        created = (marker & kMarkCreated) == kMarkCreated;

        char className[kNameSize], number[kNameSize];
        UniqueHkey classKey;
        if (ReadDriverReference(entry.get(), className, number) &&
            OpenClassKey(className, kReadWrite, &classKey) == ERROR_SUCCESS) {
            if (created)
                RegDeleteKeyA(classKey.get(), number);
            else
                RestoreDriverKey(classKey.get(), number);
            classKey.reset();
            RestoreSavedName(entry.get(), "CVXOrgName", "FRIENDLYNAME");
            RestoreSavedName(entry.get(), "CVXOrgDesc", "DeviceDesc");
        }
    }
    // A created port goes whole, even when its driver key could not be found.
    return created && RegDeleteKeyA(device, instance) == ERROR_SUCCESS;
}

BOOL CreateRedirectorPort(const char *portName)
{
    if (kor::IsEmptyString(portName)) return FALSE;
    UniqueHkey ports, portsClass;
    if (CreateKey(HKEY_LOCAL_MACHINE, kRootPortsKey, &ports) != ERROR_SUCCESS) return FALSE;
    char classPath[kClassPathSize];
    std::snprintf(classPath, sizeof classPath, kClassKeyFormat, kPortsClass);
    if (CreateKey(HKEY_LOCAL_MACHINE, classPath, &portsClass) != ERROR_SUCCESS) return FALSE;

    char entryName[kInstanceNameSize], driverName[kInstanceNameSize];
    FreeInstanceName(ports.get(), entryName);
    FreeInstanceName(portsClass.get(), driverName);

    // Only keys made here are deleted on failure; a name that turned out to
    // be taken after all is left to its owner.
    UniqueHkey entry, driver;
    DWORD entryDisposition = 0, driverDisposition = 0;
    if (CreateKey(ports.get(), entryName, &entry, &entryDisposition) != ERROR_SUCCESS) return FALSE;
    if (entryDisposition != REG_CREATED_NEW_KEY) return FALSE;
    bool written = CreateKey(portsClass.get(), driverName, &driver, &driverDisposition) == ERROR_SUCCESS &&
                   driverDisposition == REG_CREATED_NEW_KEY &&
                   WriteCreatedPortValues(entry.get(), driver.get(), portName, driverName);
    entry.reset();
    driver.reset();
    if (!written) {
        RegDeleteKeyA(ports.get(), entryName);
        if (driverDisposition == REG_CREATED_NEW_KEY) RegDeleteKeyA(portsClass.get(), driverName);
    }
    return written;
}

void FreeInstanceName(HKEY key, char name[kInstanceNameSize])
{
    for (DWORD n = 0;; ++n) {
        std::snprintf(name, kInstanceNameSize, "%04lu", static_cast<unsigned long>(n));
        UniqueHkey subkey;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, subkey.put()) != ERROR_SUCCESS) return;
    }
}

BOOL CleanOlderSchemePort(HKEY device, const char *instance)
{
    bool created = false;
    {
        UniqueHkey entry;
        if (RegOpenKeyExA(device, instance, 0, kReadWrite, entry.put()) != ERROR_SUCCESS) return FALSE;
        char hardwareId[kNameSize];
        if (!ReadString(entry.get(), "HardwareID", hardwareId, sizeof hardwareId)) return FALSE;
        created = kor::CompareNoCase(hardwareId, kOlderSchemeHardwareId) == 0;

        char className[kNameSize], number[kNameSize];
        UniqueHkey classKey;
        if (ReadDriverReference(entry.get(), className, number) &&
            OpenClassKey(className, kReadWrite, &classKey) == ERROR_SUCCESS) {
            if (created)
                RegDeleteKeyA(classKey.get(), number);
            else
                RestoreOlderSchemeDriver(classKey.get(), number);
        }
    }
    return created && RegDeleteKeyA(device, instance) == ERROR_SUCCESS;
}

}  // namespace cvx

extern "C" DWORD WINAPI CVU_CleanupPorts(void) { return cvx::CleanEveryPort(cvx::RestorePortDriver); }

extern "C" DWORD WINAPI CVU_Clean70Ports(void) { return cvx::CleanEveryPort(cvx::CleanOlderSchemePort); }
