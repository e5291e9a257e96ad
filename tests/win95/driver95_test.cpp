// Port driver conversion on Windows 95: the tests write the device tree
// under HKEY_LOCAL_MACHINE, redirect and restore ports through the exports
// and then read back every value with its type and bytes.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "harness/resources.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

const std::string kClassPorts = std::string(kPortsClassPath) + "\\";
const std::string kCom1 = "Enum\\BIOS\\*PNP0501\\0C";
const std::string kCom2 = "Enum\\BIOS\\*PNP0501\\0D";
const std::string kRootPorts = "Enum\\Root\\Ports\\";

std::string PortDescription(const std::string &port) { return ResourceFormatted(IDS_PORT_SHARED_DESC, port); }

class PortDriver95 : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        ASSERT_TRUE(IsWin95Platform()) << "the prefix must run this executable as Windows 95";
        ASSERT_NE(std::string::npos, ResourceString(IDS_PORT_SHARED_DESC).find("%s"));
    }

    // Two serial ports as Windows 95 sets them up: COM1 and COM2 on the
    // BIOS enumerator, driver keys Ports\0000 and Ports\0001.
    void MakeSerialPorts()
    {
        PutKey(kCom1, {Sz("PortName", "COM1"), Sz("Driver", "Ports\\0000"), Sz("HardwareID", "*PNP0501"),
                       Sz("FRIENDLYNAME", "Communications Port (COM1)"), Sz("DeviceDesc", "Communications Port")});
        PutKey(kClassPorts + "0000", {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm"), Sz("Contention", "*vcd")});
        PutKey(kCom2, {Sz("PortName", "COM2"), Sz("Driver", "Ports\\0001"), Sz("HardwareID", "*PNP0501"),
                       Sz("FRIENDLYNAME", "Communications Port (COM2)"), Sz("DeviceDesc", "Communications Port")});
        PutKey(kClassPorts + "0001", {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm"), Sz("Contention", "*vcd")});
    }

    std::string Ini() { return ReadFileText(ini_); }
};

TEST_F(PortDriver95, ConvertsAPortOnceAndRestoresIt)
{
    MakeSerialPorts();
    const std::string before = DumpPortTrees(), com1Before = DumpTree(kCom1) + DumpTree(kClassPorts + "0000");
    const std::string desc = PortDescription("COM2");

    ASSERT_TRUE(CVU_SetClientRedirection("COM2", "LINE1"));
    EXPECT_EQ("[" + kCom2 + "]\nCvexID=dword:08000001\nCVXOrgDesc=sz:Communications Port\n"
              "CVXOrgName=sz:Communications Port (COM2)\nDeviceDesc=sz:" + desc + "\nDriver=sz:Ports\\0001\n"
              "FRIENDLYNAME=sz:" + desc + "\nHardwareID=sz:*PNP0501\nPortName=sz:COM2\n",
              DumpTree(kCom2));
    EXPECT_EQ("[" + kClassPorts + "0001]\nContention=sz:*vcd\nCVXOrgDriver=sz:serial.vxd\nDevLoader=sz:*vcomm\n"
              "PortDriver=sz:CVRRDIR.VXD\n",
              DumpTree(kClassPorts + "0001"));
    EXPECT_EQ(com1Before, DumpTree(kCom1) + DumpTree(kClassPorts + "0000"));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=LINE1\r\n[DESC]\r\nPort2Desc=" +
                  ResourceString(IDS_REDIRECT_DESC) + "\r\n",
              Ini());

    // Converting again only sets the marker bits: what was saved the first
    // time stays, and a name changed since is not saved over it.
    PutKey(kCom2, {Dword("CvexID", 0x110), Sz("FRIENDLYNAME", "Renamed")});
    const std::string driverConverted = DumpTree(kClassPorts + "0001");
    ASSERT_TRUE(CVU_SetClientRedirectionEx("com2", "LINE2", nullptr));
    EXPECT_EQ("[" + kCom2 + "]\nCvexID=dword:08000111\nCVXOrgDesc=sz:Communications Port\n"
              "CVXOrgName=sz:Communications Port (COM2)\nDeviceDesc=sz:" + desc + "\nDriver=sz:Ports\\0001\n"
              "FRIENDLYNAME=sz:Renamed\nHardwareID=sz:*PNP0501\nPortName=sz:COM2\n",
              DumpTree(kCom2));
    EXPECT_EQ(driverConverted, DumpTree(kClassPorts + "0001"));

    // Ending the redirection puts back the driver and both names, byte for
    // byte, and takes the marker and the saved copies away.
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", nullptr));
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_EQ("[DESC]\r\n", Ini());
}

TEST_F(PortDriver95, RestoringAPortNeverConvertedChangesNothing)
{
    MakeSerialPorts();
    const std::string before = DumpPortTrees();
    EXPECT_TRUE(CVU_SetClientRedirection("COM1", ""));
    EXPECT_TRUE(CVU_SetClientRedirection("COM9", nullptr));  // no such device
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_EQ("[CLIENT]\r\nCOM1DEST=\r\n", Ini());
}

TEST_F(PortDriver95, ConversionWithoutSavedNamesOrDriver)
{
    // A port whose entry has no names and whose driver key no driver: the
    // conversion saves nothing, and restoring gives it serial.vxd.
    PutKey("Enum\\ISAPNP\\CARD\\01", {Sz("PortName", "COM3"), Sz("Driver", "Ports\\0000")});
    PutKey(kClassPorts + "0000", {Sz("DevLoader", "*vcomm")});
    const std::string desc = PortDescription("COM3");
    ASSERT_TRUE(CVU_SetClientRedirection("COM3", "L"));
    EXPECT_EQ("[Enum\\ISAPNP\\CARD\\01]\nCvexID=dword:08000001\nDeviceDesc=sz:" + desc +
                  "\nDriver=sz:Ports\\0000\nFRIENDLYNAME=sz:" + desc + "\nPortName=sz:COM3\n",
              DumpTree("Enum\\ISAPNP\\CARD\\01"));
    EXPECT_EQ("[" + kClassPorts + "0000]\nDevLoader=sz:*vcomm\nPortDriver=sz:CVRRDIR.VXD\n", DumpTree(kClassPorts + "0000"));

    ASSERT_TRUE(CVU_SetClientRedirection("COM3", nullptr));
    EXPECT_EQ("[Enum\\ISAPNP\\CARD\\01]\nDeviceDesc=sz:" + desc + "\nDriver=sz:Ports\\0000\nFRIENDLYNAME=sz:" + desc +
                  "\nPortName=sz:COM3\n",
              DumpTree("Enum\\ISAPNP\\CARD\\01"));
    EXPECT_EQ("[" + kClassPorts + "0000]\nDevLoader=sz:*vcomm\nPortDriver=sz:serial.vxd\n", DumpTree(kClassPorts + "0000"));
}

TEST_F(PortDriver95, CreatesAPortTheMachineLacks)
{
    MakeSerialPorts();
    // Taken names: device entries 0000 and 0002, driver keys 0000 and 0001.
    PutKey(kRootPorts + "0000", {Sz("PortName", "COM4")});
    PutKey(kRootPorts + "0002", {Sz("PortName", "COM5")});
    const std::string before = DumpPortTrees();
    const std::string desc = PortDescription("COM7");

    ASSERT_TRUE(CVU_SetClientRedirection("COM7", "LINE7"));
    // Nineteen values: ten in the device entry, nine in the driver key.
    EXPECT_EQ("[" + kRootPorts + "0001]\nClass=sz:Ports\nConfigFlags=hex(3):04,00,00,00\nCvexID=dword:e8000001\n"
              "DeviceDesc=sz:" + desc + "\nDriver=sz:Ports\\0002\n"
              "ForcedConfig=hex(3):00,04,00,00,00,00,00,00,00,00,00,00\nFRIENDLYNAME=sz:" + desc + "\n"
              "HardwareID=sz:" + ResourceString(IDS_PORT_HARDWAREID) + "\nMfg=sz:" + ResourceString(IDS_PORT_MFG) +
                  "\nPortName=sz:COM7\n",
              DumpTree(kRootPorts + "0001"));
    EXPECT_EQ("[" + kClassPorts + "0002]\nConfigDialog=sz:serialui.dll\nContention=sz:*vcd\n"
              "DCB=hex(3):1c,00,00,00,80,25,00,00,11,33,00,00,00,00,0a,00,0a,00,08,00,00,11,13,00,00,00\n"
              "DevLoader=sz:*vcomm\nDriverDesc=sz:" + ResourceString(IDS_PORT_DRIVERDESC) + "\n"
              "Enumerator=sz:serenum.vxd\nEnumPropPages=sz:serialui.dll,EnumPropPages\nPortDriver=sz:CVRRDIR.VXD\n"
              "PortSubClass=hex(3):01\n",
              DumpTree(kClassPorts + "0002"));
    EXPECT_FALSE(ResourceString(IDS_PORT_DRIVERDESC).empty());
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(7)\r\nCOM7DEST=LINE7\r\n[DESC]\r\nPort7Desc=" +
                  ResourceString(IDS_REDIRECT_DESC) + "\r\n",
              Ini());

    // Redirecting it again finds the created port by its name and only
    // marks it; ending the redirection deletes both keys.
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", "LINE8"));
    EXPECT_NE(std::string::npos, DumpTree(kRootPorts + "0001").find("CvexID=dword:e8000001\n"));
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", nullptr));
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_EQ("[DESC]\r\n", Ini());
}

TEST_F(PortDriver95, CreatesTheParentKeysOfTheFirstPort)
{
    PutKey("Enum\\BIOS", {});
    ASSERT_TRUE(CVU_SetClientRedirection("COM12", "L"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, (kRootPorts + "0000").c_str()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, (kClassPorts + "0000").c_str()));
    EXPECT_NE(std::string::npos, DumpTree(kRootPorts + "0000").find("Driver=sz:Ports\\0000\n"));

    // The parents stay when the port goes.
    ASSERT_TRUE(CVU_SetClientRedirection("COM12", nullptr));
    EXPECT_EQ("[Enum]\n[Enum\\BIOS]\n[Enum\\Root]\n[Enum\\Root\\Ports]\n[" + std::string(kPortsClassPath) + "]\n",
              DumpPortTrees());
}

TEST_F(PortDriver95, MarkerOfAnotherTypeIsReplacedOrDeleted)
{
    MakeSerialPorts();
    const std::string plain = DumpPortTrees();
    PutKey(kCom1, {Sz("CvexID", "a marker of another kind")});
    PutKey(kCom2, {Sz("CvexID", "x")});

    ASSERT_TRUE(CVU_SetClientRedirection("COM2", "L"));
    EXPECT_NE(std::string::npos, DumpTree(kCom2).find("CvexID=dword:08000001\n"));
    EXPECT_NE(std::string::npos, DumpTree(kCom1).find("CvexID=sz:a marker of another kind\n"));

    // The clean-up deletes COM1's marker without restoring anything there,
    // and gives COM2 its driver and names back.
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(plain, DumpPortTrees());
}

TEST_F(PortDriver95, DamagedDriverValues)
{
    MakeSerialPorts();
    // "Driver" of another type: the conversion fails after marking the port,
    // and the configuration file is not touched.
    PutKey(kCom2, {Binary("Driver", {'P', 'o', 'r', 't', 's'})});
    const std::string driverKey = DumpTree(kClassPorts + "0001");
    EXPECT_FALSE(CVU_SetClientRedirection("COM2", "L"));
    EXPECT_NE(std::string::npos, DumpTree(kCom2).find("CvexID=dword:08000001\n"));
    EXPECT_EQ(driverKey, DumpTree(kClassPorts + "0001"));
    EXPECT_FALSE(FileExists(ini_));

    // A driver key that does not exist fails the same way.
    PutKey(kCom1, {Sz("Driver", "Ports\\0009")});
    EXPECT_FALSE(CVU_SetClientRedirection("COM1", "L"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, (kClassPorts + "0009").c_str()));
    EXPECT_FALSE(FileExists(ini_));

    // A converted port whose "Driver" lost its number: restoring only takes
    // the marker; the saved driver and names stay where they are.
    PutKey("Enum\\BIOS\\*PNP0501\\0E",
           {Sz("PortName", "COM3"), Sz("Driver", "Ports\\"), Dword("CvexID", 0x08000001),
            Sz("CVXOrgName", "old name"), Sz("CVXOrgDesc", "old desc"), Sz("FRIENDLYNAME", "new")});
    PutKey(kClassPorts + "0002", {Sz("PortDriver", "CVRRDIR.VXD"), Sz("CVXOrgDriver", "serial.vxd")});
    const std::string converted = DumpTree(kClassPorts + "0002");
    EXPECT_TRUE(CVU_SetClientRedirection("COM3", nullptr));
    EXPECT_EQ("[Enum\\BIOS\\*PNP0501\\0E]\nCVXOrgDesc=sz:old desc\nCVXOrgName=sz:old name\nDriver=sz:Ports\\\n"
              "FRIENDLYNAME=sz:new\nPortName=sz:COM3\n",
              DumpTree("Enum\\BIOS\\*PNP0501\\0E"));
    EXPECT_EQ(converted, DumpTree(kClassPorts + "0002"));
}

TEST_F(PortDriver95, FailedCreationLeavesNoNewKeys)
{
    MakeSerialPorts();
    // A volatile class key refuses the lasting driver key, after the device
    // entry has been made: that entry must go again.
    DeleteTree(HKEY_LOCAL_MACHINE, kPortsClassPath);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsClassPath, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    const std::string before = DumpPortTrees();

    EXPECT_FALSE(CVU_SetClientRedirection("COM7", "L"));
    EXPECT_EQ(before.substr(0, before.find("[System")) + "[Enum\\Root]\n[Enum\\Root\\Ports]\n" +
                  before.substr(before.find("[System")),
              DumpPortTrees());
    EXPECT_FALSE(FileExists(ini_));

    // A volatile "Enum\Root\Ports" refuses the device entry itself.
    DeleteTree(HKEY_LOCAL_MACHINE, "Enum\\Root");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Enum\\Root\\Ports", 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    EXPECT_FALSE(CVU_SetClientRedirection("COM7", "L"));
    EXPECT_EQ("[Enum\\Root\\Ports]\n", DumpTree("Enum\\Root\\Ports"));
    EXPECT_FALSE(FileExists(ini_));
}

TEST_F(PortDriver95, WithoutADeviceTreeNothingIsRedirected)
{
    EXPECT_FALSE(CVU_SetClientRedirection("COM2", "L"));
    EXPECT_FALSE(CVU_SetClientRedirection("COM2", nullptr));
    EXPECT_FALSE(FileExists(ini_));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CVU_CleanupPorts());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), CVU_Clean70Ports());
    EXPECT_EQ("", DumpPortTrees());
}

TEST_F(PortDriver95, AFullListRefusesAfterTheConversion)
{
    MakeSerialPorts();
    std::string list = "(3";
    for (int n = 4; n <= 32; ++n) list += "," + std::to_string(n);
    const std::string text = "[CLIENT]\r\nREDIRECTPORTS=" + list + ")\r\n";
    ASSERT_TRUE(WriteFileText(ini_, text));
    EXPECT_FALSE(CVU_SetClientRedirection("COM2", "L"));
    EXPECT_EQ(text, Ini());
    EXPECT_NE(std::string::npos, DumpTree(kClassPorts + "0001").find("PortDriver=sz:CVRRDIR.VXD\n"));
}

TEST_F(PortDriver95, CleanupRemovesEveryConversion)
{
    MakeSerialPorts();
    const std::string bios = DumpTree("Enum\\BIOS"), drivers = DumpTree(kPortsClassPath);
    ASSERT_TRUE(CVU_SetClientRedirection("COM7", "A"));
    ASSERT_TRUE(CVU_SetClientRedirection("COM8", "B"));
    ASSERT_TRUE(CVU_SetClientRedirection("COM2", "C"));
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, (kRootPorts + "0001").c_str()));
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, (kClassPorts + "0003").c_str()));
    const std::string ini = Ini();

    // The two created ports sit next to each other: after the first goes,
    // the same index yields the second.
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ("[Enum\\Root]\n[Enum\\Root\\Ports]\n", DumpTree("Enum\\Root"));
    EXPECT_EQ(bios, DumpTree("Enum\\BIOS"));
    EXPECT_EQ(drivers, DumpTree(kPortsClassPath));
    EXPECT_EQ(ini, Ini());  // the configuration is not the clean-up's

    // A second clean-up finds nothing to do.
    const std::string clean = DumpPortTrees();
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(clean, DumpPortTrees());
}

// The mixed tree of a machine that had the older scheme: two ports it
// created, two it converted (one without a saved driver of type REG_SZ), a
// port it converted without saving "ALTDRIVER", a parallel port, a port of
// the current scheme converted and one created, and a device without
// "HardwareID". With cleaned set, the tree as CVU_Clean70Ports leaves it.
void MakeOlderSchemeTree(bool cleaned)
{
    if (!cleaned) {
        PutKey(kRootPorts + "0000", {Sz("HardwareID", "CALVEX"), Sz("Driver", "Ports\\0005"), Sz("PortName", "COM6")});
        PutKey(kRootPorts + "0001", {Sz("HardwareID", "calvex"), Sz("Driver", "Ports\\0006"), Sz("PortName", "COM7")});
        PutKey(kClassPorts + "0005", {Sz("PortDriver", "CVRRDIR.VXD")});
        PutKey(kClassPorts + "0006", {Sz("PortDriver", "CVRRDIR.VXD")});
    }
    PutKey(kRootPorts + "0002", {Sz("HardwareID", "CVXPORT"), Sz("Driver", "Ports\\0007"), Sz("PortName", "COM8"),
                                 Dword("CvexID", 0xE8000001)});
    PutKey(kClassPorts + "0007", {Sz("PortDriver", "CVRRDIR.VXD")});

    PutKey(kCom1, {Sz("HardwareID", "*PNP0501"), Sz("Driver", "Ports\\0000"), Sz("PortName", "COM1")});
    if (cleaned)
        PutKey(kClassPorts + "0000", {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm")});
    else
        PutKey(kClassPorts + "0000",
               {Sz("PortDriver", "CVRRDIR.VXD"), Sz("ALTDRIVER", "serial.vxd"), Sz("DevLoader", "*vcomm")});

    PutKey(kCom2, {Sz("HardwareID", "*PNP0501"), Sz("Driver", "Ports\\0001"), Sz("PortName", "COM2")});
    if (cleaned)
        PutKey(kClassPorts + "0001", {Sz("PortDriver", "serial.vxd")});
    else
        PutKey(kClassPorts + "0001", {Sz("PortDriver", "CVRRDIR.VXD"), Binary("ALTDRIVER", {1, 2})});

    PutKey("Enum\\BIOS\\*PNP0501\\0E", {Sz("HardwareID", "*PNP0501"), Sz("Driver", "Ports\\0002"), Sz("PortName", "COM3")});
    PutKey(kClassPorts + "0002", {Sz("PortDriver", "CVRRDIR.VXD")});

    PutKey("Enum\\BIOS\\*PNP0400\\0F", {Sz("HardwareID", "*PNP0400"), Sz("Driver", "Ports\\0003"), Sz("PortName", "LPT1")});
    PutKey(kClassPorts + "0003", {Sz("PortDriver", "lpt.vxd"), Sz("Contention", "*lpt")});

    PutKey("Enum\\BIOS\\*PNP0501\\10", {Sz("HardwareID", "*PNP0501"), Sz("Driver", "Ports\\0004"), Sz("PortName", "COM4"),
                                        Dword("CvexID", 0x08000001), Sz("CVXOrgName", "Communications Port (COM4)")});
    PutKey(kClassPorts + "0004", {Sz("PortDriver", "CVRRDIR.VXD"), Sz("CVXOrgDriver", "serial.vxd")});

    PutKey("Enum\\Root\\Modem\\0000", {Sz("Driver", "Ports\\0003"), Sz("PortName", "COM9")});
}

TEST_F(PortDriver95, Clean70PortsUndoesOnlyTheOlderScheme)
{
    MakeOlderSchemeTree(true);
    const std::string expected = DumpPortTrees();
    ResetProductRegistry();
    MakeOlderSchemeTree(false);
    ASSERT_NE(expected, DumpPortTrees());

    EXPECT_EQ(0u, CVU_Clean70Ports());
    EXPECT_EQ(expected, DumpPortTrees());
    EXPECT_EQ(0u, CVU_Clean70Ports());
    EXPECT_EQ(expected, DumpPortTrees());
}

}  // namespace
