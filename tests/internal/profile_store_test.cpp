// The configuration store against the platform's profile functions: one
// script of calls, run once through GetPrivateProfileStringA and
// WritePrivateProfileStringA and once through the store, from the same
// starting file, must leave the same bytes and read the same answers.
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frame/configstore.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

enum class Op { Get, Int, Write, Keys, Sections, Move };
// value: Write: the value; Get: the default (and size the buffer); Move: the destination.
struct Step { Op op; const char *section, *key = nullptr, *value = nullptr; DWORD size = 200; };
// start: null for no file.
struct Script { std::string name; const char *start; std::vector<Step> steps; };

Step Get(const char *s, const char *k, const char *fallback = "", DWORD size = 200) { return {Op::Get, s, k, fallback, size}; }
Step Int(const char *s, const char *k) { return {Op::Int, s, k}; }
Step Put(const char *s, const char *k, const char *v) { return {Op::Write, s, k, v}; }
Step Keys(const char *s) { return {Op::Keys, s}; }
Step Sections() { return {Op::Sections, nullptr}; }
Step Move(const char *from, const char *to) { return {Op::Move, from, nullptr, to}; }

std::vector<std::string> SplitList(const char *p)
{
    std::vector<std::string> out;
    for (; *p; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

std::string Joined(const std::vector<std::string> &list)
{
    std::string text;
    for (const std::string &s : list) text += s + "|";
    return text;
}

// One step through the platform's profile functions. A move is the copy
// the library made key by key: list, read each with a marker, write or
// delete it in the destination, then delete the source.
std::string ThroughProfile(const Step &s, const char *file)
{
    std::vector<char> buffer(65536);
    switch (s.op) {
    case Op::Get: {
        std::memset(buffer.data(), '#', s.size + 1);
        DWORD n = GetPrivateProfileStringA(s.section, s.key, s.value, buffer.data(), s.size, file);
        return std::to_string(n) + ":" + buffer.data();
    }
    case Op::Int: return std::to_string(GetPrivateProfileIntA(s.section, s.key, 77, file));
    case Op::Write: return WritePrivateProfileStringA(s.section, s.key, s.value, file) ? "ok" : "failed";
    case Op::Keys:
    case Op::Sections:
        s.op == Op::Keys ? GetPrivateProfileStringA(s.section, nullptr, "", buffer.data(), DWORD(buffer.size()), file)
                         : GetPrivateProfileSectionNamesA(buffer.data(), DWORD(buffer.size()), file);
        return Joined(SplitList(buffer.data()));
    case Op::Move:
        GetPrivateProfileStringA(s.section, nullptr, "", buffer.data(), DWORD(buffer.size()), file);
        for (const std::string &key : SplitList(buffer.data())) {
            std::vector<char> value(65536);
            GetPrivateProfileStringA(s.section, key.c_str(), "~bo|gU@s", value.data(), DWORD(value.size()), file);
            WritePrivateProfileStringA(s.value, key.c_str(), std::strcmp(value.data(), "~bo|gU@s") ? value.data() : nullptr, file);
        }
        WritePrivateProfileStringA(s.section, nullptr, nullptr, file);
        return "ok";
    }
    return "";
}

std::string ThroughStore(const Step &s, const char *file)
{
    switch (s.op) {
    case Op::Get: {
        std::vector<char> buffer(s.size + 1, '#');
        DWORD n = cvx::ReadProfileText(s.section, s.key, s.value, buffer.data(), s.size, file);
        return std::to_string(n) + ":" + buffer.data();
    }
    case Op::Int: return std::to_string(cvx::ReadProfileUInt(s.section, s.key, 77, file));
    case Op::Write: return cvx::WriteProfileText(s.section, s.key, s.value, file) ? "ok" : "failed";
    case Op::Keys: return Joined(cvx::ProfileKeys(s.section, file));
    case Op::Sections: return Joined(cvx::ProfileSectionNames(file));
    case Op::Move: return cvx::MoveProfileSection(s.section, s.value, file) ? "ok" : "failed";
    }
    return "";
}

// The odd files the profile functions meet in the field.
const char *const kOddFiles[] = {
    "[LINE1]\r\nNAME=North\r\n\r\n[line1]\r\nPORTNAME=COM1\r\nNAME=dup\r\n",
    "  [ SERVER ]  \r\n  LINES  =  2  \r\n; a comment\r\nnoequals\r\n=orphan\r\n=second\r\n[GROUP1]\r\nNAME=\"Sales\"\r\n",
    "top=level\r\n[A]\r\nx='q'\r\ny=\"\"\r\nz=\"a\r\n\r\n\r\n[B]\nb=1\n[C]\r\nc=\t tab \x1A\r\n[D]x\r\n[E",
    "[S]\r\nk=1",
    "[S]\rk=1\rm=2\r[T]\rt=3",
    "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9t\xC3\xA9\r\n[\xC3\x89T\xC3\x89]\r\nv=1\r\n",
    "",
    "[]\r\nhidden=1\r\n[S]\r\n[S]\r\nk=2\r\n[ s ]\r\nk=3\r\n",
};

const std::vector<Script> kHandPicked = {
        {"new file", nullptr, {Put("LINE1", "NAME", "North"), Put("SERVER", "LINES", "1"), Get("line1", "name")}},
        {"same value changes nothing", kOddFiles[1], {Put("SERVER", "LINES", "2"), Put("SERVER", "LINES", "  2")}},
        {"blanks and comments", kOddFiles[1],
         {Get("SERVER", "LINES"), Get(" SERVER ", " LINES "), Get("SERVER", "; a comment"), Get("SERVER", "noequals", "d"),
          Get("SERVER", "", "d"), Keys("SERVER"), Put(" SERVER ", " K ", "  spaced  "), Get("SERVER", "K"),
          Put("  NEWSEC  ", "  nk  ", "v"), Get("NEWSEC", "nk")}},
        {"quotes and cuts", kOddFiles[2],
         {Get("A", "x"), Get("A", "y"), Get("A", "z"), Get("GROUP", "n", "\"def\""), Get("A", "x", "", 2),
          Get("A", "x", "", 3), Get("A", "missing", "  long default  ", 5), Get("A", "missing", "cut", 1),
          Get("C", "c"), Get("D", "x"), Keys("E"), Sections(), Get("", "top")}},
        {"other blanks", "[W]\r\nk=\xA0v\xA0\r\nm=\x1Cw\x1F\r\n\x0Bn\x0C=\x1Ax\r\n",
         {Get("W", "k"), Get("W", "m"), Get("W", "n"), Put("W", "k", "\xA0z"), Put("\x1CW", "o", "1")}},
        {"byte order mark and accents", kOddFiles[5],
         {Get("S", "k"), Get("\xE9t\xE9", "V"), Put("\xE9T\xE9", "w", "2"), Put("S", "K", "\xC0")}},
        {"empty and repeated section names", kOddFiles[7],
         {Get("S", "k", "d"), Get("s", "k"), Put("S", "k", "5"), Put("S", "n", "6"), Sections(), Keys("S"),
          Put("S", nullptr, nullptr), Sections(), Put("", "k", "v")}},
        {"integers", "[N]\r\na=12abc\r\nb=0x1F\r\nc=-5\r\nd= 7\r\ne=\r\nf=abc\r\ng=4294967295\r\nh=99999999999\r\n"
                     "i=\"42\"\r\nj=0X10\r\nk=+8\r\n",
         {Int("N", "a"), Int("N", "b"), Int("N", "c"), Int("N", "d"), Int("N", "e"), Int("N", "f"), Int("N", "g"),
          Int("N", "h"), Int("N", "i"), Int("N", "j"), Int("N", "k"), Int("N", "absent")}},
        {"a move re-creates the section at the end", "[G1]\r\nNAME=a\r\n[G2]\r\nNAME=b\r\nLINES=(x)\r\nNAME=dup\r\n"
                                                     "; note\r\nbare\r\nQ=\"quoted\"\r\n[SERVER]\r\nGROUPS=2\r\n",
         {Put("G1", nullptr, nullptr), Move("G2", "G1"), Put("SERVER", "GROUPS", "1")}},
};

class ProfileStore : public CleanTest {
protected:
    // Runs a script both ways; in one store call (as an export does) or with
    // every step a call of its own.
    void Compare(const Script &script, bool oneCall)
    {
        SCOPED_TRACE(script.name + (oneCall ? " (one call)" : " (a call a step)"));
        // A file name of its own each time: the platform keeps what it read
        // of a file by name, and an empty file would take over the form
        // (ANSI or UTF-8) of the script before.
        const std::string tag = std::to_string(++runs_) + ".INI", platform = dir_ + "PLATFORM" + tag, store = dir_ + "STORE" + tag;
        for (const std::string &path : {platform, store})
            if (script.start) { ASSERT_TRUE(WriteFileText(path, script.start)); }
        std::unique_ptr<cvx::ConfigCall> call;
        if (oneCall) call = std::make_unique<cvx::ConfigCall>(cvx::ConfigCall::Mode::Change, store.c_str());
        for (size_t i = 0; i < script.steps.size(); ++i)
            EXPECT_EQ(ThroughProfile(script.steps[i], platform.c_str()), ThroughStore(script.steps[i], store.c_str())) << "step " << i;
        if (call) { EXPECT_TRUE(call->Commit()); call.reset(); }
        ASSERT_EQ(FileExists(platform), FileExists(store));
        EXPECT_EQ(ReadFileText(platform), ReadFileText(store));
    }
    int runs_ = 0;
};

TEST_F(ProfileStore, ScriptsLeaveThePlatformsBytes)
{
    for (const Script &script : kHandPicked) {
        Compare(script, true);
        Compare(script, false);
    }
    // Then scripts drawn from a seed over a small vocabulary of names that
    // differ in case and blanks, on each odd starting file.
    static const char *const sections[] = {"LINE1", "line1", "S", " s ", "SERVER", "GROUP1", "NEW", "T", "E"};
    static const char *const keys[] = {"NAME", "name", "k", " K ", "LINES", "PORTNAME", "x", "noequals", "b"};
    static const char *const values[] = {"v", "  v", "North", "\"q\"", "'a'", "", "x y", nullptr, "12"};
    std::mt19937 random(20261206);
    auto pick = [&](auto &array) { return array[random() % std::size(array)]; };
    for (int i = 0; i < 48; ++i) {
        Script script{"drawn #" + std::to_string(i), kOddFiles[i % std::size(kOddFiles)], {}};
        for (int n = 0; n < 12; ++n) {
            const unsigned kind = random() % 6;
            script.steps.push_back(kind == 0   ? Get(pick(sections), pick(keys), "d", DWORD(1 + random() % 8))
                                   : kind == 1 ? Put(pick(sections), nullptr, nullptr)
                                   : kind == 2 ? Move(pick(sections), pick(sections))
                                               : Put(pick(sections), pick(keys), pick(values)));
        }
        script.steps.push_back(Sections());
        Compare(script, true);
    }
}

}  // namespace
