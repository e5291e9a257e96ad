// The port list on Windows 95: the machine's ports from the device tree
// under "Enum", ports the product created or converted, and sharing a port
// by its description.
#include <string>

#include "api/machine_ports.h"
#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

class PortList95 : public CleanTest {};

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

TEST_F(PortList95, DeviceTreeEntriesAndSharingByDescription)
{
    // Windows 95 keeps the product's values under its own key.
    ASSERT_TRUE(IsWin95Platform() && CVU_IsWin95OS()) << "the prefix must run this executable as Windows 95";
    SetRegDword(HKEY_LOCAL_MACHINE, "Software\\Quillon\\Calvex", "dwInstalledValue", 2);
    EXPECT_TRUE(CVU_IsComponentInstalled(3));  // a bit in common
    EXPECT_FALSE(CVU_IsComponentInstalled(4));

    // COM2 with its driver key, a printer port, a modem's port without a friendly name, a port the
    // product created (COM5) and one it converted (COM6).
    const std::string com2 = "Enum\\BIOS\\*PNP0501\\0D";
    PutKey(com2, {Sz("PortName", "COM2"), Sz("Driver", "Ports\\0001"), Sz("FRIENDLYNAME", "Communications Port (COM2)")});
    PutKey(std::string(kPortsClassPath) + "\\0001", {Sz("PortDriver", "serial.vxd")});
    PutKey("Enum\\BIOS\\*PNP0400\\0A", {Sz("PortName", "LPT1"), Sz("FRIENDLYNAME", "Printer Port (LPT1)")});
    PutKey("Enum\\ISAPNP\\MODEM\\01", {Sz("PortName", "com7"), Sz("FRIENDLYNAME", "")});
    PutKey("Enum\\Root\\Ports\\0000", {Sz("PortName", "COM5"), Dword("CvexID", 0xE8000001), Sz("FRIENDLYNAME", "New")});
    PutKey("Enum\\Root\\Ports\\0001", {Sz("PortName", "COM6"), Dword("CvexID", 0x08000001),
                                        Sz("FRIENDLYNAME", "Converted (COM6)"), Sz("CVXOrgName", "Former (COM6)")});
    // Printer ports are passed over; a created port cannot be shared, but it takes its number; a
    // converted port shows the name it had before.
    EXPECT_EQ("Communications Port (COM2)=0|com7=0|Former (COM6)=0|", Texts());
    EXPECT_EQ(8, CVU_GetNextRedirectedPort(5));

    for (const char *name : {"COM2", "Former (COM6)", "New", "Printer Port (LPT1)"})
        EXPECT_FALSE(CVU_ShareCommPortA(name)) << name;
    EXPECT_FALSE(FileExists(ini_));
    ASSERT_TRUE(CVU_ShareCommPortA("communications port (com2)"));
    const std::string shared = ReadFileText(ini_), name = Formatted(IDS_SHARE_NAME_FMT, "2");
    EXPECT_NE(std::string::npos, shared.find("[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + name + "\r\n")) << shared;
    // The port went to the redirector: its description is the product's, its former name what the texts show.
    std::string converted;
    ASSERT_TRUE(GetRegString(HKEY_LOCAL_MACHINE, com2.c_str(), "FRIENDLYNAME", &converted));
    EXPECT_EQ(Formatted(IDS_PORT_SHARED_DESC, "COM2"), converted);
    EXPECT_EQ("Communications Port (COM2)=1|com7=0|Former (COM6)=0|", Texts());
    // That former name matches no entry; the current description finds it shared already.
    EXPECT_FALSE(CVU_ShareCommPortA("Communications Port (COM2)"));
    EXPECT_TRUE(CVU_ShareCommPortA(converted.c_str()));
    EXPECT_EQ(shared, ReadFileText(ini_));
}

}  // namespace
