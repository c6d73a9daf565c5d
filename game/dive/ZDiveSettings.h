#pragma once
// The dive's settings: tunables of the game's configuration ("zelk.", "divegame.", "cheats.") and
// the player's per-profile progress and one-time tips ("profile.", "zelk.tip."). Each is a static
// setting object that enters the registry at program start, so configuration files, the profile
// store and the console find it by name; code that reads one every frame keeps the object.
#include "engine/core/ZProperty.h"

// Tool belt and campaign progress.
extern ZPropertyInt g_profileNumSlots;
extern ZPropertyText g_profileSlot[5];
extern ZPropertyBool g_profileToolBelt;
extern ZPropertyInt g_profileLevel;
extern ZPropertyInt g_profileCrewSize;
extern ZPropertyInt g_profileCharacter;
// "profile.crew.<name>": the crew member is on board, by crew index (only member 0 at first);
// null outside 0..4.
ZPropertyBool* GetCrewSetting(int index);
extern ZPropertyInt g_profileRotateLevel;
extern ZPropertyInt g_profileAmulet;
extern ZPropertyBool g_profileIntroduceAmulet;
extern ZPropertyBool g_profileRandomizeLevels;
extern ZPropertyBool g_profileStartStory;
extern ZPropertyInt g_profileChest;
extern ZPropertyInt g_profileFullChestTip;
extern ZPropertyBool g_shop1UnlockChain;

// One-time tips: a flag, or a counter for the tips shown a few times.
extern ZPropertyBool g_tipCharScreen;
extern ZPropertyBool g_tipInventory;
extern ZPropertyBool g_tipSilverMedal;
extern ZPropertyBool g_tipBronzeMedal;
extern ZPropertyBool g_tipEndDive;
extern ZPropertyBool g_tipStuckOnNonExit;
extern ZPropertyBool g_tipExitOff;
extern ZPropertyBool g_tipSidewaysExit;
extern ZPropertyInt g_tipOneTileLeft;
extern ZPropertyInt g_tipEmptyInventory;
extern ZPropertyBool g_tipOvercharge;

// Tunables.
extern ZPropertyText g_diveTheme;
extern ZPropertyFloat g_matchMultiplier;
extern ZPropertyFloat g_popDelayFactor;
extern ZPropertyBool g_forceAmuletIntro;
extern ZPropertyInt g_oxygenTime;
extern ZPropertyInt g_difficultyInterval;
extern ZPropertyFloat g_ingameOsdSpeed;
extern ZPropertyFloat g_tokenSpeed;
extern ZPropertyBool g_cheatsUnlockAll;

// Sets a one-time tip's setting to "shown": true for a flag, one more for a counter, within the
// setting's range.
void MarkTipShown(ZPropertyBool& tip);
void MarkTipShown(ZPropertyInt& tip);
