#include "PlatformTestSupport.h"
#include "engine/platform/ZShellOpen.h"
#include "engine/platform/ZSingleInstanceLock.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
using Result = ZSingleInstanceLock::Result;

// Runs the lock in a child process: it reports what Acquire answered, optionally the id of a
// program it started, and keeps the lock until the parent closes the release pipe.
struct ChildInstance
{
    pid_t pid = -1;
    int report = -1;
    int release = -1;

    bool Start(const std::string& folder, bool startProgramThenExit)
    {
        int toParent[2], toChild[2];
        if (pipe(toParent) != 0 || pipe(toChild) != 0)
            return false;
        pid = fork();
        if (pid < 0)
            return false;
        if (pid == 0)
        {
            close(toParent[0]);
            close(toChild[1]);
            ZSingleInstanceLock lock;
            const int result = int(lock.Acquire(folder, "Quorvane"));
            int program = -1;
            if (startProgramThenExit)
                plat::SpawnProcess({"sleep", "60"}, &program);
            if (write(toParent[1], &result, sizeof result) != sizeof result ||
                write(toParent[1], &program, sizeof program) != sizeof program)
                _exit(2);
            if (!startProgramThenExit)
            {
                char c;
                while (read(toChild[0], &c, 1) > 0)
                {
                }
            }
            _exit(0); // no release: the process ends holding the lock
        }
        close(toParent[1]);
        close(toChild[0]);
        report = toParent[0];
        release = toChild[1];
        return true;
    }

    bool ReadReport(int& result, int& program) const
    {
        return read(report, &result, sizeof result) == sizeof result &&
               read(report, &program, sizeof program) == sizeof program;
    }

    void End()
    {
        if (release >= 0)
            close(release);
        if (report >= 0)
            close(report);
        release = report = -1;
        if (pid > 0)
        {
            int status = 0;
            waitpid(pid, &status, 0);
            pid = -1;
        }
    }
    ~ChildInstance() { End(); }
};

TEST(SingleInstance, LockHeldByAnotherProcess)
{
    qvtest::TempDir dir;
    const std::string folder = dir / "Brannoch/quorvane";
    ChildInstance child;
    ASSERT_TRUE(child.Start(folder, false));
    int result = -1, program = -1;
    ASSERT_TRUE(child.ReadReport(result, program));
    ASSERT_EQ(result, int(Result::Acquired));

    ZSingleInstanceLock lock;
    EXPECT_EQ(lock.Acquire(folder, "Quorvane"), Result::HeldByOther);
    EXPECT_FALSE(lock.IsHeld());
    // Another game (another display name) is not affected.
    ZSingleInstanceLock other;
    EXPECT_EQ(other.Acquire(folder, "Other Game"), Result::Acquired);

    child.End(); // the other instance ends without releasing: the system drops its lock
    EXPECT_EQ(lock.Acquire(folder, "Quorvane"), Result::Acquired);
    EXPECT_TRUE(lock.IsHeld());
    EXPECT_EQ(lock.GetPath(), folder + "/Quorvane.lock");
    EXPECT_EQ(lock.Acquire(folder, "Quorvane"), Result::Acquired); // again while held

    lock.Release();
    EXPECT_FALSE(lock.IsHeld());
    ZSingleInstanceLock again;
    EXPECT_EQ(again.Acquire(folder, "Quorvane"), Result::Acquired);
}

TEST(SingleInstance, ProgramsStartedByTheGameDoNotKeepTheLock)
{
    qvtest::TempDir dir;
    ChildInstance child;
    ASSERT_TRUE(child.Start(dir.Path(), true));
    int result = -1, program = -1;
    ASSERT_TRUE(child.ReadReport(result, program));
    ASSERT_EQ(result, int(Result::Acquired));
    ASSERT_GT(program, 0);
    child.End(); // the game is gone; the program it started still runs

    ZSingleInstanceLock lock;
    EXPECT_EQ(lock.Acquire(dir.Path(), "Quorvane"), Result::Acquired);
    kill(program, SIGKILL);
}

TEST(SingleInstance, UnusableFolderFails)
{
    qvtest::TempDir dir;
    {
        std::ofstream(dir / "file") << "x";
    }
    ZSingleInstanceLock lock;
    EXPECT_EQ(lock.Acquire(dir / "file", "Quorvane"), Result::Failed);
    EXPECT_EQ(lock.Acquire("", "Quorvane"), Result::Failed);
    EXPECT_EQ(lock.Acquire(dir.Path(), ""), Result::Failed);
    // A "/" in the name cannot reach another folder.
    EXPECT_EQ(lock.Acquire(dir.Path(), "../escape"), Result::Acquired);
    EXPECT_EQ(lock.GetPath(), dir / ".._escape.lock");
}
} // namespace
