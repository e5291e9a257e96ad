// The internal redirection operations that the port list and the shared
// lines call, in what the export tests do not reach.
#include <string>

#include "client/redirect.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class RedirectionRecords : public CleanTest {};

TEST_F(RedirectionRecords, DestinationsAreComparedWithoutCase)
{
    const char *file = ini_.c_str();
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=Line1\r\nCOM3DEST=\r\n"));
    char key[cvx::kPortKeySize] = "untouched";
    EXPECT_EQ(2, cvx::GetPortDestKey("COM2", key));
    EXPECT_STREQ("COM2DEST", key);
    EXPECT_EQ(0, cvx::GetPortDestKey("COMx", key));
    EXPECT_STREQ("COM2DEST", key);  // left alone without a number
    EXPECT_EQ(4, cvx::GetPortDestKey("COM4", nullptr));

    EXPECT_TRUE(cvx::IsPortRedirected("COM2", file));
    EXPECT_FALSE(cvx::IsPortRedirected("COM3", file));
    EXPECT_FALSE(cvx::IsPortRedirected("COM4", file));
    EXPECT_TRUE(cvx::IsPortRedirectedTo("com2", "LINE1", file));
    EXPECT_FALSE(cvx::IsPortRedirectedTo("COM2", "LINE", file));
    EXPECT_FALSE(cvx::IsPortRedirectedTo("COM", "", file));

    cvx::RenamePortRedirection("COM2", "OTHER", "LINE9", file);
    cvx::RenamePortRedirection("COM3", "LINE1", "LINE9", file);
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=Line1\r\nCOM3DEST=\r\n", ReadFileText(ini_));
    cvx::RenamePortRedirection("COM2", "line1", "LINE9", file);
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(2,3)\r\nCOM2DEST=LINE9\r\nCOM3DEST=\r\n", ReadFileText(ini_));
}

TEST_F(RedirectionRecords, TheListKeepsAtMostThirtyNumbers)
{
    const char *file = ini_.c_str();
    std::string list = "(";
    for (int n = 101; n <= 140; ++n) list += std::to_string(n) + (n < 140 ? "," : ")");
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=" + list + "\r\n"));
    DWORD ports[cvx::kMaxRedirectedPorts];
    ASSERT_EQ(30u, cvx::ReadRedirectedPorts(ports, file));
    EXPECT_EQ(101u, ports[0]);
    EXPECT_EQ(130u, ports[29]);  // three-digit numbers: the list is read whole

    EXPECT_FALSE(cvx::UpdateRedirectedPorts(101, TRUE, file));
    EXPECT_TRUE(cvx::UpdateRedirectedPorts(999, FALSE, file));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=" + list + "\r\n", ReadFileText(ini_));
    // A change writes back the thirty that were read.
    EXPECT_TRUE(cvx::UpdateRedirectedPorts(101, FALSE, file));
    std::string kept = "(";
    for (int n = 102; n <= 130; ++n) kept += std::to_string(n) + (n < 130 ? "," : ")");
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=" + kept + "\r\n", ReadFileText(ini_));
}

}  // namespace
