#include "engine/app/ZEngineMain.h"

#include <cstdio>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZEngineWintel.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/resource/ZResourceManager.h"

namespace
{
// Steps whose failure is a real start-up failure (not a requested stop) say so on stderr.
int Failed(const char* step)
{
    std::fprintf(stderr, "Error: start-up failed at %s\n", step);
    return 1;
}
} // namespace

int RunEngine(int argc, const char* const* argv, const ZEngineFactory& factory)
{
    ZCommandLine words;
    words.Assign(argc, argv);

    factory.createEngine(words);
    ZEngine* engine = g_engine;
    if (!engine)
        return -1;

    int exitCode = 0;
    ZPropertyManager::GetInstance()->ApplyCommandLine(engine->commandLine.words, engine->commandLine.count);
    auto* wintel = dynamic_cast<ZEngineWintel*>(engine);
    do
    {
        engine->EarlyInit();
        if (wintel && wintel->ParseCommandLine(engine->commandLine) != 0)
            break; // "-export": a requested stop
        engine->MountGamePaths();
        engine->LoadSystemConfig();
        engine->LoadMainConfig();
        engine->MountResources();
        if (g_gameCheckVersion.GetValue() && !engine->CheckVersion())
            break;
        engine->RegisterModules();
        if (engine->PreInitCheck() != 0)
        {
            exitCode = Failed("the pre-initialisation check");
            break;
        }
        if (engine->Init(engine->commandLine) != 0)
        {
            exitCode = Failed("engine initialisation (renderer, window or input)");
            break;
        }
        engine->PostInit();
        if (engine->CreateGame() != 0)
        {
            exitCode = Failed("creating the game");
            break;
        }
        engine->Run();
    } while (false);

    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->RequestStop();
    engine->SetFlags(kEngineShuttingDown);
    factory.destroyEngine();
    return exitCode;
}
