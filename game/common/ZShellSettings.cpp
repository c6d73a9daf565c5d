// The shell's settings with their defaults and ranges. Settings a player changes (background
// switches) and per-player progress are saved; test and developer switches ("zelk.board",
// "zelk.splashscreen", ...) are not, so a test run never leaves them in main.cfg.
#include "game/common/ZShellSettings.h"

#include "engine/core/ZNameId.h"

namespace
{
constexpr uint32_t kNoGroup = ZProperty::kNoGroup;
constexpr uint32_t kProfile = ZNameId("profile").Value();
constexpr uint32_t kSaved = ZProperty::kSaved;
} // namespace

ZPropertyFloat g_zelkHintCharge("zelk.hintcharge", "", "", 0, kNoGroup, 30.0f, 100.0f, 0.1f);
ZPropertyFloat g_zelkScrollAccel("zelk.scrollaccel", "", "", 0, kNoGroup, 60.0f, 9999.0f, 0.0f);
ZPropertyFloat g_zelkScrollDecel("zelk.scrolldecel", "", "", 0, kNoGroup, 35.0f, 9999.0f, 0.0f);
ZPropertyFloat g_zelkScrollSpeed("zelk.scrollspeed", "", "", 0, kNoGroup, 5.0f, 9999.0f, 0.0f);
ZPropertyBool g_zelkLanguageTesting("zelk.languagetesting", "", "", 0, kNoGroup, false);
ZPropertyBool g_zelkSplashScreen("zelk.splashscreen", "", "", 0, kNoGroup, true);
ZPropertyBool g_zelkEnableBackground("zelk.enablebackground", "", "", kSaved, kNoGroup, true);
ZPropertyBool g_zelkAlwaysShowStory("zelk.alwaysshowstory", "", "", 0, kNoGroup, true);
ZPropertyBool g_zelkPressUnlock("zelk.pressunlock", "", "", 0, kNoGroup, false);
ZPropertyText g_zelkBoard("zelk.board", "", "", 0, kNoGroup, std::string());
ZPropertyBool g_zelkNoPopups("zelk.nopopups", "", "", 0, kNoGroup, false);
ZPropertyBool g_zelkDisableBubbles("zelk.disablebubbles", "Disable Bubbles", "Disable background bubble effect", kSaved,
                                   kNoGroup, false);
ZPropertyBool g_zelkDisableWhale("zelk.disablewhale", "Disable Whale", "Disable background whale effect", kSaved,
                                 kNoGroup, false);
ZPropertyBool g_zelkDisableFish("zelk.disablefish", "Disable Fish", "Disable background fish effect", kSaved,
                                kNoGroup, false);
ZPropertyInt g_profileShowLevels("profile.showlevels", "", "", 0, kNoGroup, 1, 300, 1);
ZPropertyInt g_profileBonusLevel("profile.bonuslevel", "", "", 0, kNoGroup, 0, 3, 0);
ZPropertyInt g_profileShopLevel("profile.shoplevel", "", "", 0, kNoGroup, 0, 3, 0);
ZPropertyFloat g_diveTokenAcceleration("divegame.tokenacceleration", "token acceleration", "token acceleration", 0,
                                       kNoGroup, 950.0f, 2000.0f, -1.0f);
ZPropertyBool g_diveEnableTokenPitch("divegame.enabletokenpitch", "", "", 0, kNoGroup, false);

ZPropertyBool g_profileRotation("profile.rotation", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileBonusPanel("profile.bonuspanel", "", "", kSaved, kProfile, false);
ZPropertyInt g_profileAirless("profile.airless", "", "", kSaved, kProfile, 0, 3, 0);
ZPropertyBool g_profileRelaxMode("profile.relaxmode", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkShop1Unlock("zelk.shop1_unlock", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkShop1Unlock2("zelk.shop1_unlock2", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkShop1UnlockRotate("zelk.shop1_unlock_rotate", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkShop1UnlockFreeze("zelk.shop1_unlock_freeze", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkTipHiddenObject("zelk.tip.hiddenobject", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkTipHiddenObjectScroll("zelk.tip.hiddenobjectscroll", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkTipEquip("zelk.tip.equip", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkTipWasteXp("zelk.tip.wastexp", "", "", kSaved, kProfile, false);
ZPropertyBool g_zelkTipMedalXpOnce("zelk.tip.medalxponce", "", "", kSaved, kProfile, false);
ZPropertyInt g_zelkTipStoryScreen("zelk.tip.storyscreen", "", "", kSaved, kProfile, 0, 10, 0);
ZPropertyInt g_zelkTipClickContinue("zelk.tip.clickcontinue", "", "", kSaved, kProfile, 0, 10, 0);
ZPropertyBool g_zelkTipAbilityXp("zelk.tip.abilityxp", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileCrewButton("profile.crewbutton", "", "", kSaved, kProfile, false);
ZPropertyBool g_profileEquipButton("profile.equipbutton", "", "", kSaved, kProfile, false);
ZPropertyInt g_profileTreasure("profile.treasure", "Treasure", "", kSaved, kProfile, 0, 2000000000, 0);

// Lower-case single words; the eighth place has no button on the map.
const char* const kPlaceNames[kPlaceCount] = {"harbour", "lagoon", "reef", "wreck", "vents", "trench", "ruins", "abyss"};

namespace
{
ZPropertyBool g_placeInfo[kPlaceCount] = {
    {"profile.harbour.info", "", "", kSaved, kProfile, false}, {"profile.lagoon.info", "", "", kSaved, kProfile, false},
    {"profile.reef.info", "", "", kSaved, kProfile, false},    {"profile.wreck.info", "", "", kSaved, kProfile, false},
    {"profile.vents.info", "", "", kSaved, kProfile, false},   {"profile.trench.info", "", "", kSaved, kProfile, false},
    {"profile.ruins.info", "", "", kSaved, kProfile, false},   {"profile.abyss.info", "", "", kSaved, kProfile, false},
};
} // namespace

ZPropertyBool* FindPlaceInfoSetting(int place)
{
    return place >= 0 && place < kPlaceCount ? &g_placeInfo[place] : nullptr;
}
