// Server settings through the exports: range checks, repairs and the exact
// keys written to CVEX.INI; the remote password file CVEX.PWF.
#include "config_table.h"
#include "cvxutil.h"

using namespace cvxtest;

namespace {

template <typename F>
std::function<long()> Call(F f)
{
    return [f] { return long(f()); };
}

// GetServerName, checked to use 17 bytes of its buffer and to say what it read.
std::function<long()> ServerName(const std::string &expected)
{
    return [expected] {
        char name[40];
        std::memset(name, 'x', sizeof name);
        long length = CVU_GetServerName(name);
        EXPECT_EQ(expected, name);
        EXPECT_EQ(std::string(23, 'x'), std::string(name + 17, 23));
        return length;
    };
}

class ServerSettings : public ConfigTable {};

TEST_F(ServerSettings, GettersRepairOutOfRangeValuesAndSettersRefuseThem)
{
    const std::string low = "[COMMON]\r\nBUFFERSPACE=6143\r\n[SERVER]\r\nLOGSPACE=-1\r\nTIMEOUT=soon\r\nLINES=101\r\n";
    const std::string high = "[COMMON]\r\nBUFFERSPACE=1000000\r\n[SERVER]\r\nLOGSPACE=8193\r\nTIMEOUT=100\r\nLINES=-1\r\n";
    const std::string inRange = "[COMMON]\r\nBUFFERSPACE=999999\r\n[SERVER]\r\nLOGSPACE=8192\r\nTIMEOUT=99\r\nLINES=100\r\n";
    Run({
        // Defaults of absent keys are not written.
        {"name", "", ServerName("SERVER"), 6, kSame},
        {"buffer", kKeep, Call(CVU_GetBufferSpace), 6144, kSame},
        {"status", kKeep, Call(CVU_GetServerStatus), CVU_SERVER_ACTIVE, kSame},
        {"lines", kKeep, Call(CVU_GetNumServerPorts), 0, kSame},
        {"log", kKeep, Call(CVU_GetLogBuffSize), 0, kSame},
        {"timeout", kKeep, Call(CVU_GetInvalidConTime), 1, kSame},
        {"transport", kKeep, Call(CVU_GetTransportMethod), 0, kSame},
        {"segments", kKeep, Call(CVU_GetIPXSegmentMethod), 0, kSame},
        // The line count is not its getter's to repair.
        {"buffer low", low, Call(CVU_GetBufferSpace), 6144, Sub(low, {{"6143", "6144"}})},
        {"log low", kKeep, Call(CVU_GetLogBuffSize), 0, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}})},
        {"timeout low", kKeep, Call(CVU_GetInvalidConTime), 1, Sub(low, {{"6143", "6144"}, {"=-1", "=0"}, {"soon", "1"}})},
        {"lines high", kKeep, Call(CVU_GetNumServerPorts), 0, kSame},
        {"buffer high", high, Call(CVU_GetBufferSpace), 6144, Sub(high, {{"1000000", "6144"}})},
        {"log high", kKeep, Call(CVU_GetLogBuffSize), 0, Sub(high, {{"1000000", "6144"}, {"8193", "0"}})},
        {"timeout high", kKeep, Call(CVU_GetInvalidConTime), 1, Sub(high, {{"1000000", "6144"}, {"8193", "0"}, {"100", "1"}})},
        {"lines low", kKeep, Call(CVU_GetNumServerPorts), 0, kSame},
        {"buffer in range", inRange, Call(CVU_GetBufferSpace), 999999, kSame},
        {"log in range", kKeep, Call(CVU_GetLogBuffSize), 8192, kSame},
        {"timeout in range", kKeep, Call(CVU_GetInvalidConTime), 99, kSame},
        {"lines in range", kKeep, Call(CVU_GetNumServerPorts), 100, kSame},
        {"set buffer low", "", [] { return long(CVU_SetBufferSpace(6143)); }, FALSE, kSame},
        {"set buffer high", kKeep, [] { return long(CVU_SetBufferSpace(1000000)); }, FALSE, kSame},
        {"set segments high", kKeep, [] { return long(CVU_SetIPXSegmentMethod(3)); }, FALSE, kSame},
        {"set buffer", kKeep, [] { return long(CVU_SetBufferSpace(6144)); }, TRUE, "[COMMON]\r\nBUFFERSPACE=6144\r\n"},
        {"set buffer top", kKeep, [] { return long(CVU_SetBufferSpace(999999)); }, TRUE, "[COMMON]\r\nBUFFERSPACE=999999\r\n"},
        {"set log", kKeep, [] { return long(CVU_SetLogBuffSize(0)); }, TRUE, kKeep},
        {"set log top", kKeep, [] { return long(CVU_SetLogBuffSize(8192)); }, TRUE, kKeep},
        {"set timeout", kKeep, [] { return long(CVU_SetInvalidConTime(1)); }, TRUE, kKeep},
        {"set timeout top", kKeep, [] { return long(CVU_SetInvalidConTime(99)); }, TRUE,
         "[COMMON]\r\nBUFFERSPACE=999999\r\n[SERVER]\r\nLOGSPACE=8192\r\nTIMEOUT=99\r\n"},
        {"set segments", kKeep, [] { return long(CVU_SetIPXSegmentMethod(1)); }, TRUE,
         "[COMMON]\r\nBUFFERSPACE=999999\r\nNETWORKS=1\r\n[SERVER]\r\nLOGSPACE=8192\r\nTIMEOUT=99\r\n"},
        // Without a transport the segmentation is not asked for.
        {"segments without transport", kKeep, Call(CVU_GetIPXSegmentMethod), 0, kSame},
    });
}

TEST_F(ServerSettings, StatusKeywordsAndName)
{
    auto status = [](int value) { return [value] { return long(CVU_SetServerStatus(value)); }; };
    Run({
        {"no", "", status(2), TRUE, "[SERVER]\r\nSTART=NO\r\n"},
        {"read no", kKeep, Call(CVU_GetServerStatus), CVU_SERVER_NOSTART, kSame},
        {"inactive", kKeep, status(0), TRUE, "[SERVER]\r\nSTART=INACTIVE\r\n"},
        {"read inactive", kKeep, Call(CVU_GetServerStatus), CVU_SERVER_INACTIVE, kSame},
        {"active", kKeep, status(1), TRUE, "[SERVER]\r\nSTART=ACTIVE\r\n"},
        {"other", kKeep, status(-1), TRUE, "[SERVER]\r\nSTART=NO\r\n"},
        {"any case", "[SERVER]\r\nSTART=active\r\n", Call(CVU_GetServerStatus), CVU_SERVER_ACTIVE, kSame},
        {"any case inactive", "[SERVER]\r\nSTART=Inactive\r\n", Call(CVU_GetServerStatus), CVU_SERVER_INACTIVE, kSame},
        {"whole word", "[SERVER]\r\nSTART=ACTIVE NOW\r\n", Call(CVU_GetServerStatus), CVU_SERVER_NOSTART, kSame},
        // The status is never repaired.
        {"empty", "[SERVER]\r\nSTART=\r\n", Call(CVU_GetServerStatus), CVU_SERVER_NOSTART, kSame},
        // The name is stored as given and read cut to 16.
        {"long name", "", [] { return long(CVU_SetServerName("ABCDEFGHIJKLMNOPQRST")); }, TRUE,
         "[COMMON]\r\nNAME=ABCDEFGHIJKLMNOPQRST\r\n"},
        {"read long name", kKeep, ServerName("ABCDEFGHIJKLMNOP"), 16, kSame},
        {"short name", kKeep, [] { return long(CVU_SetServerName("Hall")); }, TRUE, "[COMMON]\r\nNAME=Hall\r\n"},
        {"read short name", kKeep, ServerName("Hall"), 4, kSame},
        {"no name", kKeep, [] { return long(CVU_SetServerName(nullptr)); }, TRUE, "[COMMON]\r\n"},
        {"read no name", kKeep, ServerName("SERVER"), 6, kSame},
    });
}

// Stored forms: (byte ^ 0xA7) rotated right by two bits.
constexpr char kA = char(0xB1), kB = char(0x71), kC = char(0x31), kBlank = char(0xE1);
constexpr char kEAcute = char(0x49);  // e acute in OEM 437/850 (0x82)

class RemotePassword : public CleanTest {
protected:
    std::string PasswordFile() { return dir_ + "CVEX.PWF"; }
};

TEST_F(RemotePassword, SixteenOemBytesScrambledAndPaddedWithBlanks)
{
    // e acute is 0xE9 in the ANSI code page 1252 and 0x82 in the OEM code
    // pages 437 and 850 of the western locales the tests run in.
    ASSERT_EQ(1252u, GetACP());
    ASSERT_TRUE(GetOEMCP() == 437 || GetOEMCP() == 850) << GetOEMCP();
    const std::string quarter = {kA, kB, kC, kEAcute};
    struct Row {
        const char *password;
        std::string file;
    } rows[] = {
        {"abc", std::string({kA, kB, kC}) + std::string(13, kBlank)},
        {"b", kB + std::string(15, kBlank)},
        {"  ", std::string(16, kBlank)},
        {"a\xE9", std::string({kA, kEAcute}) + std::string(14, kBlank)},
        {"abc\xE9" "abc\xE9" "abc\xE9" "abc\xE9", quarter + quarter + quarter + quarter},
        // The converted text is cut to its first 16 bytes.
        {"\xE9\xE9\xE9\xE9" "aaaaaaaaaaaa" "bbbb\xE9", std::string(4, kEAcute) + std::string(12, kA)},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(1, CVU_SetRemPassword(r.password)) << r.password;
        EXPECT_EQ(r.file + '\0', ReadFileText(PasswordFile())) << r.password;
    }
    EXPECT_FALSE(FileExists(ini_)) << "the password is not kept in CVEX.INI";

    // Clearing deletes the file, also when it is not there.
    for (const char *none : {"", static_cast<const char *>(nullptr), static_cast<const char *>(nullptr)}) {
        EXPECT_EQ(1, CVU_SetRemPassword(none));
        EXPECT_FALSE(FileExists(PasswordFile()));
    }
}

TEST_F(RemotePassword, FileFollowsTheInstallDirectoryAndIsNeverLeftStale)
{
    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    // Another process holds the old file open for reading only: the new one
    // cannot be written, and the old password must not stay in force.
    HANDLE holder = CreateFileA(PasswordFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, CVU_SetRemPassword("bbb"));
    CloseHandle(holder);
    EXPECT_FALSE(FileExists(PasswordFile()));

    // The directory is read again on every call, unlike CVEX.INI's path.
    const std::string other = TempDirectory("pwf");
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", other);
    ASSERT_EQ(1, CVU_SetRemPassword("b"));
    EXPECT_EQ(kB + std::string(15, kBlank) + '\0', ReadFileText(other + "CVEX.PWF"));
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", dir_ + "missing\\");
    EXPECT_EQ(1, CVU_SetRemPassword("abc"));
    EXPECT_FALSE(FileExists(dir_ + "missing\\CVEX.PWF"));
    EXPECT_FALSE(FileExists(ExeDirectory() + "CVEX.PWF"));

    // Without an install directory the file goes beside the libraries.
    ForgetInstallDirectory();
    ASSERT_EQ(1, CVU_SetRemPassword("c"));
    EXPECT_EQ(kC + std::string(15, kBlank) + '\0', ReadFileText(ExeDirectory() + "CVEX.PWF"));
    EXPECT_EQ(1, CVU_SetRemPassword(""));
    EXPECT_FALSE(FileExists(ExeDirectory() + "CVEX.PWF"));

    // A directory with no room for the file names counts as absent, for
    // CVEX.INI as for CVEX.PWF: never two cut names that meet.
    std::string padded = dir_, besideIni = ExeDirectory() + "CVEX.INI";
    while (padded.size() < 256) padded += ".\\";
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", padded);
    DeleteFileA(besideIni.c_str());
    ASSERT_TRUE(CVU_SetServerName("LONGDIR"));
    ASSERT_EQ(1, CVU_SetRemPassword("c"));
    EXPECT_EQ("[COMMON]\r\nNAME=LONGDIR\r\n", ReadFileText(besideIni));
    EXPECT_EQ(kC + std::string(15, kBlank) + '\0', ReadFileText(ExeDirectory() + "CVEX.PWF"));
    CVU_SetRemPassword(nullptr);
    DeleteFileA(besideIni.c_str());
}

}  // namespace
