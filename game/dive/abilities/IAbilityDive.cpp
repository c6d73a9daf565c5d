// The default dive of the abilities: the board's part goes to the board when there is one.
#include "game/dive/abilities/IAbilityDive.h"

namespace
{
IAbilityDive g_defaultDive;
IAbilityDive* g_dive = nullptr;
}

void IAbilityDive::HighlightBoardEdges(bool on, bool force)
{
    (void)on, (void)force;
}

void IAbilityDive::ClearBoardPreview() {}

ZBoardGrid* IAbilityDive::GetBoardGrid()
{
    return nullptr;
}

void IAbilityDive::BreakAllChains() {}

bool IAbilityDive::IsFreezeHalted()
{
    return false;
}

void IAbilityDive::BeginFreezeHalt() {}

void IAbilityDive::EndFreezeHalt() {}

IAbilityDive* GetAbilityDive()
{
    return g_dive ? g_dive : &g_defaultDive;
}

void SetAbilityDive(IAbilityDive* dive)
{
    g_dive = dive;
}
