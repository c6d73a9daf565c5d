#include "engine/platform/ZMessageBox.h"

#include "engine/platform/ZPlatformWindow.h"

#include <SDL.h>
#include <cstdio>

namespace plat
{
MessageBoxAnswer ShowMessageBox(MessageBoxKind kind, const std::string& title, const std::string& text,
                                ZPlatformWindow* parent)
{
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
    const MessageBoxAnswer fallback =
        kind == MessageBoxKind::YesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
    if (!HasDisplay())
        return fallback;

    SDL_Window* window = parent ? parent->GetSDLWindow() : nullptr;
    if (window)
    {
        // A confined or captured pointer could not reach the box's buttons.
        SDL_SetWindowMouseRect(window, nullptr);
        SDL_CaptureMouse(SDL_FALSE);
    }

    enum
    {
        kYes = 1,
        kNo = 2,
        kOk = 3
    };
    SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNo, "No"},
    };
    SDL_MessageBoxButtonData ok[1] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kOk, "OK"},
    };
    SDL_MessageBoxData data{};
    data.flags = kind == MessageBoxKind::Stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    data.window = window;
    data.title = title.c_str();
    data.message = text.c_str();
    if (kind == MessageBoxKind::YesNo)
    {
        data.numbuttons = 2;
        data.buttons = yesNo;
    }
    else
    {
        data.numbuttons = 1;
        data.buttons = ok;
    }
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return fallback;
    if (kind == MessageBoxKind::YesNo)
        return pressed == kYes ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
    return MessageBoxAnswer::Ok;
}
} // namespace plat
