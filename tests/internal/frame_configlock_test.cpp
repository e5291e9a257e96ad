// The configuration file lock across processes: exclusion, nesting, and a
// dead holder that must not stop everybody else.
#include <string>

#include "frame/configstore.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

// Takes the lock, says so, and holds it until told to let go, or dies
// holding it when args[0] is "die".
CVX_CHILD_ROLE(hold_config_lock)
{
    HANDLE taken = OpenEventA(EVENT_MODIFY_STATE, FALSE, "cvxtest-lock-taken");
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, "cvxtest-lock-release");
    if (!taken || !release) return 2;
    cvx::ConfigCall lock(cvx::ConfigCall::Mode::Change);
    {
        cvx::ConfigCall nested(cvx::ConfigCall::Mode::Change);  // the same thread passes through
    }
    SetEvent(taken);
    if (!args.empty() && args[0] == "die") ExitProcess(7);
    WaitForSingleObject(release, 30000);
    return 0;
}

DWORD WINAPI TakeLock(LPVOID)
{
    cvx::ConfigCall lock(cvx::ConfigCall::Mode::Change);
    return 0;
}

class ConfigFileLock : public CleanTest {
protected:
    void SetUp() override
    {
        CleanTest::SetUp();
        taken_ = CreateEventA(nullptr, TRUE, FALSE, "cvxtest-lock-taken");
        release_ = CreateEventA(nullptr, TRUE, FALSE, "cvxtest-lock-release");
    }
    void TearDown() override
    {
        CloseHandle(taken_);
        CloseHandle(release_);
        CleanTest::TearDown();
    }
    HANDLE taken_ = nullptr;
    HANDLE release_ = nullptr;
};

TEST_F(ConfigFileLock, AnotherProcessWaitsForTheHolder)
{
    ChildProcess holder = StartChild("hold_config_lock");
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(taken_, 20000));

    HANDLE waiter = CreateThread(nullptr, 0, TakeLock, nullptr, 0, nullptr);
    // Still waiting while the other process holds the file.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(waiter, 300));
    SetEvent(release_);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(waiter, 20000));
    CloseHandle(waiter);
    EXPECT_EQ(0, holder.Wait());
}

TEST_F(ConfigFileLock, AHolderThatDiedDoesNotBlock)
{
    ChildProcess holder = StartChild("hold_config_lock", {"die"});
    ASSERT_TRUE(holder.Started());
    EXPECT_EQ(7, holder.Wait());
    HANDLE taker = CreateThread(nullptr, 0, TakeLock, nullptr, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(taker, 5000));
    CloseHandle(taker);
    // And the abandoned ownership was given back: a second process gets it.
    ResetEvent(taken_);
    ChildProcess next = StartChild("hold_config_lock");
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(taken_, 20000));
    SetEvent(release_);
    EXPECT_EQ(0, next.Wait());
}

}  // namespace
