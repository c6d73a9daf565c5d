#pragma once
// The per-user folder the game keeps its settings, profiles, high scores and recorded sessions in.
// The engine installs the provider when it is made (it knows the game's key name and the
// platform's base folder) and removes it when it goes; without one, callers keep their defaults.
#include <string>

class IUserDataFolder
{
public:
    virtual ~IUserDataFolder() = default;
    // out = the user-data folder + subfolder + file, making the subfolder when missing.
    // 0 on success; 1 when there is no such folder (out is then left as it was).
    virtual int GetUserDataFolder(std::string& out, const char* subfolder, const char* file) = 0;
};

// Through the installed provider; 1 with out unchanged when none is installed.
int GetUserDataFolder(std::string& out, const char* subfolder, const char* file);
// Null removes the provider. It is not owned.
void SetUserDataFolder(IUserDataFolder* provider);
