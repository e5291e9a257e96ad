// The client through the exports: port redirection (sections CLIENT and
// DESC) and session settings (SESSIONSPARMS and the client's transmit set),
// checked as the exact text of CVEX.INI after every call.
#include "config_table.h"
#include "cvxutil.h"
#include "machine_ports.h"
#include "resids.h"
#include "win95/devicetree.h"

using namespace cvxtest;

namespace {

// The export's short form, which writes the standard description.
const char kStandard[] = "";

std::function<long()> Redirect(const char *port, const char *dest, const char *desc = kStandard)
{
    if (desc == kStandard) return [=] { return long(CVU_SetClientRedirection(port, dest)); };
    return [=] { return long(CVU_SetClientRedirectionEx(port, dest, desc)); };
}

std::string Numbers(int from, int to)
{
    std::string list = "(";
    for (int n = from; n <= to; ++n) list += std::to_string(n) + (n < to ? "," : ")");
    return list;
}

class ClientRedirection : public ConfigTable {
protected:
    std::string desc_ = ModuleString(IDS_REDIRECT_DESC);
};

TEST_F(ClientRedirection, PortsListedInOrderOfAdditionWithTheirDescriptions)
{
    ASSERT_FALSE(desc_.empty());
    const std::string d = desc_, pool = ModuleString(IDS_DEFAULT_POOL), longDesc(150, 'e');
    Run({
        {"first", "", Redirect("COM3", "LINE1"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3)\r\nCOM3DEST=LINE1\r\n[DESC]\r\nPort3Desc=" + d + "\r\n"},
        {"second", kKeep, Redirect("COM5", "Pool"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,5)\r\nCOM3DEST=LINE1\r\nCOM5DEST=Pool\r\n[DESC]\r\nPort3Desc=" + d +
             "\r\nPort5Desc=" + d + "\r\n"},
        {"third", kKeep, Redirect("com4", "LINE2"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,5,4)\r\nCOM3DEST=LINE1\r\nCOM5DEST=Pool\r\nCOM4DEST=LINE2\r\n"
         "[DESC]\r\nPort3Desc=" + d + "\r\nPort5Desc=" + d + "\r\nPort4Desc=" + d + "\r\n"},
        // A null destination takes the key and the description.
        {"remove", kKeep, Redirect("COM5", nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=LINE1\r\nCOM4DEST=LINE2\r\n"
         "[DESC]\r\nPort3Desc=" + d + "\r\nPort4Desc=" + d + "\r\n"},
        // A listed port keeps its place and takes the new destination.
        {"again", kKeep, Redirect("COM3", "LINE9", "mine"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=LINE9\r\nCOM4DEST=LINE2\r\n"
         "[DESC]\r\nPort3Desc=mine\r\nPort4Desc=" + d + "\r\n"},
        {"remove one not listed", kKeep, Redirect("COM8", nullptr), TRUE, kSame},
        // Only a resource string that exists leaves a description; no text
        // removes an older one.
        {"no text", kKeep, Redirect("COM3", "A", nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=A\r\nCOM4DEST=LINE2\r\n[DESC]\r\nPort4Desc=" + d + "\r\n"},
        {"missing resource", kKeep, Redirect("COM4", "B", CVU_TEXTID(1)), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=A\r\nCOM4DEST=B\r\n[DESC]\r\n"},
        {"resource", kKeep, Redirect("COM1", "C", CVU_TEXTID(IDS_DEFAULT_POOL)), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(3,4,1)\r\nCOM3DEST=A\r\nCOM4DEST=B\r\nCOM1DEST=C\r\n[DESC]\r\nPort1Desc=" + pool +
             "\r\n"},
        // The last port takes section CLIENT with it.
        {"last", "", Redirect("COM2", "LINE1", "two"), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=LINE1\r\n[DESC]\r\nPort2Desc=two\r\n"},
        {"remove the last", kKeep, Redirect("COM2", nullptr, "ignored"), TRUE, "[DESC]\r\n"},
        // An empty destination removes the port too, then writes the key.
        {"empty destination", kKeep, Redirect("COM2", "", "two"), TRUE, "[DESC]\r\n[CLIENT]\r\nCOM2DEST=\r\n"},
        // The number is what atol reads after the first three characters.
        {"no number", "", Redirect("COMx", "LINE1"), FALSE, ""},
        {"no number, remove", kKeep, Redirect("CO", nullptr), FALSE, ""},
        {"blank", kKeep, Redirect(" ", "LINE1"), FALSE, ""},
        {"negative", kKeep, Redirect("COM-2", "LINE1"), FALSE, ""},
        {"atol", kKeep, Redirect("LPT 12abc", "X", nullptr), TRUE, "[CLIENT]\r\nREDIRECTPORTS=(12)\r\nCOM12DEST=X\r\n"},
        {"atol sign", kKeep, Redirect("COM+7", "Y", nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(12,7)\r\nCOM12DEST=X\r\nCOM7DEST=Y\r\n"},
        // The file keeps long values whole.
        {"long", "", Redirect("COM2", "dddddddddddddddddddddddddddddd", longDesc.c_str()), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=(2)\r\nCOM2DEST=dddddddddddddddddddddddddddddd\r\n[DESC]\r\nPort2Desc=" +
             std::string(150, 'e') + "\r\n"},
    });
    // The record holds what fits.
    ClientPortParams params;
    ASSERT_TRUE(CVU_GetClientPortParams("COM2", &params));
    EXPECT_EQ(std::string(16, 'd'), params.destination);
    EXPECT_EQ(std::string(99, 'e'), params.description);
}

TEST_F(ClientRedirection, ThirtyPortsFillTheList)
{
    for (int n = 1; n <= 30; ++n) ASSERT_TRUE(CVU_SetClientRedirection(("COM" + std::to_string(n)).c_str(), "L")) << n;
    ASSERT_NE(std::string::npos, Text().find("REDIRECTPORTS=" + Numbers(1, 30) + "\r\n"));
    const std::string three = "[CLIENT]\r\nREDIRECTPORTS=" + Numbers(101, 140) + "\r\n";
    const std::string removed = Sub(Text(), {{",6,7,8,", ",6,8,"}, {"COM7DEST=L\r\n", ""}, {"Port7Desc=" + desc_ + "\r\n", ""}});
    Run({
        // Every request that adds fails, a listed port included.
        {"31st", kKeep, Redirect("COM31", "L"), FALSE, kSame},
        {"listed", kKeep, Redirect("COM7", "OTHER"), FALSE, kSame},
        // Removing still works, and then there is room again.
        {"remove", kKeep, Redirect("COM7", nullptr), TRUE, removed},
        {"room", kKeep, Redirect("COM31", "L", nullptr), TRUE,
         Sub(removed, {{",30)", ",30,31)"}, {"COM30DEST=L\r\n", "COM30DEST=L\r\nCOM31DEST=L\r\n"}})},
        // A longer list is read as its first thirty numbers.
        {"longer list", three, Redirect("COM101", "L", nullptr), FALSE, kSame},
        {"longer list, remove unlisted", kKeep, Redirect("COM999", nullptr, nullptr), TRUE, kSame},
        {"longer list, remove", kKeep, Redirect("COM101", nullptr, nullptr), TRUE,
         "[CLIENT]\r\nREDIRECTPORTS=" + Numbers(102, 130) + "\r\n"},
    });
}

TEST_F(ClientRedirection, HandEditedListsAndParams)
{
    ASSERT_TRUE(WriteFileText(ini_, "[CLIENT]\r\nREDIRECTPORTS=(3,0,x,4)\r\nCOM3DEST=LINE1\r\nCOM4DEST=\r\n"
                                    "COM9DEST=LINE9\r\n[DESC]\r\nPort3Desc=three\r\n"));
    ClientPortParams params;
    std::memset(&params, 0x5A, sizeof params);
    ASSERT_TRUE(CVU_GetClientPortParams("COM3", &params));
    ClientPortParams want{};
    std::strcpy(want.destination, "LINE1");
    std::strcpy(want.description, "three");
    EXPECT_EQ(0, std::memcmp(&want, &params, sizeof params));
    // Listed with an empty destination: not redirected; not listed with a
    // destination: redirected as far as reading goes.
    EXPECT_FALSE(CVU_GetClientPortParams("COM4", &params));
    EXPECT_TRUE(CVU_GetClientPortParams("COM9", nullptr));
    EXPECT_FALSE(CVU_GetClientPortParams("COMx", nullptr));

    // (3,0,x,4) reads as 3 and 4: adding 5 rewrites it clean.
    EXPECT_TRUE(CVU_SetClientRedirectionEx("COM5", "LINE5", nullptr));
    EXPECT_EQ("[CLIENT]\r\nREDIRECTPORTS=(3,4,5)\r\nCOM3DEST=LINE1\r\nCOM4DEST=\r\nCOM9DEST=LINE9\r\n"
              "COM5DEST=LINE5\r\n[DESC]\r\nPort3Desc=three\r\n",
              Text());
}

// On Windows NT no port driver changes: the device tree stays as it was.
TEST_F(ClientRedirection, WindowsNtLeavesTheDeviceTreeAlone)
{
    ASSERT_FALSE(IsWin95Platform());
    PutKey("Enum\\BIOS\\*PNP0501\\0D", {Sz("PortName", "COM2"), Sz("Driver", "Ports\\0000")});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0000", {Sz("PortDriver", "serial.vxd")});
    PutKey("Enum\\Root\\Ports\\0000", {Sz("PortName", "COM5"), Sz("Driver", "Ports\\0001"), Dword("CvexID", 0xE8000001)});
    PutKey("System\\CurrentControlSet\\Services\\Class\\Ports\\0001", {Sz("PortDriver", "CVRRDIR.VXD")});
    const std::string before = DumpPortTrees();
    EXPECT_TRUE(CVU_SetClientRedirection("COM2", "LINE1"));
    EXPECT_TRUE(CVU_SetClientRedirection("COM5", nullptr));
    EXPECT_EQ(0u, CVU_CleanupPorts());
    EXPECT_EQ(0u, CVU_Clean70Ports());
    EXPECT_EQ(before, DumpPortTrees());
}

ClientSettings Settings(LONG activity, LONG timeout, DWORD queue, DWORD retry, const std::string &triggers)
{
    ClientSettings s{};
    s.activityTimer = activity;
    s.timeout = timeout;
    s.queue = queue;
    s.retry = retry;
    std::memcpy(s.triggers, triggers.data(), triggers.size());
    s.triggerCount = WORD(triggers.size());
    return s;
}

class ClientSettingsTest : public ConfigTable {
protected:
    ClientSettings Read()
    {
        ClientSettings s;
        std::memset(&s, 0x5A, sizeof s);
        EXPECT_TRUE(CVU_GetClientSettings(&s));
        return s;
    }
};

TEST_F(ClientSettingsTest, ReadWithDefaultsForWhatIsOutOfRange)
{
    struct Row {
        std::string keys;
        ClientSettings read;
    } rows[] = {
        {"", Settings(30, 3, 0, 1, "")},
        {"ACTIVITYTIMER=100\r\nTIMEOUT=0\r\n", Settings(30, 0, 0, 1, "")},
        {"ACTIVITYTIMER=99\r\nTIMEOUT=100\r\n", Settings(99, 3, 0, 1, "")},
        {"ACTIVITYTIMER=-1\r\nTIMEOUT=-5\r\n", Settings(30, 3, 0, 1, "")},
        {"ACTIVITYTIMER=abc\r\nTIMEOUT=\r\n", Settings(0, 3, 0, 1, "")},
        {"ACTIVITYTIMER= 12x\r\nTIMEOUT=+7\r\n", Settings(12, 7, 0, 1, "")},
        {"ACTIVITYTIMER=4294967295\r\nTIMEOUT=99\r\n", Settings(30, 99, 0, 1, "")},
        // Only N means no.
        {"QUEUE=Y\r\nRETRY=n\r\n", Settings(30, 3, 1, 0, "")},
        {"QUEUE=\r\nRETRY=N\r\n", Settings(30, 3, 1, 0, "")},
        {"QUEUE=No\r\nRETRY=0\r\n", Settings(30, 3, 1, 1, "")},
        // The set's triggers, each once; a set that does not exist gives none.
        {"TRANSMIT=ta1\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H,0DH,41H)\r\n",
         Settings(30, 3, 0, 1, "\x41\x0D")},
        {"TRANSMIT=TA9\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA2\r\nTRIGGERS=(01H)\r\n",
         Settings(30, 3, 0, 1, "")},
    };
    for (const Row &r : rows) {
        const std::string text = "[SESSIONSPARMS]\r\n" + r.keys;
        ASSERT_TRUE(WriteFileText(ini_, text));
        ClientSettings s = Read();
        EXPECT_EQ(0, std::memcmp(&r.read, &s, sizeof s)) << r.keys << s.activityTimer << "," << s.timeout;
        EXPECT_EQ(text, Text());  // reading writes nothing back
    }
}

TEST_F(ClientSettingsTest, TriggersLiveInATransmitSetOfTheirOwn)
{
    auto set = [](ClientSettings s) { return [s] { return long(CVU_SetClientSettings(&s)); }; };
    const std::string lineSet = "[SERVER]\r\nLINES=1\r\n[LINE1]\r\nTRANSMIT=TA1\r\n[COMMON]\r\nTRANSMITSETS=2\r\n"
                                "[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\n[TRANSMIT2]\r\nNAME=TA2\r\n";
    ClientSettings sixteen = Settings(150, -1, 7, 0, "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF");
    sixteen.triggerCount = 40;
    Run({
        {"triggers", "", set(Settings(5, 7, 1, 0, "\x0D\x1B")), TRUE,
         "[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\nTRANSMIT=TA1\r\n"
         "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(0DH,1BH)\r\n"},
        {"other triggers", kKeep, set(Settings(5, 7, 1, 0, "A")), TRUE,
         "[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=5\r\nTIMEOUT=7\r\nTRANSMIT=TA1\r\n"
         "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nTRIGGERS=(41H)\r\n"},
        // No characters: the set and the reference go.
        {"no triggers", kKeep, set(Settings(0, 99, 0, 1, "")), TRUE,
         "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=0\r\nTIMEOUT=99\r\n[COMMON]\r\nTRANSMITSETS=0\r\n"},
        // A set that a line names stays.
        {"a line's set", lineSet + "[SESSIONSPARMS]\r\nTRANSMIT=ta1\r\n", set(Settings(30, 3, 0, 1, "")), TRUE,
         lineSet + "[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=Y\r\nACTIVITYTIMER=30\r\nTIMEOUT=3\r\n"},
        // A missing set is replaced under a name nobody bears.
        {"missing set", "[SESSIONSPARMS]\r\nTRANSMIT=TA9\r\n[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA2\r\n",
         set(Settings(1, 2, 0, 0, "\x03")), TRUE,
         "[SESSIONSPARMS]\r\nTRANSMIT=TA3\r\nQUEUE=N\r\nRETRY=N\r\nACTIVITYTIMER=1\r\nTIMEOUT=2\r\n"
         "[COMMON]\r\nTRANSMITSETS=2\r\n[TRANSMIT1]\r\nNAME=TA2\r\n[TRANSMIT2]\r\nNAME=TA3\r\nTRIGGERS=(03H)\r\n"},
        // Stored without a range test; a count beyond the array stores the
        // sixteen characters there are.
        {"out of range", "", set(sixteen), TRUE,
         "[SESSIONSPARMS]\r\nQUEUE=Y\r\nRETRY=N\r\nACTIVITYTIMER=150\r\nTIMEOUT=4294967295\r\nTRANSMIT=TA1\r\n"
         "[COMMON]\r\nTRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\n"
         "TRIGGERS=(F0H,F1H,F2H,F3H,F4H,F5H,F6H,F7H,F8H,F9H,FAH,FBH,FCH,FDH,FEH,FFH)\r\n"},
    });
    sixteen.triggerCount = 16;
    sixteen.activityTimer = 30;
    sixteen.timeout = 3;
    sixteen.queue = 1;
    ClientSettings out = Read();
    EXPECT_EQ(0, std::memcmp(&sixteen, &out, sizeof out));
}

}  // namespace
