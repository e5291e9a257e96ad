// Product locations: the install directory and CVEX.INI.
#include <string>
#include <utility>

#include "frame/frame.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

class Locations : public CleanTest {};

TEST_F(Locations, InstallDirectoryAndConfigFile)
{
    // The configuration file's place is found once per process.
    EXPECT_EQ(ini_, cvx::GetServerConfigFile());
    // 258 characters take the backslash; 259 would leave no room for it.
    const std::string longest = "C:\\" + std::string(255, 'd');
    const std::pair<std::string, std::string> rows[] = {  // the stored value, the directory
        {"\\DosDevices\\C:\\APPS", "C:\\APPS\\"}, {"\\dosdevices\\D:\\A\\X", "D:\\A\\X\\"}, {"C:\\APPS\\", "C:\\APPS\\"},
        {"\\DosDevice\\C", "\\DosDevice\\C\\"},  {"", "FALSE untouched"},               {longest, longest + "\\"},
        {longest + "e", "FALSE untouched"},     {"\\DosDevices\\" + longest, longest + "\\"},
    };
    for (const auto &[stored, directory] : rows) {
        SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", stored);
        char out[MAX_PATH] = "untouched";
        EXPECT_EQ(directory, cvx::GetInstallDirectory(out) ? out : "FALSE " + std::string(out)) << stored;
    }
    EXPECT_EQ(ini_, cvx::GetServerConfigFile());
}

}  // namespace
