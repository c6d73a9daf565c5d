#pragma once
// The game shell's settings: tunables of the shell's screens and per-player flags kept with the
// profile. They are static objects, so configuration files, the command line and the campaign
// script can set them by key from the first moment on.
#include "engine/core/ZProperty.h"

// Program-wide (main configuration).
extern ZPropertyFloat g_zelkHintCharge;
extern ZPropertyFloat g_zelkScrollAccel;
extern ZPropertyFloat g_zelkScrollDecel;
extern ZPropertyFloat g_zelkScrollSpeed;
extern ZPropertyBool g_zelkLanguageTesting;
extern ZPropertyBool g_zelkSplashScreen;
extern ZPropertyBool g_zelkEnableBackground;
extern ZPropertyBool g_zelkAlwaysShowStory;
extern ZPropertyBool g_zelkPressUnlock;
extern ZPropertyText g_zelkBoard;
extern ZPropertyBool g_zelkNoPopups;
extern ZPropertyBool g_zelkDisableBubbles;
extern ZPropertyBool g_zelkDisableWhale;
extern ZPropertyBool g_zelkDisableFish;
extern ZPropertyInt g_profileShowLevels;
extern ZPropertyInt g_profileBonusLevel;
extern ZPropertyInt g_profileShopLevel;
extern ZPropertyFloat g_diveTokenAcceleration;
extern ZPropertyBool g_diveEnableTokenPitch;

// Kept with the player's profile.
extern ZPropertyBool g_profileRotation;
extern ZPropertyBool g_profileBonusPanel;
extern ZPropertyInt g_profileAirless;
extern ZPropertyBool g_profileRelaxMode;
extern ZPropertyBool g_profileCrewButton;
extern ZPropertyBool g_profileEquipButton;
extern ZPropertyInt g_profileTreasure;

// The sub-profile of relaxed play: timed and relaxed games keep separate progress.
inline constexpr const char* kRelaxSubProfile = "untimed";

// The eight places of the sea map, whose "profile.<place>.info" flags the map shows.
inline constexpr int kPlaceCount = 8;
extern const char* const kPlaceNames[kPlaceCount];
ZPropertyBool* FindPlaceInfoSetting(int place);
