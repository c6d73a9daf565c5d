// The installed game shell and the do-nothing default behind it.
#include "game/common/IGameShell.h"

namespace
{
IGameShell g_defaultShell;
IGameShell* g_shell = nullptr;
} // namespace

IGameShell* GetGameShell()
{
    return g_shell ? g_shell : &g_defaultShell;
}

void SetGameShell(IGameShell* shell)
{
    g_shell = shell;
}
