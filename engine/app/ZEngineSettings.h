#pragma once
// The engine's own tunables. They exist from before main runs, so configuration files and the
// command line can set them by key. The subsystems below the engine declare their own keys beside
// them (the frame rate limit, "render.*", the language and resource order); this header brings
// those in too, for code above the engine.
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZProperty.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "engine/resource/ZResourceSettings.h"

extern ZPropertyBool g_engineStats;
extern ZPropertyBool g_engineRenderWindow;
extern ZPropertyBool g_engineRenderHardwareMouse;
extern ZPropertyBool g_engineCheats;
extern ZPropertyBool g_engineRenderOverlays;
extern ZPropertyBool g_debugEnable;
extern ZPropertyBool g_debugVerbose;
extern ZPropertyBool g_consoleEnable;
extern ZPropertyBool g_allocatorMonitor;
extern ZPropertyBool g_mutexMonitor;
extern ZPropertyBool g_engineForceLowMem;
extern ZPropertyBool g_engineCrashServer;
extern ZPropertyBool g_developer;
extern ZPropertyBool g_gameCheckVersion;
extern ZPropertyBool g_enginePauseOnBlur;

extern ZPropertyInt g_checkVersionLastTime;
extern ZPropertyInt g_checkVersionInterval;

extern ZPropertyFloat g_inputMouseSpeed;
extern ZPropertyFloat g_statsInterval;
extern ZPropertyFloat g_engineTimeMultiplier;
// Test settings for runs that must end the same every time (recorded sessions, benchmarks): the
// clock advances by a fixed step each frame (frames are never skipped and every load finishes
// within the frame that asked for it), and the random numbers start from a fixed seed. The step
// (g_engineFixedStep) belongs to the frame clock in engine/core/ZFrameTimer.h.
extern ZPropertyInt g_engineRandomSeed;

extern ZPropertyText g_engineScene;
extern ZPropertyText g_engineRenderSystem;
extern ZPropertyText g_engineAudioSystem;
extern ZPropertyText g_engineInputSystem;
extern ZPropertyText g_engineName;
extern ZPropertyText g_engineStrings;
extern ZPropertyText g_consoleToggle;
extern ZPropertyText g_engineDistributor;
extern ZPropertyText g_engineHome;
