#pragma once
// Opening documents and web addresses with the desktop's handler, and starting programs.
// Programs are always started with an argument vector, never through a shell, so no text
// the game passes can be read as a command.
#include <string>
#include <vector>

namespace plat
{
// Starts argv[0] (searched on PATH) with the given arguments. Returns 0 when it started.
// With childPid the caller gets the process id and must wait for it; without it the child is
// reaped in the background.
int SpawnProcess(const std::vector<std::string>& argv, int* childPid = nullptr);

// Opens the target (a file, folder or address) with "xdg-open". Returns 0 when the opener
// started, 1 when it could not (empty target, no opener installed).
int ShellOpen(const std::string& target, int* childPid = nullptr);
} // namespace plat
