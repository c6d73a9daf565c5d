// The engine's answers to the floors below it, for whichever engine g_engine is.
#include "engine/app/ZEngineServices.h"

#include "engine/app/ZEngine.h"
#include "engine/core/ZFatalError.h"
#include "engine/fs/ZUserDataFolder.h"
#include "engine/render/resources/IRender.h"

namespace
{
class EngineUserDataFolder final : public IUserDataFolder
{
public:
    int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) override
    {
        return g_engine ? g_engine->GetUserDataFolder(out, subfolder, file) : 1;
    }
};

class EngineRenderHost final : public IRenderHost
{
public:
    bool IsLoading() override
    {
        return g_engine && g_engine->TestFlags(kEngineServicesStarting | kEngineStateLoading);
    }
    bool IsLowMemory() override { return g_engine && g_engine->IsLowMemory(); }
    bool IsBeingDestroyed() override { return g_engine && g_engine->TestFlags(kEngineDestroying); }
    void ClipCursor(bool on) override
    {
        if (g_engine)
            g_engine->ClipCursor(on);
    }
    void SetDisplayResetting(bool resetting) override
    {
        if (!g_engine)
            return;
        if (resetting)
            g_engine->SetFlags(kEngineDisplayReset);
        else
            g_engine->ClearFlags(kEngineDisplayReset);
    }
};

EngineUserDataFolder g_engineUserDataFolder;
EngineRenderHost g_engineRenderHost;

void EngineFatalError(const char* text)
{
    if (g_engine)
        g_engine->FatalError(text);
}
} // namespace

void InstallEngineServices()
{
    SetUserDataFolder(&g_engineUserDataFolder);
    SetFatalErrorHandler(&EngineFatalError);
    SetRenderHost(&g_engineRenderHost);
}

void RemoveEngineServices()
{
    SetUserDataFolder(nullptr);
    SetFatalErrorHandler(nullptr);
    SetRenderHost(nullptr);
}
