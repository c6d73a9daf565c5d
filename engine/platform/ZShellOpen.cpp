#include "engine/platform/ZShellOpen.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plat
{
int SpawnProcess(const std::vector<std::string>& argv, int* childPid)
{
    if (argv.empty() || argv[0].empty())
        return 1;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The child starts with no blocked signals and default handlers, whatever the game set.
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0)
        return 1;
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return 1;
    if (childPid)
    {
        *childPid = pid;
        return 0;
    }
    // Nobody waits for the opener; a waiter thread keeps it from lingering as a zombie.
    std::thread(
        [pid]
        {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
            {
            }
        })
        .detach();
    return 0;
}

int ShellOpen(const std::string& target, int* childPid)
{
    if (target.empty())
        return 1;
    // A target beginning with "-" would be read as an option of the opener.
    const std::string argument = target[0] == '-' ? "./" + target : target;
    return SpawnProcess({"xdg-open", argument}, childPid);
}
} // namespace plat
