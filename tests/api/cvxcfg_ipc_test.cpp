// cvxcfg queues and tables: messages passed between processes through a
// named queue, the status tables filled and read back.
#include <sstream>

#include "cvxcfg_tool.h"
#include "cvxutil.h"

namespace cvxtest {
namespace {

class CvxcfgIpc : public CleanTest {};

// A second process watches the queue it creates, as the tour does.
CVX_CHILD_ROLE(cvxcfg_watch)
{
    ProgramResult run = RunTool("cvxcfg.exe", {"queues", "watch", args.at(0), "--create", "--count", "2", "--timeout",
                                               "30000", "--json"});
    PutResult("watch", run.out + run.err);
    return run.exitCode;
}

TEST_F(CvxcfgIpc, WatchReceivesMessagesOfAnotherProcess)
{
    ChildProcess watcher = StartChild("cvxcfg_watch", {"cvxcfg-watch-q"});
    ASSERT_TRUE(watcher.Started());
    NmqHandle *probe = nullptr;
    for (int i = 0; i < 300 && CVU_NmqOpen("cvxcfg-watch-q", &probe) != ERROR_SUCCESS; ++i) Sleep(50);
    ASSERT_NE(nullptr, probe) << "the watcher never created its queue";
    EXPECT_EQ(0, Cvxcfg({"queues", "add", "cvxcfg-watch-q", "first message", "--type", "7"}).exitCode);
    EXPECT_EQ(0, Cvxcfg({"queues", "add", "cvxcfg-watch-q", "second"}).exitCode);
    EXPECT_EQ(0, watcher.Wait(40000));
    CVU_NmqClose(probe);

    std::istringstream lines(GetResult("watch"));
    std::vector<Json> messages;
    for (std::string line; std::getline(lines, line);) {
        Json json;
        ASSERT_TRUE(ParseJson(line, &json)) << line;
        messages.push_back(json);
    }
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("first message", messages[0]["text"].string);
    EXPECT_EQ(7, messages[0]["type"].number);
    EXPECT_EQ("second", messages[1]["text"].string);
}

TEST_F(CvxcfgIpc, AddAndRemoveOnAHeldQueue)
{
    ProgramResult missing = Cvxcfg({"queues", "add", "cvxcfg-q", "x"});
    EXPECT_EQ(3, missing.exitCode);
    EXPECT_NE(std::string::npos, missing.err.find("the library refused the message for \"cvxcfg-q\" (error "))
        << missing.err;

    NmqHandle *queue = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate("cvxcfg-q", 0, 0, 0, &queue));
    EXPECT_EQ(0, Cvxcfg({"queues", "add", "cvxcfg-q", "older", "--type", "5"}).exitCode);
    EXPECT_EQ(0, Cvxcfg({"queues", "add", "cvxcfg-q", "newer"}).exitCode);
    Json newest = CvxcfgJson({"queues", "remove", "cvxcfg-q", "--last"});
    EXPECT_EQ("newer", newest["text"].string);
    Json oldest = CvxcfgJson({"queues", "remove", "cvxcfg-q"});
    EXPECT_EQ("older", oldest["text"].string);
    EXPECT_EQ(5, oldest["type"].number);
    EXPECT_EQ(5, oldest["length"].number);
    ProgramResult empty = Cvxcfg({"queues", "remove", "cvxcfg-q"});
    EXPECT_EQ(3, empty.exitCode);
    EXPECT_NE(std::string::npos, empty.err.find("queues remove: queue \"cvxcfg-q\" is empty"));
    ProgramResult noEvent = Cvxcfg({"queues", "watch", "cvxcfg-q", "--timeout", "10"});
    EXPECT_EQ(3, noEvent.exitCode);
    EXPECT_NE(std::string::npos, noEvent.err.find("has no event to wait on")) << noEvent.err;
    CVU_NmqClose(queue);

    ProgramResult longName = Cvxcfg({"queues", "add", std::string(41, 'q'), "x"});
    EXPECT_EQ(2, longName.exitCode);
    EXPECT_NE(std::string::npos, longName.err.find("1 to 40 characters, not 41"));
    Json created = CvxcfgJson({"queues", "create", "cvxcfg-q2", "--hold", "0"});
    EXPECT_TRUE(created["created"].boolean);
}

TEST_F(CvxcfgIpc, StatusTables)
{
    Json none = CvxcfgJson({"tables", "ibdat"});
    EXPECT_FALSE(none["exists"].boolean);
    ProgramResult noTable = Cvxcfg({"tables", "entry", "Lines", "3"});
    EXPECT_EQ(3, noTable.exitCode);
    EXPECT_NE(std::string::npos, noTable.err.find("there is no IBDAT table"));

    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    ASSERT_EQ(0u, CVU_IbdatCreate(3, 0, &ibdat));
    ASSERT_EQ(0u, CVU_RmdatCreate(0, &rmdat));
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "Lines", "3"}).exitCode);
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "Calls", "12"}).exitCode);
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "lines", "4"}).exitCode);
    DWORD table = 9;
    ASSERT_EQ(0u, CVU_IbdatUpdate(IBDAT_ITEM_TABLE, nullptr, &table, sizeof table));
    Json dump = CvxcfgJson({"tables", "ibdat"});
    EXPECT_TRUE(dump["exists"].boolean);
    EXPECT_EQ(3, dump["size"].number);
    EXPECT_EQ(9, dump["value"].number);
    ASSERT_EQ(2u, dump["entries"].size());
    EXPECT_EQ("Lines", dump["entries"][0]["name"].string);
    EXPECT_EQ(4, dump["entries"][0]["value"].number);
    EXPECT_EQ("Calls", dump["entries"][1]["name"].string);
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "Lines", "--remove"}).exitCode);
    EXPECT_EQ(1u, CvxcfgJson({"tables", "ibdat"})["entries"].size());
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "A", "1"}).exitCode);
    EXPECT_EQ(0, Cvxcfg({"tables", "entry", "B", "1"}).exitCode);
    ProgramResult full = Cvxcfg({"tables", "entry", "C", "1"});
    EXPECT_EQ(3, full.exitCode);
    EXPECT_NE(std::string::npos, full.err.find("every IBDAT entry is in use"));
    // A damaged header is reported, never walked: an entry count far past
    // the block, then an entries offset past it.
    BYTE *data = nullptr;
    ASSERT_EQ(0u, CVU_NsmDataView(ibdat, reinterpret_cast<void **>(&data)));
    for (size_t field : {12, 20}) {
        DWORD saved = *reinterpret_cast<DWORD *>(data + field);
        *reinterpret_cast<DWORD *>(data + field) = 0x7FFFFFF0;
        ProgramResult damaged = Cvxcfg({"tables", "ibdat"});
        EXPECT_EQ(3, damaged.exitCode) << field << ": " << damaged.err;
        *reinterpret_cast<DWORD *>(data + field) = saved;
    }

    Json record = CvxcfgJson({"tables", "rmdat", "--state", "2", "--text", "dialling", "--value", "41"});
    EXPECT_TRUE(record["exists"].boolean);
    EXPECT_EQ(2, record["state"].number);
    EXPECT_EQ("dialling", record["text"].string);
    EXPECT_EQ(41, record["value"].number);
    RmdatRecord r{};
    r.mask = RMDAT_F_TEXT;
    ASSERT_EQ(0u, CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &r, sizeof r));
    EXPECT_STREQ("dialling", r.text);
    CVU_RmdatClose(rmdat);
    CVU_IbdatClose(ibdat);
}

}  // namespace
}  // namespace cvxtest
