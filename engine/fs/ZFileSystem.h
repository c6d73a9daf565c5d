#pragma once
// The file system object: turns "alias:path" names into files, plain or zip members, and
// keeps every plain file it hands out in its open-file list until the caller deletes it.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/ZSingleton.h"
#include "engine/platform/ZCriticalSection.h"

class IFile;
class ZMountTable;
class ZResourceFile;

// The engine makes it at start-up and deletes it at shutdown; the mount table outlives it.
class ZFileSystem : public ZSingleton<ZFileSystem>
{
public:
    // The newest one is the instance; a null table means the program-wide mount table.
    explicit ZFileSystem(ZMountTable* table = nullptr);
    // Closes and deletes every file still in the open-file list.
    ~ZFileSystem();

    // The live file system or null: the engine decides when it exists (it mounts the
    // default places right after making it), so a request never creates one.
    static ZFileSystem* GetInstance() { return PeekInstance(); }
    // The table of the live file system, else the program-wide one.
    static ZMountTable* GetCurrentMountTable();
    ZMountTable* GetMountTable() const { return m_table; }

    // The default places: "home" = `home`, "bin" = `bin` (or "home:bin/" when null or
    // empty), "media" = "home:media", "shaders" = "media:shaders"; all writable folders.
    void MountDefaultPaths(const char* home, const char* bin);
    // Default places from the environment: "home" from "engineroot", else "enginehome",
    // else `homeSetting` (the engine.home setting); "bin" from "enginebin".
    void MountDefaults(const char* homeSetting);

    // A file for `name` (plain path or mount name) that the caller opens with Open() and
    // deletes; null when no place can serve it. Reads try the alias's places in order;
    // any open that may write skips archive places. Callers pass index 0.
    IFile* Open(const char* name, uint32_t flags, int index = 0);

    // Registers a zip archive as a place of the alias "resources" (not owned).
    void MountResourceArchive(ZResourceFile* archive);
    // Registers an archive under its name without mounting it (not owned).
    void AddArchive(ZResourceFile* archive);
    ZResourceFile* FindArchive(const char* name) const;

    void TrackFile(IFile* file);
    void UntrackFile(IFile* file);
    void CloseAllFiles();
    size_t GetOpenFileCount();

private:
    ZMountTable* m_table;
    std::map<std::string, ZResourceFile*> m_archives;
    std::vector<IFile*> m_openFiles;
    ZCriticalSection m_lock;
};
