// The dive's settings, made at program start.
#include "game/dive/ZDiveSettings.h"

#include "engine/core/ZNameId.h"

namespace
{
constexpr uint32_t kProfile = ZNameId("profile").Value();
constexpr uint32_t kNone = ZProperty::kNoGroup;
constexpr uint32_t kSaved = ZProperty::kSaved;
} // namespace

ZPropertyInt g_profileNumSlots("profile.numslots", "", "", kSaved, kProfile, 0, 5, 0);
ZPropertyText g_profileSlot[5] = {
    {"profile.slot0", "", "", kSaved, kProfile, std::string()},
    {"profile.slot1", "", "", kSaved, kProfile, std::string()},
    {"profile.slot2", "", "", kSaved, kProfile, std::string()},
    {"profile.slot3", "", "", kSaved, kProfile, std::string()},
    {"profile.slot4", "", "", kSaved, kProfile, std::string()},
};
ZPropertyBool g_profileToolBelt("profile.toolbelt", "", "", kSaved, kProfile, false);
ZPropertyInt g_profileLevel("profile.level", "", "", kSaved, kProfile, 0, 1000, 0);
ZPropertyInt g_profileCrewSize("profile.crewsize", "", "", kSaved, kProfile, 1, 5, 1);
ZPropertyInt g_profileCharacter("profile.character", "", "", kSaved, kProfile, 0, 4, 0);
// Declared in the order 0, 1, 2, 4, 3 of the crew table (ZCrew.h); GetCrewSetting answers by index.
namespace
{
ZPropertyBool g_profileCrewFinn("profile.crew.finn", "", "", kSaved, kProfile, true);
ZPropertyBool g_profileCrewMira("profile.crew.mira", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileCrewOskar("profile.crew.oskar", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileCrewJuno("profile.crew.juno", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileCrewTess("profile.crew.tess", "", "", kSaved, kProfile, false);
} // namespace
ZPropertyInt g_profileRotateLevel("profile.rotatelevel", "", "", kSaved, kProfile, 0, 3, 0);
ZPropertyInt g_profileAmulet("profile.amulet", "", "", kSaved, kProfile, 0, 5, 0);
ZPropertyBool g_profileIntroduceAmulet("profile.introduceamulet", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileRandomizeLevels("profile.randomizelevels", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileStartStory("profile.startstory", "", "", kSaved, kProfile, false);
ZPropertyInt g_profileChest("profile.chest", "Chest size", "Chest size", kSaved, kProfile, 0, 4, 0);
ZPropertyInt g_profileFullChestTip("profile.fullchesttip", "", "", kSaved, kProfile, 0, 5, 0);
ZPropertyBool g_shop1UnlockChain("zelk.shop1_unlock_chain", "", "", kSaved, kProfile, false);

ZPropertyBool g_tipCharScreen("zelk.tip.charscreen", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipInventory("zelk.tip.inventory", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipSilverMedal("zelk.tip.silvermedal", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipBronzeMedal("zelk.tip.bronzemedal", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipEndDive("zelk.tip.enddive", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipStuckOnNonExit("zelk.tip.stuckonnonexit", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipExitOff("zelk.tip.exitoff", "", "", kSaved, kProfile, false);
ZPropertyBool g_tipSidewaysExit("zelk.tip.sidewaysexit", "", "", kSaved, kProfile, false);
ZPropertyInt g_tipOneTileLeft("zelk.tip.onetileleft", "", "", kSaved, kProfile, 0, 10, 0);
ZPropertyInt g_tipEmptyInventory("zelk.tip.emptyinventory", "", "", kSaved, kProfile, 0, 10, 0);
ZPropertyBool g_tipOvercharge("zelk.tip.overcharge", "", "", kSaved, kProfile, false);

ZPropertyText g_diveTheme("zelk.theme", "", "", 0, kNone, std::string("sand"));
ZPropertyFloat g_matchMultiplier("zelk.matchmultiplier", "", "", 0, kNone, 0.8f, 100.0f, 0.0f);
ZPropertyFloat g_popDelayFactor("zelk.popdelayfactor", "", "", 0, kNone, 0.8f, 1000.0f, 0.1f);
ZPropertyBool g_forceAmuletIntro("zelk.forceamuletintro", "", "", 0, kNone, false);
ZPropertyInt g_oxygenTime("divegame.oxygentime", "The amount of time you start with on your timer",
                          "The amount of time you start with on your timer", 0, kNone, 720, 2000, 1);
ZPropertyInt g_difficultyInterval("divegame.difficultyinterval", "How often the timer length is decreased",
                                  "How often the timer length is decreased", 0, kNone, 30, 2000, 1);
ZPropertyFloat g_ingameOsdSpeed("divegame.ingameosdspeed", "", "", 0, kNone, 4.0f, 10.0f, 0.1f);
ZPropertyFloat g_tokenSpeed("divegame.tokenspeed", "token speed", "token speed", 0, kNone, 75.0f, 1000.0f, 1.0f);
ZPropertyBool g_cheatsUnlockAll("cheats.unlockall", "Unlock All", "Unlock all levels, shops and bonus levels", 0,
                                kNone, false);

ZPropertyBool* GetCrewSetting(int index)
{
    static ZPropertyBool* const byIndex[5] = {&g_profileCrewFinn, &g_profileCrewMira, &g_profileCrewOskar,
                                              &g_profileCrewTess, &g_profileCrewJuno};
    return index >= 0 && index < 5 ? byIndex[index] : nullptr;
}

void MarkTipShown(ZPropertyBool& tip)
{
    tip.SetValue(true);
}

void MarkTipShown(ZPropertyInt& tip)
{
    tip.SetValue(tip.GetValue() + 1);
}
