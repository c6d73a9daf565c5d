#pragma once
// Abilities on a real board model: the grid of the model fixture, the ability manager and the
// inventory, a tool belt whose buttons arm the items, and a dive whose board services work on
// that grid (the board's own breaking of listed tiles is done as the board does it, one
// ZTile::breakTile per listed tile).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AbilityTestSupport.h"
#include "game/dive/board/ZBoardFreeze.h"
#include "game/dive/crew/ZToolBelt.h"
#include "game/dive/model/ZBoardEffects.h"
#include "support/BoardModelFixture.h"

namespace abilitytest
{
// The abilities' dive over the fixture's grid, with the board's freeze.
class BoardDive : public RecordingDive
{
public:
    ZBoardGrid* GetBoardGrid() override { return grid; }
    void BreakAllChains() override
    {
        ZTileList chains;
        boardeffects::ListChainsToBreak(*grid, chains);
        chainBreaks = int(chains.size());
        for (ZTile* tile : chains)
            tile->breakTile(nullptr);
    }
    bool IsFreezeHalted() override { return freeze.IsHalted(); }
    void BeginFreezeHalt() override { freeze.BeginHalt(*edges); }
    void EndFreezeHalt() override { freeze.EndHalt(g_frameTimer->now, *edges); }

    ZBoardGrid* grid = nullptr;
    const ZTileList* edges = nullptr;
    ZBoardFreeze freeze;
    int chainBreaks = 0;
};

class AbilityBoardTest : public boardtest::BoardModelTest
{
public:
    ZBoardGrid* G() const { return grid; }
    static std::string BoardText(const std::string& rows) { return Board(rows); }

protected:
    void SetUp() override
    {
        BoardModelTest::SetUp();
        // Artifact records for every letter a level may draw, so 'x' cells hold artifacts.
        for (const char* letter : {"D", "T", "S", "F", "O", "P", "Q"})
        {
            auto* record = ZArtifact::Create();
            record->SetProperty(ZNameId("name").Value(), "name", "artifact.name");
            record->SetProperty(ZNameId("shorthand").Value(), "shorthand", letter);
        }
        NumSlots()->Reset(false);
        for (int i = 0; i < 5; ++i)
            Slot(i)->Reset(false);
        dive.edges = &host->edgeTiles;
        SetAbilityDive(&dive);
        SetGameShell(&shell);
        manager = ZAbilityManager::GetInstance();
        inventory = ZInventory::GetInstance();
        NumSlots()->SetValue(1);
        belt = ZToolBeltButton::Create();
        belt->SetSlot(0);
    }
    void TearDown() override
    {
        manager->StopAllAbilities();
        delete belt;
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        SetAbilityDive(nullptr);
        SetGameShell(nullptr);
        BoardModelTest::TearDown();
        // The tiles' shared pictures outlive the tiles; this test loaded them.
        ZTile::releaseSharedVisuals();
    }
public:
    // The square board of '?' cells, every tile with a settled random token.
    ZBoardGrid* Square(int size, const std::string& medals = "@complete: x\n")
    {
        std::string rows;
        for (int y = 0; y < size; ++y)
            rows += std::string(size_t(size), '?') + "\n";
        return Rebuild(Board(rows, medals));
    }
    // A new grid from board text; the old grid's edge tiles are forgotten.
    ZBoardGrid* Rebuild(const std::string& text)
    {
        host->edgeTiles.clear();
        dive.grid = Build(text);
        return dive.grid;
    }
    ZTile* At(int column, int row) const { return grid->tileAt(column, row); }
    // Puts one of the item in the belt's first slot and arms it as a drag of its button would.
    ZAbility* ArmFromBelt(const char* key)
    {
        const int id = ZAbilityManager::FindAbilityId(key);
        inventory->SetCount(id, 1);
        Slot(0)->SetValue(key);
        EXPECT_EQ(belt->GetItem(), id) << key;
        EXPECT_TRUE(belt->IsEnabled()) << key;
        belt->OnDragStart(nullptr, nullptr);
        EXPECT_EQ(manager->GetArmedAbility(), belt->GetAbility()) << key;
        return manager->GetArmedAbility();
    }
    // The board's part of an aimed firing: the target is picked, the ability fired, the listed
    // tiles broken. Returns the result; `listed` keeps the list.
    bool FireAt(ZTile* tile)
    {
        listed.clear();
        if (!manager->SelectTarget(tile))
            return false;
        const bool fired = manager->fireArmedAbility(tile, nullptr, listed);
        for (ZTile* t : listed)
            t->breakTile(&broken);
        return fired;
    }
    // A drop on a drop target of the ability's category: fired with no tiles.
    bool FireUnaimed()
    {
        listed.clear();
        return manager->fireArmedAbility(nullptr, nullptr, listed);
    }
    // The two-step swap: first tile picked, then the pair handed over; on success the board
    // exchanges the tokens.
    bool SwapWith(ZTile* first, ZTile* second)
    {
        listed.clear();
        if (!manager->SelectTarget(first))
            return false;
        if (!manager->TrySwapWithAbility(first, second, listed))
            return false;
        ZToken* a = first->getToken();
        ZToken* b = second->getToken();
        first->placeToken(b);
        second->placeToken(a);
        return true;
    }

    BoardDive dive;
    RecordingShell shell;
    ZAbilityManager* manager = nullptr;
    ZInventory* inventory = nullptr;
    ZToolBeltButton* belt = nullptr;
    ZTileList listed;
    ZTileList broken;
};
} // namespace abilitytest
