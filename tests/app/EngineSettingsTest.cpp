// The engine's settings as configuration files and the settings screens see them: every key
// registered with its label, description, default, range and group.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZPropertyManager.h"

namespace
{
struct Row
{
    const char* key;
    ZProperty::Kind kind;
    const char* defaultText;
    const char* minimum;
    const char* maximum;
    uint32_t flags;
    const char* label;
    const char* description;
};

const Row kRows[] = {
    {"engine.stats", ZProperty::Kind::Bool, "false", "", "", 0, "Collect usage statistics", "Collect usage statistics"},
    {"engine.render.window", ZProperty::Kind::Bool, "false", "", "", 2, "Window mode", "Use windows mode"},
    {"render.widescreen", ZProperty::Kind::Bool, "true", "", "", 2, "Widescreen mode", "Correct aspect ratio for widescreen screen mode"},
    {"render.window.hotswitch", ZProperty::Kind::Bool, "true", "", "", 0, "Live Window Mode Switch", "Live Window Mode Switch"},
    {"engine.render.hardwaremouse", ZProperty::Kind::Bool, "false", "", "", 2, "Hardware mouse", "Enable hardware mouse, if available"},
    {"render.debug", ZProperty::Kind::Bool, "false", "", "", 0, "Render Debug Graphics", "Render debug graphics"},
    {"render.desktopresolution", ZProperty::Kind::Bool, "true", "", "", 0, "Use Desktop Resolution", "Run game at desktop resolution and scale up"},
    {"render.smoothscaling", ZProperty::Kind::Bool, "true", "", "", 0, "Use Smooth Upsampling", "Use linear texture filtering when scaling to desktop resolution"},
    {"engine.cheats", ZProperty::Kind::Bool, "false", "", "", 2, "Enable cheats", "Enable cheat keys"},
    {"engine.enablefpslimit", ZProperty::Kind::Bool, "true", "", "", 2, "Enable FPSLimit", "Enable FPSLimit"},
    {"engine.render.overlays", ZProperty::Kind::Bool, "true", "", "", 2, "Render Overlays", "Render information overlays, like FPS meter"},
    {"debug.enable", ZProperty::Kind::Bool, "false", "", "", 2, "Enable debugger", "Enables debug output"},
    {"debug.verbose", ZProperty::Kind::Bool, "false", "", "", 2, "Verbose debugger", "Lots of debug spam"},
    {"console.enable", ZProperty::Kind::Bool, "false", "", "", 2, "Enable console", "Enables the debug console"},
    {"allocator.monitor", ZProperty::Kind::Bool, "false", "", "", 2, "Enable allocation monitoring", "Prints out allocs per frame when active"},
    {"mutex.monitor", ZProperty::Kind::Bool, "false", "", "", 2, "Enable mutex lock monitoring", "Prints out mutex locks per frame when active"},
    {"engine.forcelowmem", ZProperty::Kind::Bool, "false", "", "", 0, "Conserve memory", "Attempt to use less runtime memory"},
    {"engine.crash.server", ZProperty::Kind::Bool, "false", "", "", 0, "Report crashes directly to server", "Report crashes directly to server"},
    {"developer", ZProperty::Kind::Bool, "false", "", "", 0, "Is developer mode", "Is developer mode"},
    {"game.checkversion", ZProperty::Kind::Bool, "false", "", "", 2, "Check for new version", ""},
    {"engine.pauseonblur", ZProperty::Kind::Bool, "true", "", "", 0, "Pause when windows is defocused", "Pause when windows is defocused"},
    {"render.width", ZProperty::Kind::Int, "800", "640", "4000", 0, "Screen width", "Screen width"},
    {"render.height", ZProperty::Kind::Int, "600", "480", "4000", 0, "Screen height", "Screen height"},
    {"render.width.actual", ZProperty::Kind::Int, "800", "640", "4000", 0, "", ""},
    {"render.height.actual", ZProperty::Kind::Int, "600", "480", "4000", 0, "", ""},
    {"checkversion.lasttime", ZProperty::Kind::Int, "0", "0", "2147483647", 2, "Last Version Check", ""},
    {"checkversion.interval", ZProperty::Kind::Int, "7", "0", "2147483647", 2, "Version Check Interval (Days)", ""},
    {"engine.fpslimit", ZProperty::Kind::Float, "80.0", "1.0", "9999.0", 2, "Set fpslimit", "Set fpslimit"},
    {"render.quality", ZProperty::Kind::Float, "1.0", "0.0", "1.0", 2, "Visual Quality", "Set the visual quality of the game"},
    {"input.mouse.speed", ZProperty::Kind::Float, "0.03", "0.001", "0.9", 2, "Mouse speed", "Movement speed of the mouse"},
    {"stats.interval", ZProperty::Kind::Float, "300.0", "30.0", "999999.0", 0, "Update Log Interval", "How long between report debug log"},
    {"engine.timemultiplier", ZProperty::Kind::Float, "1.0", "0.0", "100.0", 0, "", ""},
    {"engine.scene", ZProperty::Kind::Text, "", "", "", 2, "Scene", "The default engine scene file"},
    {"engine.render.system", ZProperty::Kind::Text, "renderd3d7", "", "", 2, "Render", "Which rendering layer to use"},
    {"engine.audio.system", ZProperty::Kind::Text, "directsound", "", "", 2, "Audio", "The audio layer to use "},
    {"engine.input.system", ZProperty::Kind::Text, "windows", "", "", 2, "Input", "The input layer to use "},
    {"engine.name", ZProperty::Kind::Text, "", "", "", 0, "Game Name", ""},
    {"language", ZProperty::Kind::Text, "en", "", "", 0, "Language", "2 letter language code for the game content"},
    {"engine.strings", ZProperty::Kind::Text, "localized:strings.xml", "", "", 0, "Strings file", "Strings file"},
    {"console.toggle", ZProperty::Kind::Text, "`", "", "", 2, "Console toggle char", "Character enables the debug console"},
    {"engine.distributor", ZProperty::Kind::Text, "", "", "", 2, "Name of distributor", "For splash screens and such"},
    {"engine.home", ZProperty::Kind::Text, "./", "", "", 0, "", ""},
};

template <class T> void ExpectRange(ZProperty* p, const Row& row, T minimum, T maximum)
{
    auto* typed = dynamic_cast<ZPropertyTempl<T>*>(p);
    ASSERT_NE(typed, nullptr);
    EXPECT_TRUE(typed->IsClamped());
    EXPECT_EQ(typed->GetMinimum(), minimum) << row.key;
    EXPECT_EQ(typed->GetMaximum(), maximum) << row.key;
}
} // namespace

TEST(EngineSettings, EveryKeyIsRegisteredAsWritten)
{
    ZPropertyManager* manager = ZPropertyManager::GetInstance();
    for (const Row& row : kRows)
    {
        SCOPED_TRACE(row.key);
        ZProperty* p = manager->Find(row.key);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetKind(), row.kind);
        EXPECT_STREQ(p->GetLabel(), row.label);
        EXPECT_STREQ(p->GetDescription(), row.description);
        EXPECT_EQ(p->GetFlags(), row.flags);
        EXPECT_EQ(p->GetGroup(), ZProperty::kNoGroup);
        EXPECT_TRUE(p->IsDefault());
        switch (row.kind)
        {
        case ZProperty::Kind::Int:
            EXPECT_EQ(p->DefaultToText(), row.defaultText);
            ExpectRange<int32_t>(p, row, std::atoi(row.minimum), std::atoi(row.maximum));
            break;
        case ZProperty::Kind::Float:
            EXPECT_FLOAT_EQ(std::strtof(p->DefaultToText().c_str(), nullptr), std::strtof(row.defaultText, nullptr));
            ExpectRange<float>(p, row, std::strtof(row.minimum, nullptr), std::strtof(row.maximum, nullptr));
            break;
        default:
            EXPECT_EQ(p->DefaultToText(), row.defaultText);
            EXPECT_FALSE(p->IsClamped());
            break;
        }
    }
}

TEST(EngineSettings, OutOfRangeValuesFromFilesAreBroughtIntoRange)
{
    ZPropertyManager* manager = ZPropertyManager::GetInstance();
    manager->SetByName("render.width", "300", false);
    EXPECT_EQ(g_renderWidth.GetValue(), 640);
    manager->SetByName("engine.fpslimit", "0", false);
    EXPECT_FLOAT_EQ(g_engineFpsLimit.GetValue(), 1.0f);
    g_renderWidth.Reset(false);
    g_engineFpsLimit.Reset(false);
}
