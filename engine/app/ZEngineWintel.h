#pragma once
// The engine's platform layer: the game window, its message procedure and pump, module choice by
// name, the single-instance check, pausing on focus loss, folders, the shell and fatal errors.
#include <memory>

#include "engine/app/ZEngine.h"
#include "engine/core/ZModule.h"
#include "engine/platform/ZPlatformMessage.h"

class ZPlatformWindow;
class ZSingleInstanceLock;
class ZInputWindows;

// Writes a screenshot's 32-bit pixels (rows top to bottom) to an image file; 0 on success. The
// image writer belongs to the renderer's side, which installs it once it exists.
using ZScreenshotWriter = int (*)(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height);

class ZEngineWintel : public ZEngine
{
public:
    ZEngineWintel();
    ~ZEngineWintel() override;

    virtual int Init(const ZCommandLine& words) override;
    // 1 stops start-up ("-export"); "-ping" ends the process at once with 0.
    virtual int ParseCommandLine(const ZCommandLine& words);
    virtual int CreateGameWindow(int& width, int& height, bool windowed);
    // Handles one message of the pump; the result is the window message's result.
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
    bool CheckResolution(int width, int height) override;
    void TakeScreenshot() override;

    ZPlatformWindow* GetWindow() const { return m_window.get(); }

    // True while the pointer is outside the game area and the system cursor is shown for it.
    static bool IsSystemCursorShown();
    // Null restores the default writer, WritePng.
    static void SetScreenshotWriter(ZScreenshotWriter writer);
    // A PNG of the A, R, G, B words (top row first) through the resource manager's image savers;
    // 0 when written.
    static int WritePng(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height);

protected:
    // Creates the named module's object as T, or null when the module is not registered.
    template <class T> T* CreateModuleObject(const char* className)
    {
        ZModuleBase* module = FindModule(className);
        return module ? static_cast<T*>(module->Create()) : nullptr;
    }
    int TryRenderer(const char* className, int width, int height, bool windowed);
    // The input messages, handled only when the input module is the window-fed layer; true when
    // the message is finished with `result`, false when it goes on to the window messages.
    bool InputMessage(ZInputWindows& input, const plat::Message& message, long& result);
    long WindowMessage(const plat::Message& message);
    // What the system does with a message the engine leaves alone.
    long DefaultWindowProc(const plat::Message& message);
    void ResizeStep();
    void SetPaused(bool paused);

    std::unique_ptr<ZPlatformWindow> m_window;
    std::unique_ptr<ZSingleInstanceLock> m_instanceLock;
};
