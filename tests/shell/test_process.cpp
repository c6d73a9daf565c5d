// The game program as a process: command-line stops and the single-instance rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct Result
{
    int exitCode = -1;
    std::string out;
};

// Runs the game with a private user-data folder and no display; the output holds stderr when asked.
Result RunGame(const std::string& dataHome, const std::string& args, bool withErrors = false)
{
    const std::string cmd = "XDG_DATA_HOME='" + dataHome + "' SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy engineroot='" +
                            QV_BINARY_DIR + "/home' '" + QV_BINARY_DIR + "/quorvane' " + args +
                            (withErrors ? " 2>&1" : " 2>/dev/null");
    Result r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[256];
    while (fgets(buffer, sizeof(buffer), pipe))
        r.out += buffer;
    const int status = pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string MakeDataHome()
{
    char pattern[] = "/tmp/quorvane-proc-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}
} // namespace

TEST(GameProcess, PingAndExportEndWithZero)
{
    const std::string home = MakeDataHome();
    EXPECT_EQ(RunGame(home, "-ping").exitCode, 0);
    EXPECT_EQ(RunGame(home, "-export").exitCode, 0);
}

TEST(GameProcess, ASecondInstanceReportsAndExitsWith255)
{
    const std::string home = MakeDataHome();
    const std::string folder = home + "/Brannoch";
    mkdir(folder.c_str(), 0755);
    // Another running instance holds the lock for as long as it lives.
    const int fd = open((folder + "/Quorvane.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    const Result second = RunGame(home, "-ping");
    EXPECT_EQ(second.exitCode, 255);
    EXPECT_EQ(second.out, "Error: Engine mutex failed\n");
    close(fd);
    EXPECT_EQ(RunGame(home, "-ping").exitCode, 0);
}

TEST(GameProcess, AnUnknownRenderModuleStopsStartUpAndSaysWhich)
{
    const std::string home = MakeDataHome();
    const Result r = RunGame(home, "--engine.render.system=nosuchrenderer", true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("unknown render module \"nosuchrenderer\""), std::string::npos) << r.out;
}
