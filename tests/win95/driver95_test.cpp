// Port driver conversion on Windows 95: the tests write the device tree
// under HKEY_LOCAL_MACHINE, redirect and restore ports through the exports
// and then read back every value with its type and bytes.
#include <functional>
#include <string>
#include <tuple>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

const std::string kClassPorts = std::string(kPortsClassPath) + "\\";
const std::string kCom1 = "Enum\\BIOS\\*PNP0501\\0C", kCom2 = "Enum\\BIOS\\*PNP0501\\0D";
const std::string kRootPorts = "Enum\\Root\\Ports\\";

std::string Desc(const std::string &port) { return ResourceFormatted(IDS_PORT_SHARED_DESC, port); }

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

class PortDriver95 : public CleanTest {
protected:
    std::string Ini() { return FileExists(ini_) ? ReadFileText(ini_) : "<none>"; }
};

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
    const std::string driver = "[" + kClassPorts + "0001]\nCVXOrgDriver=sz:serial.vxd\nDevLoader=sz:*vcomm\n"
                               "PortDriver=sz:CVRRDIR.VXD\n";
    EXPECT_EQ(entry("08000001", Desc("COM2")) + driver, DumpTree(kCom2) + DumpTree(kClassPorts + "0001"));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=LINE1\r\n[DESC]\r\nPort2Desc=" + ResourceString(IDS_REDIRECT_DESC) +
                  "\r\n", Ini());

    // Again: only the marker bits are set; what was saved the first time
    // stays, and a name changed since is not saved over it.
    PutKey(kCom2, {Dword("CvexID", 0x110), Sz("FRIENDLYNAME", "Renamed")});
    ASSERT_TRUE(CVU_SetClientRedirectionEx("com2", "LINE2", nullptr));
    EXPECT_EQ(entry("08000111", "Renamed") + driver, DumpTree(kCom2) + DumpTree(kClassPorts + "0001"));

    // The end puts back the driver and both names, byte for byte, and takes
    // the marker and the saved copies away.
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", nullptr));
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_EQ("[DESC]\r\n", Ini());
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
         "<none>", kClassPorts + "0001", "[" + kClassPorts + "0001]\nDevLoader=sz:*vcomm\nPortDriver=sz:serial.vxd\n"},
        {"a full list refuses after the conversion", [&] { WriteFileText(ini_, fullList); }, "COM2", "L", FALSE,
         fullList, kClassPorts + "0001", "[" + kClassPorts + "0001]\nCVXOrgDriver=sz:serial.vxd\nDevLoader=sz:*vcomm\n"
         "PortDriver=sz:CVRRDIR.VXD\n"},
        {"a driver key that cannot be made takes the new entry away",
         [] { DeleteTree(HKEY_LOCAL_MACHINE, kPortsClassPath), PutKey(kPortsClassPath, {}, REG_OPTION_VOLATILE); },
         "COM7", "L", FALSE, "<none>", "Enum\\Root", "[Enum\\Root]\n[Enum\\Root\\Ports]\n"},
    };
    for (const auto &[what, setup, port, line, ok, ini, key, dump] : rows) {
        ResetProductRegistry();
        SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", dir_);
        DeleteFileA(ini_.c_str());
        MakeSerialPorts();
        setup();
        const std::string before = DumpPortTrees();
        EXPECT_EQ(ok, CVU_SetClientRedirection(port, line)) << what;
        EXPECT_EQ(ini, Ini()) << what;
        EXPECT_EQ(key.empty() ? before : dump, key.empty() ? DumpPortTrees() : DumpTree(key)) << what;
    }
}

TEST_F(PortDriver95, CreatesPortsAndCleansThemUp)
{
    MakeSerialPorts();
    PutKey(kRootPorts + "0000", {Sz("PortName", "COM4")});  // a name taken, and a device never converted
    const std::string plain = DumpPortTrees(), desc = Desc("COM7");
    PutKey(kCom1, {Sz("CvexID", "a marker of another kind")});  // deleted by the clean-up, nothing restored
    const std::string marked = DumpPortTrees();
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
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(7)\r\nCOM7DEST=LINE7\r\n[DESC]\r\nPort7Desc=" + ResourceString(IDS_REDIRECT_DESC) +
                  "\r\n", Ini());
    // Its end deletes both keys.
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", nullptr));
    EXPECT_EQ(marked, DumpPortTrees());

    ASSERT_TRUE(CVU_SetClientRedirection("COM7", "A"));
    ASSERT_TRUE(CVU_SetClientRedirection("COM8", "B"));
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", "C"));
    const std::string ini = Ini(), converted = DumpPortTrees();
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
    EXPECT_EQ(ini, Ini());  // the configuration is not the clean-up's
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(plain, DumpPortTrees());

    ResetProductRegistry();  // no device tree at all
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), CVU_CleanupPorts());
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), CVU_Clean70Ports());
}

}  // namespace
