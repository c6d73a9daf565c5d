#pragma once
// The engine's platform layer: the game window, its message procedure and pump, module choice by
// name, the single-instance check, pausing on focus loss, folders, the shell and fatal errors.
#include <memory>

#include "engine/app/ZEngine.h"
#include "engine/app/ZModule.h"
#include "engine/platform/ZPlatformMessage.h"

class ZPlatformWindow;
class ZSingleInstanceLock;

class ZEngineWintel : public ZEngine
{
public:
    ZEngineWintel();
    ~ZEngineWintel() override;

    virtual int Init(const ZCommandLine& words) override;
    // 1 stops start-up ("-export"); "-ping" ends the process at once with 0.
    virtual int ParseCommandLine(const ZCommandLine& words);
    virtual int CreateGameWindow(int& width, int& height, bool windowed);
    virtual long WindowProc(const plat::Message& message);
    virtual void OnDeactivate();
    virtual void OnActivate();

    int CreateRenderer(int width, int height, bool windowed) override;
    int CreateInput() override;
    int CreateAudio() override;
    int InitRenderer(int width, int height, bool windowed) override;
    void PumpMessages() override;
    void UpdateFrameDelta() override;
    void ClipCursor(bool on) override;
    bool CheckSingleInstance() override;
    int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) override;
    int GetDesktopFolder(std::string& out, const char* subfolder, const char* file) override;
    int OpenInShell(const char* target) override;
    [[noreturn]] void FatalError(const char* text) override;
    bool IsLowMemory() override;

    ZPlatformWindow* GetWindow() const { return m_window.get(); }

protected:
    // Creates the named module's object as T, or null when the module is not registered.
    template <class T> T* CreateModuleObject(const char* className)
    {
        ZModuleBase* module = FindModule(className);
        return module ? static_cast<T*>(module->Create()) : nullptr;
    }
    int TryRenderer(const char* className, int width, int height, bool windowed);

    std::unique_ptr<ZPlatformWindow> m_window;
    std::unique_ptr<ZSingleInstanceLock> m_instanceLock;
};
