#pragma once
// Folders and environment variables: where the game keeps the player's data, where the
// desktop is, the temporary folder, and creating a folder with every missing parent.
// Paths use "/" and never end in "/" unless stated.
#include <string>

namespace plat
{
// Value of an environment variable; false when it is unset. An empty value is returned as set.
bool GetEnv(const char* name, std::string& out);

// The user's home folder: $HOME, else the password database entry.
bool GetHomeFolder(std::string& out);

// Per-user application-data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share. It is not created here.
bool GetUserDataBase(std::string& out);

// The desktop: XDG_DESKTOP_DIR from the user-dirs file ($XDG_CONFIG_HOME or $HOME/.config,
// "user-dirs.dirs"), created when missing; else $HOME/Desktop when it exists; else $HOME.
bool GetDesktopFolder(std::string& out);

// The temporary folder: $TMPDIR when set and not empty, else "/tmp". Ends in "/", as the
// engine's callers expect of a temporary-folder query.
std::string GetTempFolder();

// Creates the folder and every missing parent with default permissions (the umask decides).
// An existing folder is no error; an existing file of that name is.
bool CreateFolders(const std::string& path);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);
} // namespace plat
