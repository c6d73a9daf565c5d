// The installed board host and its do-nothing default.
#include "game/dive/model/IBoardHost.h"

namespace
{
IBoardHost s_defaultHost;
IBoardHost* s_host = nullptr;
} // namespace

IBoardHost* GetBoardHost()
{
    return s_host ? s_host : &s_defaultHost;
}

void SetBoardHost(IBoardHost* host)
{
    s_host = host;
}
