#pragma once
// Player profiles. Each player of the machine has a folder under the user-data folder,
// "profiles/profile_<n>/", holding the settings file "profile.txt" (every saved setting of the
// group "profile", including "profile.name") and the per-player files that the game writes there.
// The manager finds the folders, keeps the list and the current profile, creates, renames,
// selects and deletes profiles, and loads and saves the current one: loading resets every
// "profile" setting to its default and then applies the file; saving writes them back through a
// temporary file that replaces the old one only when every write succeeded.
//
// A profile may have named sub-profiles (one per registered sub-profile name, in a folder of that
// name inside the profile's folder) with their own "profile.txt"; their display name is always
// their top profile's. Main thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/fs/ZStream.h"
#include "engine/resource/ZPropertyFile.h"

extern ZPropertyInt g_gameCurrentProfile;
extern ZPropertyInt g_profileScore;
extern ZPropertyText g_profileName;

// Told before and after each load and save of the current profile. Every operation returns 0.
class IProfileListener
{
public:
    virtual ~IProfileListener() = default;
    // After the current profile's file was applied.
    virtual int OnProfileLoaded() { return 0; }
    // After the current profile's file was written.
    virtual int OnProfileSaved() { return 0; }
    // Before the current profile's file is written.
    virtual int OnProfileSaving() { return 0; }
    // Before the current profile's file is applied.
    virtual int OnProfileLoading() { return 0; }
};

class ZProfileListener : public IProfileListener
{
};

// One profile or sub-profile; owned by the manager, sub-profiles by their profile.
struct SProfileInfo
{
    SProfileInfo(const std::string& folder, SProfileInfo* parent);

    // The display name, followed up to the top profile.
    const std::string& GetName() const;
    // Sets the name on the whole parent chain.
    void SetName(const std::string& name);
    SProfileInfo* GetTop();
    SProfileInfo* FindSubProfile(const std::string& name) const;
    SProfileInfo* AddSubProfile(const std::string& name);

    std::string name = "No name";
    std::string folder;        // ends in '/'
    std::string savedGamePath; // folder + "savegame.sav"; kept, never read or written here
    std::unique_ptr<IFile> openFile;
    ZPropertyFile propertyFile; // folder + "profile.txt", group "profile"
    SProfileInfo* parent = nullptr;
    std::map<std::string, std::unique_ptr<SProfileInfo>> subProfiles;
};

class ZProfileManager : public ZSingleton<ZProfileManager>, public ZEventProducer<ZProfileListener>
{
public:
    // On the engine's user-data folder + "profiles/" (no profiles at all without an engine).
    ZProfileManager();
    // On the given profiles folder (a trailing '/' is added when missing).
    explicit ZProfileManager(const char* profilesFolder);
    // Frees every record; nothing is saved.
    ~ZProfileManager();

    // Rebuilds the list from the profile folders (files beside them are not profiles), sorted by
    // the number after the last '_', and makes the profile that `game.currentprofile` names current
    // (the first when the setting names none); with `load` that profile is loaded.
    void ScanProfiles(bool load);
    void ListProfileNames(std::vector<std::string>& out) const;
    // True when some profile's display name equals `name` byte for byte.
    bool NameExists(const char* name) const;
    // Both take the name without its leading and trailing blanks (as the profile file reads it
    // back), and refuse a name that is blank.
    // Saves the current profile, then creates, loads (every "profile" setting at its default)
    // and saves a new profile in the next free "profile_<n>" folder; it becomes current, at index
    // count - 1. False, with nothing changed, when the name exists, cannot be stored in the
    // profile file, or the new profile cannot be written.
    bool NewProfile(const char* name);
    // False when the index names no profile, the name exists (the profile's own name too) or
    // cannot be stored, or the file cannot be written. The current profile takes the name through
    // `profile.name` and is saved; another profile gets only its name written into its file.
    bool RenameProfile(int index, const char* name);
    // Saves the current profile and makes the profile at `index` (or its sub-profile of that
    // name) current, loading it with `load`. Nothing happens for an index outside the list or
    // for the choice that is already current.
    void SelectProfile(int index, const char* subProfile, bool load);
    // Removes the profile's folder and record. Indices above it shift down, so the current index
    // and `game.currentprofile` are moved with them; when the current profile itself goes, there
    // is no current profile (index -1, nothing is saved) until the next selection, and
    // `game.currentprofile` names a profile that still exists (0 when none is left).
    void DeleteProfile(int index);
    // Resets every "profile" setting and applies the current profile's file.
    void LoadProfile();
    // Writes the current profile's settings; 0 when saved (or no current profile), 1 on failure.
    int SaveProfile();

    // Registers a sub-profile name (each profile gets one sub-profile of every name; the next
    // scan or new profile makes them).
    void AddSubProfileName(const char* name);
    const std::vector<std::string>& GetSubProfileNames() const { return m_subProfileNames; }
    // The sub-profile that selection and scans make current ("" for the top profile).
    void SetCurrentSubProfileName(const char* name) { m_currentSubProfile = name ? name : ""; }
    const std::string& GetCurrentSubProfileName() const { return m_currentSubProfile; }

    SProfileInfo* GetCurrent() const { return m_current; }
    // The current profile's folder (ending in '/'), or "" when there is none.
    std::string GetCurrentFolder() const;
    int GetCurrentIndex() const { return m_currentIndex; }
    int GetProfileCount() const { return int(m_profiles.size()); }
    SProfileInfo* GetProfile(int index) const;
    const std::string& GetProfilesFolder() const { return m_profilesFolder; }
    // Set while a profile is loaded and while another profile is renamed, so that setting
    // listeners can tell a load from a player's change.
    bool IsLoading() const { return m_loading != 0; }
    uint32_t GetGroupId() const { return m_groupId; }

private:
    std::unique_ptr<SProfileInfo> MakeRecord(const std::string& folder);
    int NextFreeFolderNumber() const;
    SProfileInfo* CurrentFor(int index) const;
    static bool IsUsableName(const char* name);

    std::string m_profilesFolder;
    std::vector<std::unique_ptr<SProfileInfo>> m_profiles;
    SProfileInfo* m_current = nullptr;
    int32_t m_currentIndex = -1;
    uint32_t m_groupId;
    uint8_t m_loading = 0;
    std::string m_currentSubProfile;
    std::vector<std::string> m_subProfileNames;
};

// A file in the current profile's folder. Reading opens the file itself; any writing mode writes a
// whole new file through a temporary file that Close() puts in place only when every write
// succeeded (a failed or interrupted save leaves the old file as it was); destroying the object
// without Close() discards what was written. With no current profile nothing opens.
class ZProfileFile : public ZSafeFileStream
{
public:
    // Opens at once with the flags (FILE_READ, or FILE_WRITE for a new content).
    ZProfileFile(const char* name, uint32_t flags);

    using ZSafeFileStream::Open;
    int Open() override;
    int Close() override;
};
