// The remote password file CVEX.PWF: its 17 bytes, the OEM conversion of
// the password, and the file's removal.
#include <string>
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

// Stored forms of the characters the passwords below are made of:
// (byte ^ 0xA7) rotated right by two bits.
constexpr unsigned char kA = 0xB1;      // 'a'
constexpr unsigned char kB = 0x71;      // 'b'
constexpr unsigned char kC = 0x31;      // 'c'
constexpr unsigned char kBlank = 0xE1;  // ' ', the padding
constexpr unsigned char kEAcute = 0x49;  // e acute in OEM 437/850 (0x82)

std::string Bytes(std::initializer_list<std::pair<unsigned char, int>> runs)
{
    std::string bytes;
    for (auto [value, count] : runs) bytes.append(size_t(count), char(value));
    return bytes;
}

class RemotePassword : public CleanTest {
protected:
    std::string PasswordFile() { return dir_ + "CVEX.PWF"; }
};

TEST_F(RemotePassword, ShortPasswordIsPaddedWithBlanks)
{
    EXPECT_EQ(1, CVU_SetRemPassword("abc"));
    EXPECT_EQ(Bytes({{kA, 1}, {kB, 1}, {kC, 1}, {kBlank, 13}, {0, 1}}), ReadFileText(PasswordFile()));
    EXPECT_FALSE(FileExists(ini_)) << "the password is not kept in CVEX.INI";

    // A new password replaces the file whole.
    EXPECT_EQ(1, CVU_SetRemPassword("b"));
    EXPECT_EQ(Bytes({{kB, 1}, {kBlank, 15}, {0, 1}}), ReadFileText(PasswordFile()));

    // Blanks alone are a password like any other.
    EXPECT_EQ(1, CVU_SetRemPassword("  "));
    EXPECT_EQ(Bytes({{kBlank, 16}, {0, 1}}), ReadFileText(PasswordFile()));
}

TEST_F(RemotePassword, NonAsciiCharactersAreStoredInTheOemCodePage)
{
    // e acute is 0xE9 in the ANSI code page 1252 and 0x82 in the OEM code
    // pages 437 and 850 of the western locales the tests run in.
    ASSERT_EQ(1252u, GetACP());
    ASSERT_TRUE(GetOEMCP() == 437 || GetOEMCP() == 850) << GetOEMCP();

    EXPECT_EQ(1, CVU_SetRemPassword("a\xE9"));
    EXPECT_EQ(Bytes({{kA, 1}, {kEAcute, 1}, {kBlank, 14}, {0, 1}}), ReadFileText(PasswordFile()));

    // Exactly 16 characters: no padding, nothing cut.
    EXPECT_EQ(1, CVU_SetRemPassword("abc\xE9"
                                    "abc\xE9"
                                    "abc\xE9"
                                    "abc\xE9"));
    std::string quarter = Bytes({{kA, 1}, {kB, 1}, {kC, 1}, {kEAcute, 1}});
    EXPECT_EQ(quarter + quarter + quarter + quarter + std::string(1, '\0'), ReadFileText(PasswordFile()));

    // Longer: the converted text is cut to its first 16 bytes.
    EXPECT_EQ(1, CVU_SetRemPassword("\xE9\xE9\xE9\xE9"
                                    "aaaaaaaaaaaa"
                                    "bbbb\xE9"));
    EXPECT_EQ(Bytes({{kEAcute, 4}, {kA, 12}, {0, 1}}), ReadFileText(PasswordFile()));
}

TEST_F(RemotePassword, EmptyPasswordDeletesTheFile)
{
    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    ASSERT_TRUE(FileExists(PasswordFile()));
    EXPECT_EQ(1, CVU_SetRemPassword(""));
    EXPECT_FALSE(FileExists(PasswordFile()));

    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    EXPECT_EQ(1, CVU_SetRemPassword(nullptr));
    EXPECT_FALSE(FileExists(PasswordFile()));
    // Clearing a password that is not set is no error.
    EXPECT_EQ(1, CVU_SetRemPassword(nullptr));
    EXPECT_FALSE(FileExists(PasswordFile()));
}

TEST_F(RemotePassword, FileThatCannotBeWrittenIsNotLeftBehind)
{
    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    // Another process holds the old file open for reading only: the new one
    // cannot be created, and the old password must not stay in force.
    HANDLE holder = CreateFileA(PasswordFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, CVU_SetRemPassword("bbb"));
    CloseHandle(holder);
    EXPECT_FALSE(FileExists(PasswordFile()));

    // An install directory that does not exist: nothing is written anywhere.
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", dir_ + "missing\\");
    EXPECT_EQ(1, CVU_SetRemPassword("abc"));
    EXPECT_FALSE(FileExists(dir_ + "missing\\CVEX.PWF"));
    EXPECT_FALSE(FileExists(ExeDirectory() + "CVEX.PWF"));
}

TEST_F(RemotePassword, FileFollowsTheInstallDirectory)
{
    std::string other = TempDirectory("pwf");
    ASSERT_EQ(1, CVU_SetRemPassword("abc"));
    // The directory is read again on every call, unlike CVEX.INI's path.
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", other);
    ASSERT_EQ(1, CVU_SetRemPassword("b"));
    EXPECT_EQ(Bytes({{kB, 1}, {kBlank, 15}, {0, 1}}), ReadFileText(other + "CVEX.PWF"));
    EXPECT_EQ(Bytes({{kA, 1}, {kB, 1}, {kC, 1}, {kBlank, 13}, {0, 1}}), ReadFileText(PasswordFile()));

    // Without an install directory the file goes beside the libraries.
    ForgetInstallDirectory();
    ASSERT_EQ(1, CVU_SetRemPassword("c"));
    std::string beside = ExeDirectory() + "CVEX.PWF";
    EXPECT_EQ(Bytes({{kC, 1}, {kBlank, 15}, {0, 1}}), ReadFileText(beside));
    EXPECT_EQ(1, CVU_SetRemPassword(""));
    EXPECT_FALSE(FileExists(beside));

    // A directory with no room for the file names counts as absent, for
    // CVEX.INI as for CVEX.PWF: never two cut names that meet.
    std::string padded = dir_, besideIni = ExeDirectory() + "CVEX.INI";
    while (padded.size() < 256) padded += ".\\";
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", padded);
    DeleteFileA(besideIni.c_str());
    ASSERT_TRUE(CVU_SetServerName("LONGDIR"));
    ASSERT_EQ(1, CVU_SetRemPassword("c"));
    EXPECT_EQ("[COMMON]\r\nNAME=LONGDIR\r\n", ReadFileText(besideIni));
    EXPECT_EQ(Bytes({{kC, 1}, {kBlank, 15}, {0, 1}}), ReadFileText(beside));
    CVU_SetRemPassword(nullptr);
    DeleteFileA(besideIni.c_str());
}

}  // namespace
