// cvxcfg services: the registry store of inbound services, security text
// shown only when asked for.
#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgServices : public CleanTest {};

const char kServices[] = "Software\\Quillon\\Calvex\\InBound Services\\Services";

TEST_F(CvxcfgServices, AddStoresTheRecord)
{
    Json added = CvxcfgJson({"services", "add", "Fax", "--program", "C:\\Fax\\fax.exe", "--cmdline", "/in /quiet",
                             "--description", "Incoming faxes", "--selected", "--timeout", "45", "--security",
                             "only the fax room"});
    EXPECT_EQ("Fax", added["name"].string);
    EXPECT_FALSE(added.Has("security"));
    std::string text;
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs00").c_str(), "Program", &text));
    EXPECT_EQ("C:\\Fax\\fax.exe", text);
    ASSERT_TRUE(GetRegString(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs00").c_str(), "CmdLine", &text));
    EXPECT_EQ("/in /quiet", text);
    DWORD options = 0, timeout = 0;
    ASSERT_TRUE(GetRegDword(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs00").c_str(), "Options", &options));
    EXPECT_EQ(8u, options);
    ASSERT_TRUE(GetRegDword(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs00").c_str(), "AccessTmo", &timeout));
    EXPECT_EQ(45u, timeout);

    Json shown = CvxcfgJson({"services", "show", "FAX"});
    EXPECT_EQ("Incoming faxes", shown["description"].string);
    EXPECT_TRUE(shown["selected"].boolean);
    EXPECT_FALSE(shown.Has("security"));
    EXPECT_EQ("only the fax room", CvxcfgJson({"services", "show", "fax", "--security"})["security"].string);
    ProgramResult plain = Cvxcfg({"services", "show", "Fax"});
    EXPECT_EQ(std::string::npos, plain.out.find("fax room"));
}

TEST_F(CvxcfgServices, ListSelectedAndDelete)
{
    CvxcfgJson({"services", "add", "Fax", "--program", "fax.exe", "--selected"});
    CvxcfgJson({"services", "add", "Bbs", "--program", "bbs.exe", "--options", "1"});
    Json all = CvxcfgJson({"services"});
    ASSERT_EQ(2u, all.size());
    EXPECT_EQ("Fax", all[0]["name"].string);
    EXPECT_EQ("Bbs", all[1]["name"].string);
    EXPECT_EQ(1, all[1]["options"].number);
    Json selected = CvxcfgJson({"services", "--selected"});
    ASSERT_EQ(1u, selected.size());
    EXPECT_EQ("Fax", selected[0]["name"].string);

    ProgramResult dup = Cvxcfg({"services", "add", "fax", "--program", "other.exe"});
    EXPECT_EQ(3, dup.exitCode);
    EXPECT_NE(std::string::npos, dup.err.find("a service named \"fax\" exists (--replace overwrites it)"));
    EXPECT_EQ("other.exe", CvxcfgJson({"services", "add", "fax", "--program", "other.exe", "--replace"})["program"].string);

    EXPECT_EQ("service bbs deleted\n", Cvxcfg({"services", "delete", "bbs"}).out);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, (std::string(kServices) + "\\ibs01").c_str()));
    ProgramResult gone = Cvxcfg({"services", "delete", "bbs"});
    EXPECT_EQ(3, gone.exitCode);
    EXPECT_NE(std::string::npos, gone.err.find("services delete: no service named \"bbs\""));
    ProgramResult noProgram = Cvxcfg({"services", "add", "Mail"});
    EXPECT_EQ(2, noProgram.exitCode);
    EXPECT_NE(std::string::npos, noProgram.err.find("--program is required"));
    ProgramResult longName = Cvxcfg({"services", "add", "A-service-name-17", "--program", "x"});
    EXPECT_EQ(2, longName.exitCode);
    EXPECT_NE(std::string::npos, longName.err.find("at most 16 characters, not 17 (\"A-service-name-17\")"));
}

}  // namespace
}  // namespace cvxtest
