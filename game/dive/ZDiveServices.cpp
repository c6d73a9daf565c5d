// The installed dive services and the default behind them.
#include "game/dive/ZDiveServices.h"

namespace
{
IDiveServices g_defaultServices;
IDiveServices* g_services = nullptr;
} // namespace

IDiveServices* GetDiveServices()
{
    return g_services ? g_services : &g_defaultServices;
}

void SetDiveServices(IDiveServices* services)
{
    g_services = services;
}
