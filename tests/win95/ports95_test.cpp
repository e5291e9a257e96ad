// The port list on Windows 95: the machine's ports from the device tree
// under "Enum", ports the product created or converted, and sharing a port
// by its description.
#include <cstring>
#include <string>
#include <vector>

#include "api/machine_ports.h"
#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

const std::string kClassPorts = std::string(kPortsClassPath) + "\\";

class PortList95 : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        ASSERT_TRUE(IsWin95Platform()) << "the prefix must run this executable as Windows 95";
    }

    // COM1 and COM2 on the BIOS enumerator with their driver keys, a
    // printer port, a modem's port without a friendly name, a port the
    // product created (COM5) and one it converted (COM6).
    void MakeDeviceTree()
    {
        PutKey("Enum\\BIOS\\*PNP0501\\0C", {Sz("PortName", "COM1"), Sz("Driver", "Ports\\0000"),
                                             Sz("FRIENDLYNAME", "Communications Port (COM1)")});
        PutKey(kClassPorts + "0000", {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm")});
        PutKey("Enum\\BIOS\\*PNP0501\\0D", {Sz("PortName", "COM2"), Sz("Driver", "Ports\\0001"),
                                             Sz("FRIENDLYNAME", "Communications Port (COM2)"),
                                             Sz("DeviceDesc", "Communications Port")});
        PutKey(kClassPorts + "0001", {Sz("PortDriver", "serial.vxd"), Sz("DevLoader", "*vcomm")});
        PutKey("Enum\\BIOS\\*PNP0400\\0A", {Sz("PortName", "LPT1"), Sz("FRIENDLYNAME", "Printer Port (LPT1)")});
        PutKey("Enum\\ISAPNP\\MODEM\\01", {Sz("PortName", "com7"), Sz("FRIENDLYNAME", "")});
        PutKey("Enum\\Root\\Ports\\0000", {Sz("PortName", "COM5"), Dword("CvexID", 0xE8000001),
                                            Sz("FRIENDLYNAME", "Created (COM5)")});
        PutKey("Enum\\Root\\Ports\\0001", {Sz("PortName", "COM6"), Dword("CvexID", 0x08000001),
                                            Sz("FRIENDLYNAME", "Converted (COM6)"), Sz("CVXOrgName", "Former (COM6)")});
    }

    std::vector<std::string> Texts(std::vector<DWORD> *shared = nullptr)
    {
        std::vector<std::string> texts;
        char text[260];
        DWORD isShared = 0;
        for (INT index = 0; (index = CVU_GetCommPortsA(index, text, &isShared)) != -1 && texts.size() < 26;) {
            texts.push_back(text);
            if (shared) shared->push_back(isShared);
        }
        return texts;
    }
    std::string Text() { return ReadFileText(ini_); }
};

std::vector<std::string> Fetch(DWORD mask, std::vector<DWORD> *flags)
{
    std::vector<std::string> names;
    PortEnumRecord r;
    for (WORD index = 0; CVU_EnumPorts(&index, mask, &r) == 0 && names.size() < 26;) {
        names.push_back(std::string(r.portName) + "|" + r.description);
        flags->push_back(r.flags);
    }
    return names;
}

TEST_F(PortList95, DeviceTreeEntries)
{
    MakeDeviceTree();
    ASSERT_TRUE(WriteFileText(ini_, "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=Five\r\nPORTNAME=COM5\r\n"));
    CVU_StartPortEnum();
    std::vector<DWORD> flags;
    // Printer ports are passed over; a port the product created is not one
    // that can be shared, but it takes its number.
    EXPECT_EQ((std::vector<std::string>{"COM1|Communications Port (COM1)", "COM2|Communications Port (COM2)",
                                        "com7|com7", "COM6|Converted (COM6)"}),
              Fetch(PORTF_LOCAL, &flags));
    EXPECT_EQ((std::vector<DWORD>{1, 1, 1, 1}), flags);
    flags.clear();
    EXPECT_EQ((std::vector<std::string>{"COM1|Communications Port (COM1)", "COM2|Communications Port (COM2)",
                                        "com7|com7", "COM5|Created (COM5)", "COM6|Converted (COM6)"}),
              Fetch(0x8003, &flags));
    EXPECT_EQ((std::vector<DWORD>{1, 1, 1, 0x1002, 1}), flags);
    CVU_EndPortEnum();
    EXPECT_EQ(8, CVU_GetNextRedirectedPort(5));

    // A converted port shows the name it had before.
    EXPECT_EQ((std::vector<std::string>{"Communications Port (COM1)", "Communications Port (COM2)", "com7",
                                        "Former (COM6)"}),
              Texts());
}

TEST_F(PortList95, ShareCommPortMatchesTheDescription)
{
    MakeDeviceTree();
    EXPECT_FALSE(CVU_ShareCommPortA("COM2"));
    EXPECT_FALSE(CVU_ShareCommPortA("Former (COM6)"));
    EXPECT_FALSE(CVU_ShareCommPortA("Created (COM5)"));
    EXPECT_FALSE(FileExists(ini_));

    ASSERT_TRUE(CVU_ShareCommPortA("communications port (com2)"));
    const std::string name = Formatted(IDS_SHARE_NAME_FMT, "2"), pool = ModuleString(IDS_DEFAULT_POOL);
    const std::string shared = "[LINE1]\r\nNAME=" + name + "\r\nMODEM=" + ModuleString(IDS_DEFAULT_MODEM) +
                               "\r\nINBOUND=N\r\nAUTOBAUD=N\r\nPORTNAME=COM2\r\nTRANSMIT=TA1\r\n"
                               "[COMMON]\r\nTRANSMITSETS=1\r\n"
                               "[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\n"
                               "ALPARS=(9600,NONE,8,1)\r\n"
                               "[SERVER]\r\nLINES=1\r\nGROUPS=2\r\n"
                               "[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + name + "\r\n"
                               "[DESC]\r\nPort2Desc=" + ModuleString(IDS_REDIRECT_DESC) + "\r\n"
                               "[GROUP1]\r\nNAME=" + pool + "\r\nLINES=(" + name + ")\r\n"
                               "[GROUP2]\r\nNAME=_CALVEX\r\nLINES=(" + name + ")\r\n";
    EXPECT_EQ(shared, Text());

    // The redirection handed the port to the redirector: its description
    // is the product's now, and its former name is what the texts show.
    std::string converted;
    ASSERT_TRUE(GetRegString(HKEY_LOCAL_MACHINE, "Enum\\BIOS\\*PNP0501\\0D", "FRIENDLYNAME", &converted));
    EXPECT_EQ(Formatted(IDS_PORT_SHARED_DESC, "COM2"), converted);
    std::vector<DWORD> isShared;
    EXPECT_EQ((std::vector<std::string>{"Communications Port (COM1)", "Communications Port (COM2)", "com7",
                                        "Former (COM6)"}),
              Texts(&isShared));
    EXPECT_EQ((std::vector<DWORD>{0, 1, 0, 0}), isShared);

    // That former name matches no entry; the current description finds the
    // port shared already.
    EXPECT_FALSE(CVU_ShareCommPortA("Communications Port (COM2)"));
    EXPECT_TRUE(CVU_ShareCommPortA(converted.c_str()));
    EXPECT_EQ(shared, Text());
}

}  // namespace
