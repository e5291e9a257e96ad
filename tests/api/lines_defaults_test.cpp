// What the configuration applet offers for a new line: default serial
// settings, share names with their retries, and pool names.
#include <cstring>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"
#include "resids.h"

using namespace cvxtest;

namespace {

class LineDefaults : public CleanTest {
protected:
    void Write(const std::string &text) { ASSERT_TRUE(WriteFileText(ini_, text)); }
    std::string Text() { return ReadFileText(ini_); }

    // The share name the library returns, checked to stay in its 17 bytes.
    std::string ShareName(const char *port)
    {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        CVU_GetDefaultShareName(port, buffer);
        for (size_t i = 17; i < sizeof buffer; ++i) EXPECT_EQ('x', buffer[i]) << "written past 17 bytes";
        return std::string(buffer, strnlen(buffer, 17));
    }
    std::string PoolName(BOOL generate, BOOL expected)
    {
        char buffer[40];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(expected, CVU_GetPoolName(buffer, generate));
        for (size_t i = 17; i < sizeof buffer; ++i) EXPECT_EQ('x', buffer[i]) << "written past 17 bytes";
        return std::string(buffer, strnlen(buffer, 17));
    }
    // A generated pool name as the resource module's format makes it.
    std::string Candidate(const std::string &server, unsigned number)
    {
        std::string name = ModuleString(IDS_POOL_NAME_FMT);
        name.replace(name.find("%s"), 2, server);
        name.replace(name.find("%u"), 2, std::to_string(number));
        return name;
    }
    // "[SERVER]" with GROUPS and the groups named as given.
    std::string Groups(const std::string &server, const std::vector<std::string> &names)
    {
        std::string text = "[COMMON]\r\nNAME=" + server + "\r\n[SERVER]\r\nGROUPS=" + std::to_string(names.size()) + "\r\n";
        for (size_t i = 0; i < names.size(); ++i)
            text += "[GROUP" + std::to_string(i + 1) + "]\r\nNAME=" + names[i] + "\r\n";
        return text;
    }
};

TEST_F(LineDefaults, DefaultPortConfig)
{
    PortConfig config;
    std::memset(&config, 0xCC, sizeof config);
    CVU_GetDefaultPortConfig(&config);
    EXPECT_EQ(9600u, config.baudRate);
    EXPECT_EQ(CVU_PARITY_NONE, config.parity);
    EXPECT_EQ(8, config.dataBits);
    EXPECT_EQ(CVU_STOPBITS_1, config.stopBits);
    EXPECT_EQ(CVU_FLOW_HARDWARE, config.flow);
    EXPECT_EQ(0, config.triggerCount);
    for (BYTE c : config.triggers) EXPECT_EQ(0, c);
    CVU_GetDefaultPortConfig(nullptr);
}

TEST_F(LineDefaults, ShareNameRetriesPutNumbersInFront)
{
    const std::string x = Formatted(IDS_SHARE_NAME_FMT, "3");
    ASSERT_NE(std::string::npos, ModuleString(IDS_SHARE_NAME_FMT).find("%u"));
    std::string lower = x;
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string text = "[SERVER]\r\nLINES=6\r\n"
                             "[LINE1]\r\nPORTNAME=COM1\r\nNAME=" + x + "\r\n"
                             "[LINE2]\r\nPORTNAME=COM2\r\nNAME=2" + x + "\r\n"
                             "[LINE3]\r\nPORTNAME=COM4\r\nNAME=32" + lower + "\r\n"
                             "[LINE4]\r\nPORTNAME=COM3\r\nNAME=432" + x + "\r\n"
                             "[LINE5]\r\nNAME=Ghost\r\n"
                             "[LINE6]\r\nPORTNAME=COM5\r\nNAME=" + Formatted(IDS_SHARE_NAME_FMT, "5") + "\r\n"
                             "[LINE7]\r\nPORTNAME=COM8\r\nNAME=" + Formatted(IDS_SHARE_NAME_FMT, "7") + "\r\n";
    Write(text);

    // X, 2X and 32X (any case) are taken; 432X is COM3's own line's name.
    EXPECT_EQ("432" + x, ShareName("COM3"));
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "5"), ShareName("com5"));
    // LINE7 lies beyond the count; the number is cut to 16 bits.
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "7"), ShareName("COM7"));
    EXPECT_EQ(Formatted(IDS_SHARE_NAME_FMT, "6"), ShareName("COM65542"));

    EXPECT_TRUE(CVU_IsShareNameInUse("COM3", lower.c_str()));
    EXPECT_FALSE(CVU_IsShareNameInUse("com1", x.c_str()));
    EXPECT_TRUE(CVU_IsShareNameInUse("COM1", ("432" + x).c_str()));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", "Ghost"));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", nullptr));
    EXPECT_FALSE(CVU_IsShareNameInUse("COM1", ""));
    EXPECT_TRUE(CVU_IsShareNameInUse(nullptr, x.c_str()));

    char untouched[17] = "keep";
    CVU_GetDefaultShareName(nullptr, untouched);
    EXPECT_STREQ("keep", untouched);
    CVU_GetDefaultShareName("COM3", nullptr);
    EXPECT_EQ(text, Text());
}

TEST_F(LineDefaults, ShareNameRetriesAreCutTo16Characters)
{
    const std::string x = Formatted(IDS_SHARE_NAME_FMT, "65535");
    std::string text = "[SERVER]\r\nLINES=8\r\n", name = x;
    for (int k = 1; k <= 8; ++k) {
        if (k > 1) name = (std::to_string(k) + name).substr(0, 16);
        text += "[LINE" + std::to_string(k) + "]\r\nPORTNAME=COM" + std::to_string(k) + "\r\nNAME=" + name + "\r\n";
    }
    Write(text);
    EXPECT_EQ(("9" + name).substr(0, 16), ShareName("COM65535"));
    EXPECT_EQ(16u, ShareName("COM65535").size());
}

TEST_F(LineDefaults, PoolNames)
{
    const std::string pool = ModuleString(IDS_DEFAULT_POOL);
    ASSERT_FALSE(pool.empty());
    Write(Groups("Main", {pool, "main_1"}));
    const std::string text = Text();

    // Without generate the default pool, even when a group bears it.
    EXPECT_EQ(pool, PoolName(FALSE, FALSE));
    EXPECT_EQ(Candidate("Main", 2), PoolName(TRUE, TRUE));
    EXPECT_TRUE(CVU_DoesPoolNameExist("MAIN_1"));
    EXPECT_FALSE(CVU_DoesPoolNameExist("Main_2"));
    EXPECT_FALSE(CVU_DoesPoolNameExist(nullptr));
    EXPECT_FALSE(CVU_DoesPoolNameExist(""));
    EXPECT_FALSE(CVU_GetPoolName(nullptr, TRUE));
    EXPECT_EQ(text, Text());

    // An empty server name gives way to the resource module's.
    Write(Groups("", {}));
    EXPECT_EQ(Candidate(ModuleString(IDS_POOL_SERVERNAME), 1), PoolName(TRUE, TRUE));
}

TEST_F(LineDefaults, GeneratedPoolNamesFitIn16Characters)
{
    // The server name is cut so that the name and two digits fit.
    const std::string format = ModuleString(IDS_POOL_NAME_FMT);
    const std::string server = std::string("ABCDEFGHIJKLMNOP").substr(0, 18 - format.size());
    std::vector<std::string> taken;
    for (unsigned i = 1; i <= 9; ++i) taken.push_back(Candidate(server, i));
    Write(Groups("ABCDEFGHIJKLMNOPQRS", taken));
    std::string name = PoolName(TRUE, TRUE);
    EXPECT_EQ(Candidate(server, 10), name);
    EXPECT_EQ(16u, name.size());

    // All 99 taken: the default pool, as without generate.
    for (unsigned i = 10; i <= 99; ++i) taken.push_back(Candidate(server, i));
    Write(Groups("ABCDEFGHIJKLMNOPQRS", taken));
    EXPECT_EQ(ModuleString(IDS_DEFAULT_POOL), PoolName(TRUE, FALSE));
}

}  // namespace
