#pragma once
// The engine's side of what the floors below it ask of it: the user-data folder (the file layer),
// the fatal-error handler (core) and the render host (engine flags, cursor clipping). The engine
// installs them when it is made and removes them when it goes; each answers for g_engine.
void InstallEngineServices();
void RemoveEngineServices();
