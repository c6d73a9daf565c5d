// The installed user-data folder provider.
#include "engine/fs/ZUserDataFolder.h"

namespace
{
IUserDataFolder* g_userDataFolder = nullptr;
}

int GetUserDataFolder(std::string& out, const char* subfolder, const char* file)
{
    return g_userDataFolder ? g_userDataFolder->GetUserDataFolder(out, subfolder, file) : 1;
}

void SetUserDataFolder(IUserDataFolder* provider)
{
    g_userDataFolder = provider;
}
