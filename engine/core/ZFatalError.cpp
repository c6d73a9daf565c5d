// The installed fatal-error handler.
#include "engine/core/ZFatalError.h"

namespace
{
ZFatalErrorHandler g_fatalErrorHandler = nullptr;
}

void SetFatalErrorHandler(ZFatalErrorHandler handler)
{
    g_fatalErrorHandler = handler;
}

void ZFatalError(const char* text)
{
    if (g_fatalErrorHandler)
        g_fatalErrorHandler(text);
}
