// Server common settings: range checks, repairs and the exact keys written.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class ServerSettings : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }
};

TEST_F(ServerSettings, DefaultsWhenNothingIsStored)
{
    char name[17] = "x";
    EXPECT_EQ(6, CVU_GetServerName(name));
    EXPECT_STREQ("SERVER", name);
    EXPECT_EQ(6144, CVU_GetBufferSpace());
    EXPECT_EQ(CVU_SERVER_ACTIVE, CVU_GetServerStatus());
    EXPECT_EQ(0, CVU_GetNumServerPorts());
    EXPECT_EQ(0, CVU_GetLogBuffSize());
    EXPECT_EQ(1, CVU_GetInvalidConTime());
    EXPECT_EQ(0, CVU_GetTransportMethod());
    EXPECT_EQ(0, CVU_GetIPXSegmentMethod());
    // Reading defaults of absent keys writes nothing.
    EXPECT_FALSE(FileExists(ini_));
}

TEST_F(ServerSettings, GettersRepairOutOfRangeValuesAndLeaveOthersAlone)
{
    Write("[COMMON]\r\nBUFFERSPACE=6143\r\n"
          "[SERVER]\r\nLOGSPACE=-1\r\nTIMEOUT=soon\r\nLINES=101\r\n");
    EXPECT_EQ(6144, CVU_GetBufferSpace());
    EXPECT_EQ(0, CVU_GetLogBuffSize());
    EXPECT_EQ(1, CVU_GetInvalidConTime());
    // The line count is not this getter's to repair.
    EXPECT_EQ(0, CVU_GetNumServerPorts());
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=6144\r\n"
              "[SERVER]\r\nLOGSPACE=0\r\nTIMEOUT=1\r\nLINES=101\r\n",
              Text());

    const std::string inRange = "[COMMON]\r\nBUFFERSPACE=999999\r\n"
                                "[SERVER]\r\nLOGSPACE=8192\r\nTIMEOUT=99\r\nLINES=100\r\n";
    Write(inRange);
    EXPECT_EQ(999999, CVU_GetBufferSpace());
    EXPECT_EQ(8192, CVU_GetLogBuffSize());
    EXPECT_EQ(99, CVU_GetInvalidConTime());
    EXPECT_EQ(100, CVU_GetNumServerPorts());
    EXPECT_EQ(inRange, Text());

    Write("[COMMON]\r\nBUFFERSPACE=1000000\r\n[SERVER]\r\nLOGSPACE=8193\r\nTIMEOUT=100\r\nLINES=-1\r\n");
    EXPECT_EQ(6144, CVU_GetBufferSpace());
    EXPECT_EQ(0, CVU_GetLogBuffSize());
    EXPECT_EQ(1, CVU_GetInvalidConTime());
    EXPECT_EQ(0, CVU_GetNumServerPorts());
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=6144\r\n[SERVER]\r\nLOGSPACE=0\r\nTIMEOUT=1\r\nLINES=-1\r\n", Text());
}

TEST_F(ServerSettings, SettersRefuseOutOfRangeValues)
{
    EXPECT_FALSE(CVU_SetBufferSpace(6143));
    EXPECT_FALSE(CVU_SetBufferSpace(1000000));
    EXPECT_FALSE(CVU_SetBufferSpace(-1));
    EXPECT_FALSE(CVU_SetLogBuffSize(-1));
    EXPECT_FALSE(CVU_SetLogBuffSize(8193));
    EXPECT_FALSE(CVU_SetInvalidConTime(0));
    EXPECT_FALSE(CVU_SetInvalidConTime(100));
    EXPECT_FALSE(CVU_SetIPXSegmentMethod(0));
    EXPECT_FALSE(CVU_SetIPXSegmentMethod(3));
    EXPECT_FALSE(FileExists(ini_));

    EXPECT_TRUE(CVU_SetBufferSpace(6144));
    EXPECT_TRUE(CVU_SetBufferSpace(999999));
    EXPECT_TRUE(CVU_SetLogBuffSize(0));
    EXPECT_TRUE(CVU_SetLogBuffSize(8192));
    EXPECT_TRUE(CVU_SetInvalidConTime(1));
    EXPECT_TRUE(CVU_SetInvalidConTime(99));
    EXPECT_TRUE(CVU_SetIPXSegmentMethod(1));
    EXPECT_EQ("[COMMON]\r\nBUFFERSPACE=999999\r\nNETWORKS=1\r\n"
              "[SERVER]\r\nLOGSPACE=8192\r\nTIMEOUT=99\r\n",
              Text());
    EXPECT_EQ(999999, CVU_GetBufferSpace());
    EXPECT_EQ(8192, CVU_GetLogBuffSize());
    EXPECT_EQ(99, CVU_GetInvalidConTime());
    // Without a transport the segmentation is not asked for.
    EXPECT_EQ(0, CVU_GetIPXSegmentMethod());
}

TEST_F(ServerSettings, StatusKeywords)
{
    EXPECT_TRUE(CVU_SetServerStatus(2));
    EXPECT_EQ("[SERVER]\r\nSTART=NO\r\n", Text());
    EXPECT_EQ(CVU_SERVER_NOSTART, CVU_GetServerStatus());
    EXPECT_TRUE(CVU_SetServerStatus(0));
    EXPECT_EQ("[SERVER]\r\nSTART=INACTIVE\r\n", Text());
    EXPECT_EQ(CVU_SERVER_INACTIVE, CVU_GetServerStatus());
    EXPECT_TRUE(CVU_SetServerStatus(1));
    EXPECT_EQ("[SERVER]\r\nSTART=ACTIVE\r\n", Text());
    EXPECT_TRUE(CVU_SetServerStatus(-1));
    EXPECT_EQ("[SERVER]\r\nSTART=NO\r\n", Text());

    Write("[SERVER]\r\nSTART=active\r\n");
    EXPECT_EQ(CVU_SERVER_ACTIVE, CVU_GetServerStatus());
    Write("[SERVER]\r\nSTART=Inactive\r\n");
    EXPECT_EQ(CVU_SERVER_INACTIVE, CVU_GetServerStatus());
    Write("[SERVER]\r\nSTART=ACTIVE NOW\r\n");
    EXPECT_EQ(CVU_SERVER_NOSTART, CVU_GetServerStatus());
    Write("[SERVER]\r\nSTART=\r\n");
    EXPECT_EQ(CVU_SERVER_NOSTART, CVU_GetServerStatus());
    // The status is never repaired.
    EXPECT_EQ("[SERVER]\r\nSTART=\r\n", Text());
}

TEST_F(ServerSettings, NameIsStoredAsGivenAndReadCutTo16)
{
    EXPECT_TRUE(CVU_SetServerName("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ("[COMMON]\r\nNAME=ABCDEFGHIJKLMNOPQRST\r\n", Text());
    char name[40];
    memset(name, 'x', sizeof name);
    EXPECT_EQ(16, CVU_GetServerName(name));
    EXPECT_STREQ("ABCDEFGHIJKLMNOP", name);
    EXPECT_EQ('x', name[17]) << "only 17 bytes of the buffer are used";

    EXPECT_TRUE(CVU_SetServerName("Hall"));
    EXPECT_EQ(4, CVU_GetServerName(name));
    EXPECT_STREQ("Hall", name);

    EXPECT_TRUE(CVU_SetServerName(nullptr));
    EXPECT_EQ("[COMMON]\r\n", Text());
    EXPECT_EQ(6, CVU_GetServerName(name));
    EXPECT_STREQ("SERVER", name);
    EXPECT_EQ(0, CVU_GetServerName(nullptr));
}

}  // namespace
