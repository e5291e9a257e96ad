// Redirection by port number: the lowest free number, whatever the order
// of the port list, and COM<n> redirected to the default pool.
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

class PortNumbers : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
};

TEST_F(PortNumbers, NextFreeNumberDoesNotDependOnTheListOrder)
{
    PutController(kMultifunctionBuses, "0", "0", "COM3");
    PutController(kMultifunctionBuses, "0", "1", "COM2");
    PutController(kMultifunctionBuses, "0", "2", "COM1");
    EXPECT_EQ(4, CVU_GetNextRedirectedPort(1));
    EXPECT_EQ(4, CVU_GetNextRedirectedPort(2));
    EXPECT_EQ(7, CVU_GetNextRedirectedPort(7));
    // The list is closed after every call.
    WORD count = 9;
    CVU_EnumPorts(&count, 0, nullptr);
    EXPECT_EQ(0, count);
}

TEST_F(PortNumbers, MachineLineAndRedirectedPortsTakeTheirNumbers)
{
    // 1 and 4 from the machine, 2 from a line, 5 redirected; 6 is listed
    // for the client without a destination and takes nothing.
    PutController(kMultifunctionBuses, "0", "0", "COM1");
    PutSerialEntry("Serial0", "COM4");
    Write("[SERVER]\r\nLINES=1\r\n[LINE1]\r\nNAME=Two\r\nPORTNAME=COM2\r\n"
          "[CLIENT]\r\nREDIRECTPORTS=(5,6)\r\nCOM5DEST=Pool\r\n");
    EXPECT_EQ(3, CVU_GetNextRedirectedPort(1));
    EXPECT_EQ(3, CVU_GetNextRedirectedPort(0));
    EXPECT_EQ(3, CVU_GetNextRedirectedPort(-5));
    EXPECT_EQ(6, CVU_GetNextRedirectedPort(4));
    EXPECT_EQ(6, CVU_GetNextRedirectedPort(6));
}

TEST_F(PortNumbers, EmptyListGivesTheFirstNumberWanted)
{
    EXPECT_EQ(1, CVU_GetNextRedirectedPort(0));
    EXPECT_EQ(12, CVU_GetNextRedirectedPort(12));
}

TEST_F(PortNumbers, RedirectByNumberUsesTheDefaultPool)
{
    EXPECT_FALSE(CVU_RedirectPortByNumber(0));
    EXPECT_FALSE(CVU_RedirectPortByNumber(-1));
    EXPECT_FALSE(FileExists(ini_));

    ASSERT_TRUE(CVU_RedirectPortByNumber(7));
    const std::string pool = ModuleString(IDS_DEFAULT_POOL);
    ASSERT_FALSE(pool.empty());
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(7)\r\nCOM7DEST=" + pool + "\r\n[DESC]\r\nPort7Desc=" +
                  ModuleString(IDS_REDIRECT_DESC) + "\r\n",
              ReadFileText(ini_));
    // The redirected number is taken now.
    EXPECT_EQ(8, CVU_GetNextRedirectedPort(7));
}

}  // namespace
