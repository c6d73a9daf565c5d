// The installed dive services and the default behind them.
#include "game/dive/ZDiveServices.h"

#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"

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

bool IDiveServices::PayTreasure(int amount, const V3& from, ZTextureResource* texture)
{
    ZTreasureBar* chest = ZTreasureBar::PeekInstance();
    if (!chest)
        return false;
    chest->EmitCoinParticles(from, amount, texture);
    return true;
}

bool IDiveServices::HasScoreBoard()
{
    return ZScoreBoard::PeekInstance() != nullptr;
}
