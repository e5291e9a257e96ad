// Client port redirection through the exports: sections CLIENT and DESC of
// CVEX.INI, checked as the file's exact text after every writing call.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

std::string ResourceString(UINT id)
{
    char text[256] = "";
    LoadStringA(CVU_GetResourceInstance(FALSE), id, text, sizeof text);
    return text;
}

class ClientRedirection : public CleanTest {
protected:
    std::string Ini() { return ReadFileText(ini_); }
    std::string Standard() { return ResourceString(IDS_REDIRECT_DESC); }
};

TEST_F(ClientRedirection, PortsListedInOrderOfAddition)
{
    ASSERT_FALSE(Standard().empty());
    const std::string desc = Standard();
    EXPECT_TRUE(CVU_SetClientRedirection("COM3", "LINE1"));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=LINE1\r\n[DESC]\r\nPort3Desc=" + desc + "\r\n", Ini());
    EXPECT_TRUE(CVU_SetClientRedirection("COM5", "Pool"));
    EXPECT_TRUE(CVU_SetClientRedirection("com4", "LINE2"));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,5,4)\r\nCOM3DEST=LINE1\r\nCOM5DEST=Pool\r\nCOM4DEST=LINE2\r\n"
              "[DESC]\r\nPort3Desc=" + desc + "\r\nPort5Desc=" + desc + "\r\nPort4Desc=" + desc + "\r\n",
              Ini());

    // Removing with a null destination takes the key and the description.
    EXPECT_TRUE(CVU_SetClientRedirection("COM5", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=LINE1\r\nCOM4DEST=LINE2\r\n"
              "[DESC]\r\nPort3Desc=" + desc + "\r\nPort4Desc=" + desc + "\r\n",
              Ini());

    // A port already listed keeps its place and takes the new destination.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM3", "LINE9", "mine"));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=LINE9\r\nCOM4DEST=LINE2\r\n"
              "[DESC]\r\nPort3Desc=mine\r\nPort4Desc=" + desc + "\r\n",
              Ini());
    // Removing a port that is not listed succeeds and writes its keys.
    EXPECT_TRUE(CVU_SetClientRedirection("COM8", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=LINE9\r\nCOM4DEST=LINE2\r\n"
              "[DESC]\r\nPort3Desc=mine\r\nPort4Desc=" + desc + "\r\n",
              Ini());
}

TEST_F(ClientRedirection, RemovingTheLastPortDeletesSectionClient)
{
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", "LINE1", "two"));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", nullptr, "ignored"));
    EXPECT_EQ("[DESC]\r\n", Ini());

    // An empty destination removes the port as well, but the key is then
    // written as an empty value into a section that comes back for it.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", "LINE1", "two"));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", "", "ignored"));
    EXPECT_EQ("[DESC]\r\n[CLIENT]\r\nCOM2DEST=\r\n", Ini());
    EXPECT_FALSE(CVU_GetClientPortParams("COM2", nullptr));
}

TEST_F(ClientRedirection, DescriptionForms)
{
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM1", "A", CVU_TEXTID(IDS_DEFAULT_POOL)));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", "B", nullptr));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM3", "C", ""));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM4", "D", CVU_TEXTID(1)));  // no such string
    // Only the resource string leaves a description; no text writes none.
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(1,2,3,4)\r\nCOM1DEST=A\r\nCOM2DEST=B\r\nCOM3DEST=C\r\nCOM4DEST=D\r\n"
              "[DESC]\r\nPort1Desc=" + ResourceString(IDS_DEFAULT_POOL) + "\r\n",
              Ini());
    // A new redirection without text removes an older description.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM1", "A", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(1,2,3,4)\r\nCOM1DEST=A\r\nCOM2DEST=B\r\nCOM3DEST=C\r\nCOM4DEST=D\r\n"
              "[DESC]\r\n",
              Ini());
}

TEST_F(ClientRedirection, NamesWithoutAPortNumberAreRefused)
{
    for (const char *name : {"COM", "COMx", "COM0", "COM-2", "CO", "", " "}) {
        EXPECT_FALSE(CVU_SetClientRedirection(name, "LINE1")) << name;
        EXPECT_FALSE(CVU_SetClientRedirection(name, nullptr)) << name;
        EXPECT_FALSE(CVU_GetClientPortParams(name, nullptr)) << name;
    }
    EXPECT_FALSE(CVU_SetClientRedirection(nullptr, "LINE1"));
    EXPECT_FALSE(CVU_GetClientPortParams(nullptr, nullptr));
    EXPECT_FALSE(FileExists(ini_));

    // The number is what atol reads after the first three characters.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("LPT 12abc", "X", nullptr));
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM+7", "Y", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(12,7)\r\nCOM12DEST=X\r\nCOM7DEST=Y\r\n", Ini());
    EXPECT_TRUE(CVU_GetClientPortParams("COM12", nullptr));
}

TEST_F(ClientRedirection, ThirtyPortsFillTheList)
{
    for (int n = 1; n <= 30; ++n)
        ASSERT_TRUE(CVU_SetClientRedirection(("COM" + std::to_string(n)).c_str(), "L")) << n;
    std::string full = Ini();
    std::string list = "(1";
    for (int n = 2; n <= 30; ++n) list += "," + std::to_string(n);
    list += ")";
    EXPECT_NE(std::string::npos, full.find("REDIRECTPORTS=" + list + "\r\n"));

    // Every request that adds fails, a listed port included, and nothing is
    // written.
    EXPECT_FALSE(CVU_SetClientRedirection("COM31", "L"));
    EXPECT_FALSE(CVU_SetClientRedirection("COM7", "OTHER"));
    EXPECT_EQ(full, Ini());
    ClientPortParams params;
    ASSERT_TRUE(CVU_GetClientPortParams("COM7", &params));
    EXPECT_STREQ("L", params.destination);

    // Removing still works, and then there is room again.
    EXPECT_TRUE(CVU_SetClientRedirection("COM7", nullptr));
    EXPECT_TRUE(CVU_SetClientRedirection("COM31", "L"));
    EXPECT_NE(std::string::npos, Ini().find(",6,8,9,"));
    EXPECT_NE(std::string::npos, Ini().find(",30,31)\r\n"));
}

TEST_F(ClientRedirection, HandEditedListsAndParams)
{
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=(3,0,x,4)\r\nCOM3DEST=LINE1\r\nCOM4DEST=\r\n"
                                    "COM9DEST=LINE9\r\n[DESC]\r\nPort3Desc=three\r\n"));
    ClientPortParams params;
    std::memset(&params, 0x5A, sizeof params);
    ASSERT_TRUE(CVU_GetClientPortParams("COM3", &params));
    EXPECT_EQ(std::string(4, '\0'), std::string(reinterpret_cast<char *>(params.reserved), 4));
    EXPECT_STREQ("LINE1", params.destination);
    EXPECT_STREQ("three", params.description);
    EXPECT_EQ(0, params.description[99]);
    EXPECT_EQ(0, params.description[6]);  // the rest of the record is zero
    // Listed but with an empty destination: not redirected.
    EXPECT_FALSE(CVU_GetClientPortParams("COM4", &params));
    // Not listed but with a destination: redirected as far as reading goes.
    EXPECT_TRUE(CVU_GetClientPortParams("COM9", nullptr));

    // The list (3,0,x,4) reads as 3 and 4: adding 5 rewrites it clean.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM5", "LINE5", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,4,5)\r\nCOM3DEST=LINE1\r\nCOM4DEST=\r\nCOM9DEST=LINE9\r\n"
              "COM5DEST=LINE5\r\n[DESC]\r\nPort3Desc=three\r\n",
              Ini());
}

TEST_F(ClientRedirection, LongValuesAreCutToTheirFields)
{
    std::string longDest(40, 'd'), longDesc(150, 'e');
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM2", longDest.c_str(), longDesc.c_str()));
    // The file keeps what was given; the record holds what fits.
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=" + longDest + "\r\n[DESC]\r\nPort2Desc=" + longDesc + "\r\n",
              Ini());
    ClientPortParams params;
    ASSERT_TRUE(CVU_GetClientPortParams("COM2", &params));
    EXPECT_EQ(std::string(16, 'd'), params.destination);
    EXPECT_EQ(std::string(99, 'e'), params.description);
}

// On Windows NT no port driver changes: the device tree stays as it was.
TEST_F(ClientRedirection, WindowsNtLeavesTheDeviceTreeAlone)
{
    ASSERT_FALSE(IsWin95Platform());
    PutKey("Enum\\BIOS\\*PNP0501\\0D", {Sz("PortName", "COM2"), Sz("Driver", "Ports\\0000")});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0000", {Sz("PortDriver", "serial.vxd")});
    // A port the product created, one it converted, one the older scheme made.
    PutKey("Enum\\Root\\Ports\\0000", {Sz("PortName", "COM5"), Sz("Driver", "Ports\\0001"), Dword("CvexID", 0xE8000001)});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0001", {Sz("PortDriver", "CVRRDIR.VXD")});
    PutKey("Enum\\BIOS\\*PNP0501\\0E", {Sz("PortName", "COM3"), Sz("Driver", "Ports\\0002"), Dword("CvexID", 0x08000001)});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0002",
           {Sz("PortDriver", "CVRRDIR.VXD"), Sz("CVXOrgDriver", "serial.vxd")});
    PutKey("Enum\\Root\\Ports\\0001", {Sz("HardwareID", "CALVEX"), Sz("Driver", "Ports\\0003")});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0003", {Sz("ALTDRIVER", "serial.vxd")});
    std::string before = DumpPortTrees();

    EXPECT_TRUE(CVU_SetClientRedirection("COM2", "LINE1"));
    EXPECT_TRUE(CVU_SetClientRedirection("COM7", "LINE1"));
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_TRUE(CVU_SetClientRedirection("COM3", nullptr));
    EXPECT_TRUE(CVU_SetClientRedirection("COM5", nullptr));
    EXPECT_EQ(before, DumpPortTrees());
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2,7)\r\nCOM2DEST=LINE1\r\nCOM7DEST=LINE1\r\n[DESC]\r\nPort2Desc=" +
                  Standard() + "\r\nPort7Desc=" + Standard() + "\r\n",
              Ini());

    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(0u, CVU_Clean70Ports());
    EXPECT_EQ(before, DumpPortTrees());
}

}  // namespace
