#pragma once
// For tests that need a real display (CI runs them under a virtual X server) and, for the GL ones,
// a leak checker that looks away from the driver's own blocks.
#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define QV_PAUSE_LEAK_CHECK 1
#endif

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/platform/ZPlatformWindow.h"

namespace qvtest
{
// The GL driver keeps blocks of its own for the life of the process once a context was made;
// they are not ours, so the leak checker looks away while one of these lives.
struct LeakCheckPause
{
    // Written out even without the leak checker: a pause that does nothing is still no unused
    // variable in the optimised build.
    LeakCheckPause()
    {
#ifdef QV_PAUSE_LEAK_CHECK
        __lsan_disable();
#endif
    }
    ~LeakCheckPause()
    {
#ifdef QV_PAUSE_LEAK_CHECK
        __lsan_enable();
#endif
    }
};

// Opens the video layer on a real display. On false, `why` says what is missing and nothing needs
// closing; on true the caller shuts the video layer down.
inline bool OpenRealDisplay(std::string& why)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
    {
        why = std::string("no display: SDL_VIDEODRIVER=") + driver;
        return false;
    }
    if (!plat::HasDisplay())
    {
        why = "no display";
        return false;
    }
    if (plat::InitVideo() != 0)
    {
        why = "display cannot be opened: " + plat::GetVideoError();
        return false;
    }
    return true;
}
} // namespace qvtest
