#include "engine/app/ZEngineSettings.h"

namespace
{
constexpr uint32_t kNone = ZProperty::kNoGroup;
}

ZPropertyBool g_engineStats("engine.stats", "Collect usage statistics", "Collect usage statistics", 0, kNone, false);
ZPropertyBool g_engineRenderWindow("engine.render.window", "Window mode", "Use windows mode", 2, kNone,
                                   false);
ZPropertyBool g_engineRenderHardwareMouse("engine.render.hardwaremouse", "Hardware mouse",
                                          "Enable hardware mouse, if available", 2, kNone, false);
ZPropertyBool g_engineCheats("engine.cheats", "Enable cheats", "Enable cheat keys", 2, kNone, false);
ZPropertyBool g_engineRenderOverlays("engine.render.overlays", "Render Overlays", "Render information overlays, like FPS meter", 2, kNone, true);
ZPropertyBool g_debugEnable("debug.enable", "Enable debugger", "Enables debug output", 2, kNone, false);
ZPropertyBool g_debugVerbose("debug.verbose", "Verbose debugger", "Lots of debug spam", 2, kNone, false);
ZPropertyBool g_consoleEnable("console.enable", "Enable console", "Enables the debug console", 2, kNone, false);
ZPropertyBool g_allocatorMonitor("allocator.monitor", "Enable allocation monitoring", "Prints out allocs per frame when active", 2, kNone, false);
ZPropertyBool g_mutexMonitor("mutex.monitor", "Enable mutex lock monitoring", "Prints out mutex locks per frame when active", 2, kNone, false);
ZPropertyBool g_engineForceLowMem("engine.forcelowmem", "Conserve memory", "Attempt to use less runtime memory", 0, kNone, false);
ZPropertyBool g_engineCrashServer("engine.crash.server", "Report crashes directly to server", "Report crashes directly to server", 0, kNone, false);
ZPropertyBool g_developer("developer", "Is developer mode", "Is developer mode", 0, kNone, false);
ZPropertyBool g_gameCheckVersion("game.checkversion", "Check for new version", "", 2, kNone, false);
ZPropertyBool g_enginePauseOnBlur("engine.pauseonblur", "Pause when windows is defocused", "Pause when windows is defocused", 0, kNone, true);

ZPropertyInt g_checkVersionLastTime("checkversion.lasttime", "Last Version Check", "", 2, kNone, 0, 2147483647, 0);
ZPropertyInt g_checkVersionInterval("checkversion.interval", "Version Check Interval (Days)", "", 2, kNone, 7, 2147483647, 0);

ZPropertyFloat g_inputMouseSpeed("input.mouse.speed", "Mouse speed", "Movement speed of the mouse", 2, kNone, 0.03f, 0.9f, 0.001f);
ZPropertyFloat g_statsInterval("stats.interval", "Update Log Interval", "How long between report debug log", 0, kNone, 300.0f, 999999.0f, 30.0f);
ZPropertyFloat g_engineTimeMultiplier("engine.timemultiplier", "", "", 0, kNone, 1.0f, 100.0f, 0.0f);
// For tests and benchmarks only: never saved, never shown to players.
ZPropertyInt g_engineRandomSeed("engine.randomseed", "Random seed",
                                "Seeds the random numbers with this value at start-up; -1 keeps the default", 0, kNone,
                                -1, 2147483647, -1);

ZPropertyText g_engineScene("engine.scene", "Scene", "The default engine scene file", 2, kNone, std::string(""));
ZPropertyText g_engineRenderSystem("engine.render.system", "Render", "Which rendering layer to use", 2, kNone, std::string("renderd3d7"));
ZPropertyText g_engineAudioSystem("engine.audio.system", "Audio", "The audio layer to use ", 2, kNone, std::string("directsound"));
ZPropertyText g_engineInputSystem("engine.input.system", "Input", "The input layer to use ", 2, kNone, std::string("windows"));
ZPropertyText g_engineName("engine.name", "Game Name", "", 0, kNone, std::string(""));
ZPropertyText g_engineStrings("engine.strings", "Strings file", "Strings file", 0, kNone, std::string("localized:strings.xml"));
ZPropertyText g_consoleToggle("console.toggle", "Console toggle char", "Character enables the debug console", 2, kNone, std::string("`"));
ZPropertyText g_engineDistributor("engine.distributor", "Name of distributor", "For splash screens and such", 2, kNone, std::string(""));
ZPropertyText g_engineHome("engine.home", "", "", 0, kNone, std::string("./"));
