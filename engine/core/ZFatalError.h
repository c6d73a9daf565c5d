#pragma once
// The one way any floor reports an error the program cannot go on after (out of memory, out of
// video memory). The engine installs the handler that tells the player and ends the program;
// without one (tools, tests) ZFatalError returns and the caller carries on as best it can.
using ZFatalErrorHandler = void (*)(const char* text);

// Null removes the handler.
void SetFatalErrorHandler(ZFatalErrorHandler handler);
// Calls the installed handler with the text for the player, if there is one.
void ZFatalError(const char* text);
