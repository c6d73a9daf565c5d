#pragma once
// The program's entry steps: the command line is kept, the factory makes the engine, the engine
// is driven through start-up in a fixed order, runs, and is deleted.
#include <cstdio>

#include "engine/app/ZEngine.h"

struct ZEngineFactory
{
    // Makes the one engine (or none, when another instance runs) and stores it in g_engine.
    void (*createEngine)(const ZCommandLine& words);
    void (*destroyEngine)();
};

// Returns the process exit code: 0 after a normal shutdown or an early stop ("-export"), -1 when
// no engine was made, 1 when start-up failed for a real reason.
int RunEngine(int argc, const char* const* argv, const ZEngineFactory& factory);

// The factory every game uses: one engine of class T with the game's display and key names.
template <class T> struct ZEngineFactoryTempl
{
    static const char* displayName;
    static const char* keyName;

    static void CreateEngine(const ZCommandLine& words)
    {
        if (g_engine)
            return;
        T* engine = new T();
        engine->SetNames(displayName, keyName);
        engine->commandLine = words;
        engine->InitSession(engine->commandLine);
        engine->CreateCoreObjects();
        if (!engine->CheckSingleInstance())
        {
            std::fputs("Error: Engine mutex failed\n", stdout);
            std::fflush(stdout);
            delete engine;
            g_engine = nullptr;
        }
    }
    static void DestroyEngine()
    {
        delete g_engine;
        g_engine = nullptr;
    }
    static ZEngineFactory Get() { return {&CreateEngine, &DestroyEngine}; }
};
