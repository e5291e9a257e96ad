// Ports on Windows 95: the tests write the device tree under
// HKEY_LOCAL_MACHINE, list, share, redirect and restore ports through the
// exports, and read back every value with its type and bytes.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"

using namespace cvxtest;

namespace {

// A value's name, type and bytes.
using RegValue = std::tuple<std::string, DWORD, std::string>;
RegValue Sz(const std::string &name, const std::string &text) { return {name, REG_SZ, text + '\0'}; }
RegValue Dword(const std::string &name, DWORD value) { return {name, REG_DWORD, std::string((char *)&value, 4)}; }

// Creates HKEY_LOCAL_MACHINE\path (and its parents) and writes the values.
void PutKey(const std::string &path, std::initializer_list<RegValue> values, DWORD options = 0)
{
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    for (const auto &[name, type, bytes] : values)
        RegSetValueExA(key, name.c_str(), 0, type, (const BYTE *)bytes.data(), DWORD(bytes.size()));
    RegCloseKey(key);
}

// "[path]" and a "name=value" line per value (sorted without case), for the key and every key below it
// in the registry's order; a value reads sz:<text> (one zero at its end), dword:<8 hex digits> or hex(type):<bytes>.
std::string DumpTree(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::vector<std::pair<std::string, std::string>> values;
    char name[512], data[1024], hex[16];
    for (DWORD i = 0, nameSize = sizeof name, type, size = sizeof data;
         RegEnumValueA(key, i, name, &nameSize, nullptr, &type, (BYTE *)data, &size) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, size = sizeof data) {
        std::string text = "hex(" + std::to_string(type) + "):";
        for (DWORD b = 0; b < size; ++b) std::snprintf(hex, sizeof hex, b ? ",%02x" : "%02x", (BYTE)data[b]), text += hex;
        if (type == REG_DWORD && size == 4) std::snprintf(hex, sizeof hex, "dword:%08lx", *(unsigned long *)data), text = hex;
        if (type == REG_SZ && size && std::string(data, size).find('\0') == size - 1) text = "sz:" + std::string(data);
        values.emplace_back(name, text);
    }
    std::sort(values.begin(), values.end(), [](auto &a, auto &b) { return _stricmp(a.first.c_str(), b.first.c_str()) < 0; });
    std::string out = "[" + path + "]\n";
    for (auto &[name, value] : values) out += name + "=" + value + "\n";
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) out += DumpTree(path + "\\" + name);
    RegCloseKey(key);
    return out;
}

const std::string kPortsClass = "System\\CurrentControlSet\\Services\\Class\\Ports", kClassPorts = kPortsClass + "\\";
const std::string kCom1 = "Enum\\BIOS\\*PNP0501\\0C", kCom2 = "Enum\\BIOS\\*PNP0501\\0D", kRootPorts = "Enum\\Root\\Ports\\";

// Both trees that the port driver conversion works on.
std::string DumpPortTrees() { return DumpTree("Enum") + DumpTree(kPortsClass); }
std::string Desc(const std::string &port) { return ResourceFormatted(IDS_PORT_SHARED_DESC, port); }

// Ports\0001 once COM2 went to the redirector.
const std::string kConvertedDriver = "[" + kClassPorts + "0001]\nCVXOrgDriver=sz:serial.vxd\nDevLoader=sz:*vcomm\n"
                                     "PortDriver=sz:CVRRDIR.VXD\n";

// COM1 and COM2 as Windows 95 sets them up, driver keys Ports\0000 and Ports\0001.
void MakeSerialPorts()
{
    for (const auto &[entry, n] : {std::pair{kCom1, '0'}, {kCom2, '1'}}) {
        PutKey(entry, {Sz("PortName", std::string("COM") + char(n + 1)), Sz("Driver", std::string("Ports\\000") + n),
                       Sz("FRIENDLYNAME", std::string("Communications Port (COM") + char(n + 1) + ")"),
                       Sz("DeviceDesc", "Communications Port"), Sz("HardwareID", "*PNP0501")});
        PutKey(kClassPorts + "000" + n, {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm")});
    }
}

class PortDriver95 : public CleanTest {};

TEST_F(PortDriver95, ConvertsAPortOnceAndRestoresIt)
{
    MakeSerialPorts();
    const std::string before = DumpPortTrees();
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", "LINE1"));
    auto entry = [&](const char *id, const std::string &name) {
        return "[" + kCom2 + "]\nCvexID=dword:" + id + "\nCVXOrgDesc=sz:Communications Port\nCVXOrgName=sz:"
               "Communications Port (COM2)\nDeviceDesc=sz:" + Desc("COM2") + "\nDriver=sz:Ports\\0001\nFRIENDLYNAME=sz:" +
               name + "\nHardwareID=sz:*PNP0501\nPortName=sz:COM2\n";
    };
    EXPECT_EQ(entry("08000001", Desc("COM2")) + kConvertedDriver, DumpTree(kCom2) + DumpTree(kClassPorts + "0001"));

    // Again: only the marker bits are set; what was saved the first time
    // stays, and a name changed since is not saved over it.
    PutKey(kCom2, {Dword("CvexID", 0x110), Sz("FRIENDLYNAME", "Renamed")});
    ASSERT_TRUE(CVU_SetClientRedirectionEx("com2", "LINE2", nullptr));
    EXPECT_EQ(entry("08000111", "Renamed") + kConvertedDriver, DumpTree(kCom2) + DumpTree(kClassPorts + "0001"));

    // The end puts back the driver and both names, byte for byte, and takes
    // the marker and the saved copies away.
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", nullptr));
    EXPECT_EQ(before, DumpPortTrees());
}

TEST_F(PortDriver95, RefusalsLeaveTheFileAlone)
{
    std::string fullList = "[CLIENT]\r\nREDIRECTPORTS=(3";
    for (int n = 4; n <= 33; ++n) fullList += n < 33 ? "," + std::to_string(n) : ")\r\n";
    // Each row: its setup, the call, the file after it, and a key with its dump (without a key,
    // the whole tree stays as it was).
    const std::tuple<const char *, std::function<void()>, const char *, const char *, BOOL, std::string, std::string,
                     std::string> rows[] = {
        {"a port never converted is restored as it is", [] {}, "COM1", "", TRUE, "[CLIENT]\r\nCOM1DEST=\r\n", "", ""},
        {"a driver value of another type", [] { PutKey(kCom2, {{"Driver", REG_BINARY, "Ports"}}); }, "COM2", "L", FALSE,
         "", kClassPorts + "0001", "[" + kClassPorts + "0001]\nDevLoader=sz:*vcomm\nPortDriver=sz:serial.vxd\n"},
        {"a full list refuses after the conversion", [&] { WriteFileText(ini_, fullList); }, "COM2", "L", FALSE,
         fullList, kClassPorts + "0001", kConvertedDriver},
        {"a driver key that cannot be made takes the new entry away",
         [] { DeleteTree(HKEY_LOCAL_MACHINE, kPortsClass.c_str()), PutKey(kPortsClass, {}, REG_OPTION_VOLATILE); },
         "COM7", "L", FALSE, "", "Enum\\Root", "[Enum\\Root]\n[Enum\\Root\\Ports]\n"},
    };
    for (const auto &[what, setup, port, line, ok, ini, key, dump] : rows) {
        ResetProductRegistry();
        SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", dir_);
        DeleteFileA(ini_.c_str());
        MakeSerialPorts();
        setup();
        const std::string before = DumpPortTrees();
        EXPECT_EQ(ok, CVU_SetClientRedirection(port, line)) << what;
        EXPECT_EQ(ini, ReadFileText(ini_)) << what;
        EXPECT_EQ(key.empty() ? before : dump, key.empty() ? DumpPortTrees() : DumpTree(key)) << what;
    }
}

TEST_F(PortDriver95, CreatesPortsAndCleansThemUp)
{
    MakeSerialPorts();
    PutKey(kRootPorts + "0000", {Sz("PortName", "COM4")});  // a name taken, and a device never converted
    const std::string plain = DumpPortTrees(), desc = Desc("COM7");
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", "LINE7"));
    EXPECT_EQ("[" + kRootPorts + "0001]\nClass=sz:Ports\nConfigFlags=hex(3):04,00,00,00\nCvexID=dword:e8000001\n"
              "DeviceDesc=sz:" + desc + "\nDriver=sz:Ports\\0002\nForcedConfig=hex(3):00,04,00,00,00,00,00,00,00,00,"
              "00,00\nFRIENDLYNAME=sz:" + desc + "\nHardwareID=sz:" + ResourceString(IDS_PORT_HARDWAREID) + "\nMfg=sz:" +
              ResourceString(IDS_PORT_MFG) + "\nPortName=sz:COM7\n"
              "[" + kClassPorts + "0002]\nConfigDialog=sz:serialui.dll\nContention=sz:*vcd\n"
              "DCB=hex(3):1c,00,00,00,80,25,00,00,11,33,00,00,00,00,0a,00,0a,00,08,00,00,11,13,00,00,00\n"
              "DevLoader=sz:*vcomm\nDriverDesc=sz:" + ResourceString(IDS_PORT_DRIVERDESC) + "\n"
              "Enumerator=sz:serenum.vxd\nEnumPropPages=sz:serialui.dll,EnumPropPages\nPortDriver=sz:CVRRDIR.VXD\n"
              "PortSubClass=hex(3):01\n",
              DumpTree(kRootPorts + "0001") + DumpTree(kClassPorts + "0002"));
    // Its end deletes both keys.
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", nullptr));
    EXPECT_EQ(plain, DumpPortTrees());

    for (const char *port : {"COM7", "COM8", "COM2"}) ASSERT_TRUE(CVU_SetClientRedirection(port, "A")) << port;
    const std::string ini = ReadFileText(ini_), converted = DumpPortTrees();
    // The older scheme's clean-up takes its own ports only: a created one has HardwareID "CALVEX", a
    // converted one's driver key an "ALTDRIVER".
    PutKey(kRootPorts + "0003", {Sz("HardwareID", "calvex"), Sz("Driver", "Ports\\0005"), Sz("PortName", "COM6")});
    PutKey(kClassPorts + "0005", {Sz("PortDriver", "CVRRDIR.VXD")});
    PutKey(kClassPorts + "0000", {Sz("PortDriver", "CVRRDIR.VXD"), Sz("ALTDRIVER", "serial.vxd")});
    EXPECT_EQ(0u, CVU_Clean70Ports());
    EXPECT_EQ(converted, DumpPortTrees());
    // The two created ports sit next to each other: after the first goes, the same index yields the second.
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(plain, DumpPortTrees());
    EXPECT_EQ(ini, ReadFileText(ini_));  // the configuration is not the clean-up's

    ResetProductRegistry();  // no device tree at all
    EXPECT_EQ("2|2", std::to_string(CVU_CleanupPorts()) + "|" + std::to_string(CVU_Clean70Ports()));  // not found
}

// The texts of the ports that can be shared, each with its "shared" flag.
std::string Texts()
{
    std::string texts;
    char text[260];
    DWORD shared = 0;
    for (INT i = 0; (i = CVU_GetCommPortsA(i, text, &shared)) != -1 && texts.size() < 500;)
        texts += std::string(text) + "=" + std::to_string(shared) + "|";
    return texts;
}

class PortList95 : public CleanTest {};

TEST_F(PortList95, DeviceTreeEntriesAndSharingByDescription)
{
    // Windows 95 keeps the product's values under its own key.
    ASSERT_TRUE(IsWin95Platform() && CVU_IsWin95OS()) << "the prefix must run this executable as Windows 95";
    SetRegDword(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Calvex", "dwInstalledValue", 2);
    EXPECT_EQ("1|0", std::to_string(CVU_IsComponentInstalled(3)) + "|" + std::to_string(CVU_IsComponentInstalled(4)));

    // COM1 and COM2, a printer port, a modem's port without a friendly name, a port the product
    // created (COM5) and one it converted (COM6).
    MakeSerialPorts();
    PutKey("Enum\\BIOS\\*PNP0400\\0A", {Sz("PortName", "LPT1"), Sz("FRIENDLYNAME", "Printer Port (LPT1)")});
    PutKey("Enum\\ISAPNP\\MODEM\\01", {Sz("PortName", "com7"), Sz("FRIENDLYNAME", "")});
    PutKey(kRootPorts + "0000", {Sz("PortName", "COM5"), Dword("CvexID", 0xE8000001), Sz("FRIENDLYNAME", "New")});
    PutKey(kRootPorts + "0001", {Sz("PortName", "COM6"), Dword("CvexID", 0x08000001),
                                 Sz("FRIENDLYNAME", "Converted (COM6)"), Sz("CVXOrgName", "Former (COM6)")});
    // Printer ports are passed over; a created port cannot be shared, but it takes its number; a
    // converted port shows the name it had before.
    EXPECT_EQ("Communications Port (COM1)=0|Communications Port (COM2)=0|com7=0|Former (COM6)=0|", Texts());
    EXPECT_EQ(8, CVU_GetNextRedirectedPort(5));

    for (const char *name : {"COM2", "Former (COM6)", "New", "Printer Port (LPT1)"})
        EXPECT_FALSE(CVU_ShareCommPortA(name)) << name;
    EXPECT_FALSE(FileExists(ini_));
    ASSERT_TRUE(CVU_ShareCommPortA("communications port (com2)"));
    const std::string shared = ReadFileText(ini_), name = ResourceFormatted(IDS_SHARE_NAME_FMT, "2");
    EXPECT_NE(std::string::npos, shared.find("[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + name + "\r\n")) << shared;
    // The port went to the redirector: its former name is what the texts show.
    EXPECT_EQ("Communications Port (COM1)=0|Communications Port (COM2)=1|com7=0|Former (COM6)=0|", Texts());
    // Its description is now the product's, which finds it shared already.
    EXPECT_TRUE(CVU_ShareCommPortA(Desc("COM2").c_str()));
    EXPECT_EQ(shared, ReadFileText(ini_));
}

}  // namespace
