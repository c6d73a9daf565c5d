#pragma once
// Shared by the player-data tests: a scratch folder per test, whole-file helpers, and the two
// ways a save can break: writes that fail like a full disk, and a writer killed midway.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/fs/ZFile.h"
#include "tests/support/TestFiles.h"

namespace playerdata
{
inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
}

// Runs `work` while every file write past `limit` bytes fails the way a full disk does.
inline void WithFileSizeLimit(size_t limit, const std::function<void()>& work)
{
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    work();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

// Runs `work` in a child process that the system kills as soon as a write passes `limit` bytes;
// true when the child was indeed killed.
inline bool KilledMidway(size_t limit, const std::function<void()>& work)
{
    const pid_t child = fork();
    if (child == 0)
    {
        std::signal(SIGXFSZ, SIG_DFL);
        struct rlimit limited;
        getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &limited);
        work();
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return false;
    return WIFSIGNALED(status);
}

class ScratchFolder : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.empty()); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    qvtest::TempDir m_temp{"qv_playerdata"};
    std::string m_dir = m_temp.Path();
};
} // namespace playerdata
