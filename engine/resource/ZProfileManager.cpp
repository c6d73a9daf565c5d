#include "engine/resource/ZProfileManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/core/ZNameId.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZUserDataFolder.h"

namespace
{
constexpr uint32_t kProfileGroup = ZNameId("profile").Value();
constexpr uint32_t kSavedAlways = ZProperty::kSaved | ZProperty::kAlwaysWrite;
} // namespace

ZPropertyInt g_gameCurrentProfile("game.currentprofile", "Index of current profile", "", kSavedAlways,
                                  ZProperty::kNoGroup, 0, 1000, 0);
ZPropertyInt g_profileScore("profile.score", "", "", ZProperty::kSaved, kProfileGroup, 0, 1000000000, 0);
ZPropertyText g_profileName("profile.name", "Profile Name", "The name of the profile", kSavedAlways,
                            kProfileGroup, std::string());

namespace
{
// The number after the last '_' of a folder name (the whole name when it has no '_').
int FolderNumber(const std::string& name)
{
    const size_t underscore = name.rfind('_');
    return std::atoi(underscore == std::string::npos ? name.c_str() : name.c_str() + underscore + 1);
}

void SetCurrentProfileSetting(int value)
{
    g_gameCurrentProfile.SetValue(value);
}
} // namespace

// ---------------------------------------------------------------------------------------
// SProfileInfo

SProfileInfo::SProfileInfo(const std::string& folderPath, SProfileInfo* owner)
    : folder(folderPath), savedGamePath(folderPath + "savegame.sav"), parent(owner)
{
    propertyFile.SetPath((folder + "profile.txt").c_str());
    propertyFile.SetGroup(kProfileGroup);
}

SProfileInfo* SProfileInfo::GetTop()
{
    SProfileInfo* top = this;
    while (top->parent)
        top = top->parent;
    return top;
}

const std::string& SProfileInfo::GetName() const
{
    const SProfileInfo* top = this;
    while (top->parent)
        top = top->parent;
    return top->name;
}

void SProfileInfo::SetName(const std::string& newName)
{
    for (SProfileInfo* p = this; p; p = p->parent)
        p->name = newName;
}

SProfileInfo* SProfileInfo::FindSubProfile(const std::string& subName) const
{
    const auto it = subProfiles.find(subName);
    return it == subProfiles.end() ? nullptr : it->second.get();
}

SProfileInfo* SProfileInfo::AddSubProfile(const std::string& subName)
{
    auto& slot = subProfiles[subName];
    if (!slot)
        slot = std::make_unique<SProfileInfo>(folder + subName + "/", this);
    return slot.get();
}

// ---------------------------------------------------------------------------------------
// ZProfileManager

ZProfileManager::ZProfileManager() : m_groupId(kProfileGroup)
{
    GetUserDataFolder(m_profilesFolder, nullptr, "profiles/");
    ScanProfiles(true);
}

ZProfileManager::ZProfileManager(const char* profilesFolder)
    : m_profilesFolder(profilesFolder ? profilesFolder : ""), m_groupId(kProfileGroup)
{
    if (!m_profilesFolder.empty() && m_profilesFolder.back() != '/')
        m_profilesFolder += '/';
    ScanProfiles(true);
}

ZProfileManager::~ZProfileManager() = default;

std::unique_ptr<SProfileInfo> ZProfileManager::MakeRecord(const std::string& folder)
{
    auto record = std::make_unique<SProfileInfo>(folder, nullptr);
    if (record->propertyFile.Load(nullptr, false) == 0)
    {
        const SPropertyEntry* entry = record->propertyFile.FindEntry("profile.name");
        if (entry)
            record->name = entry->value;
    }
    for (const std::string& subName : m_subProfileNames)
    {
        SProfileInfo* sub = record->AddSubProfile(subName);
        sub->propertyFile.Load(nullptr, false);
    }
    return record;
}

SProfileInfo* ZProfileManager::GetProfile(int index) const
{
    if (index < 0 || index >= int(m_profiles.size()))
        return nullptr;
    return m_profiles[size_t(index)].get();
}

SProfileInfo* ZProfileManager::CurrentFor(int index) const
{
    SProfileInfo* profile = GetProfile(index);
    if (profile && !m_currentSubProfile.empty())
    {
        if (SProfileInfo* sub = profile->FindSubProfile(m_currentSubProfile))
            return sub;
    }
    return profile;
}

std::string ZProfileManager::GetCurrentFolder() const
{
    return m_current ? m_current->folder : std::string();
}

void ZProfileManager::ScanProfiles(bool load)
{
    m_profiles.clear();
    m_current = nullptr;

    std::vector<std::string> names;
    if (!m_profilesFolder.empty())
    {
        std::vector<ZFileSystemEntry*> entries;
        ZDir(m_profilesFolder).GetFolders(entries);
        for (ZFileSystemEntry* entry : entries)
        {
            std::string name;
            SplitPathAtLastSlash(entry->GetPath(), name);
            if (!name.empty())
                names.push_back(name);
            delete entry;
        }
    }
    // Stable, so that equal numbers keep one order from run to run.
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b)
                     { return FolderNumber(a) < FolderNumber(b); });
    for (const std::string& name : names)
        m_profiles.push_back(MakeRecord(m_profilesFolder + name + "/"));

    if (m_profiles.empty())
    {
        g_gameCurrentProfile.Reset(true);
        m_currentIndex = -1;
        return;
    }
    if (g_gameCurrentProfile.GetValue() >= int(m_profiles.size()))
        g_gameCurrentProfile.Reset(true);
    m_currentIndex = g_gameCurrentProfile.GetValue();
    m_current = CurrentFor(m_currentIndex);
    if (load)
    {
        LoadProfile();
        // A folder without its file gets one now that its settings are known to be its own.
        SaveProfile();
    }
}

void ZProfileManager::ListProfileNames(std::vector<std::string>& out) const
{
    for (const auto& profile : m_profiles)
        out.push_back(profile->GetName());
}

bool ZProfileManager::NameExists(const char* name) const
{
    const std::string wanted = name ? name : "";
    for (const auto& profile : m_profiles)
        if (profile->GetName() == wanted)
            return true;
    return false;
}

namespace
{
// The profile file keeps a name without its outer blanks: a name taken with them would read back
// as another profile's name. Names are compared and stored as they read back.
std::string TrimmedName(const char* name)
{
    std::string out = name ? name : "";
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!out.empty() && blank(out.back()))
        out.pop_back();
    size_t first = 0;
    while (first < out.size() && blank(out[first]))
        ++first;
    return out.substr(first);
}
} // namespace

bool ZProfileManager::IsUsableName(const char* name)
{
    return name && ZPropertyFile::IsStorableValue(name);
}

int ZProfileManager::NextFreeFolderNumber() const
{
    int number = int(m_profiles.size());
    while (FileExists((m_profilesFolder + "profile_" + std::to_string(number) + "/profile.txt").c_str()) ||
           FileExists((m_profilesFolder + "profile_" + std::to_string(number)).c_str()))
        ++number;
    return number;
}

bool ZProfileManager::NewProfile(const char* untrimmed)
{
    if (!untrimmed)
        return false;
    const std::string trimmed = TrimmedName(untrimmed);
    const char* name = trimmed.c_str();
    if (trimmed.empty() || !IsUsableName(name) || NameExists(name) || m_profilesFolder.empty())
        return false;
    // The player who was current keeps what they have done so far.
    SaveProfile();
    SProfileInfo* const previous = m_current;
    const int previousIndex = m_currentIndex;

    const std::string folder = m_profilesFolder + "profile_" + std::to_string(NextFreeFolderNumber()) + "/";
    auto record = std::make_unique<SProfileInfo>(folder, nullptr);
    record->SetName(name);
    record->propertyFile.SetProfileName(name);
    for (const std::string& subName : m_subProfileNames)
        record->AddSubProfile(subName);
    m_profiles.push_back(std::move(record));

    const int index = int(m_profiles.size()) - 1;
    m_current = CurrentFor(index);
    SetCurrentProfileSetting(index);
    m_currentIndex = g_gameCurrentProfile.GetValue();
    g_profileName.SetValue(name);

    LoadProfile();
    if (SaveProfile() == 0)
        return true;

    // The profile could not be written: as if it had never been asked for.
    m_profiles.pop_back();
    DeleteDirectoryTree(folder.c_str());
    m_current = previous;
    m_currentIndex = previousIndex;
    if (previousIndex >= 0)
        SetCurrentProfileSetting(previousIndex);
    else
        g_gameCurrentProfile.Reset(true);
    LoadProfile();
    return false;
}

bool ZProfileManager::RenameProfile(int index, const char* untrimmed)
{
    if (!untrimmed)
        return false;
    const std::string trimmed = TrimmedName(untrimmed);
    const char* name = trimmed.c_str();
    SProfileInfo* profile = GetProfile(index);
    if (!profile || trimmed.empty() || !IsUsableName(name) || NameExists(name))
        return false;
    const std::string oldName = profile->name;
    if (m_current && m_current->GetTop() == profile)
    {
        g_profileName.SetValue(name);
        if (SaveProfile() == 0)
            return true;
        g_profileName.SetValue(oldName);
        profile->SetName(oldName);
        return false;
    }

    m_loading = 1;
    ZPropertyFile& file = profile->propertyFile;
    file.Load(nullptr, false);
    profile->SetName(name);
    file.SetProfileName(name);
    CreateDirectoryTree(profile->folder.c_str());
    const int status = file.Save(nullptr, false);
    m_loading = 0;
    if (status == 0)
        return true;
    profile->SetName(oldName);
    file.SetProfileName(oldName.c_str());
    return false;
}

void ZProfileManager::SelectProfile(int index, const char* subProfile, bool load)
{
    if (index < 0 || index >= int(m_profiles.size()))
        return;
    const std::string sub = subProfile ? subProfile : "";
    if (index == m_currentIndex && m_current && sub == m_currentSubProfile)
        return;
    SaveProfile();
    m_currentSubProfile = sub;
    m_currentIndex = index;
    m_current = CurrentFor(index);
    if (load)
        LoadProfile();
    SetCurrentProfileSetting(index);
}

void ZProfileManager::DeleteProfile(int index)
{
    SProfileInfo* profile = GetProfile(index);
    if (!profile)
        return;
    const bool wasCurrent = m_current && m_current->GetTop() == profile;
    DeleteDirectoryTree(profile->folder.c_str());
    m_profiles.erase(m_profiles.begin() + index);

    const int count = int(m_profiles.size());
    if (wasCurrent)
    {
        m_current = nullptr;
        m_currentIndex = -1;
        SetCurrentProfileSetting(count == 0 ? 0 : std::min(index, count - 1));
        return;
    }
    if (m_currentIndex > index)
        --m_currentIndex;
    const int setting = g_gameCurrentProfile.GetValue();
    if (setting > index || setting >= count)
        SetCurrentProfileSetting(std::max(0, std::min(setting - (setting > index ? 1 : 0), count - 1)));
}

void ZProfileManager::LoadProfile()
{
    m_loading = 1;
    for (const auto& [key, setting] : ZPropertyManager::GetInstance()->CollectGroup(m_groupId))
        setting->Reset(true);
    if (m_current)
    {
        Deliver([](ZProfileListener* l) { l->OnProfileLoading(); });
        SProfileInfo* current = m_current;
        current->propertyFile.Load(nullptr, true);
        SProfileInfo* top = current->GetTop();
        if (top == current)
        {
            const SPropertyEntry* entry = current->propertyFile.FindEntry("profile.name");
            current->name = entry ? entry->value : "No name";
        }
        g_profileName.SetValue(top->name);
        Deliver([](ZProfileListener* l) { l->OnProfileLoaded(); });
    }
    m_loading = 0;
}

int ZProfileManager::SaveProfile()
{
    if (!m_current)
        return 0;
    Deliver([](ZProfileListener* l) { l->OnProfileSaving(); });
    SProfileInfo* current = m_current;
    current->SetName(g_profileName.GetValue());
    current->propertyFile.SetProfileName(g_profileName.GetValue().c_str());
    int status = 1;
    if (CreateDirectoryTree(current->folder.c_str()))
        status = current->propertyFile.Save(nullptr, true);
    if (status != 0)
        std::fprintf(stderr, "Profile: \"%sprofile.txt\" could not be written; the old file is kept\n",
                     current->folder.c_str());
    Deliver([](ZProfileListener* l) { l->OnProfileSaved(); });
    return status;
}

void ZProfileManager::AddSubProfileName(const char* name)
{
    if (!name || !*name)
        return;
    if (std::find(m_subProfileNames.begin(), m_subProfileNames.end(), name) == m_subProfileNames.end())
        m_subProfileNames.push_back(name);
}

// ---------------------------------------------------------------------------------------
// ZProfileFile

namespace
{
std::string ProfilePath(const char* name)
{
    ZProfileManager* manager = ZProfileManager::PeekInstance();
    if (!manager || !name || !*name || !manager->GetCurrent())
        return std::string();
    return manager->GetCurrentFolder() + name;
}
} // namespace

ZProfileFile::ZProfileFile(const char* name, uint32_t flags) : ZSafeFileStream(ProfilePath(name).c_str())
{
    m_flags = flags;
    Open();
}

int ZProfileFile::Open()
{
    if (m_flags & FILE_WRITABLE_MASK)
    {
        if (m_path.empty())
            return 1;
        const size_t slash = m_path.rfind('/');
        if (slash != std::string::npos)
            CreateDirectoryTree(m_path.substr(0, slash).c_str());
        return ZSafeFileStream::Open();
    }
    if (m_path.empty())
        return 1;
    return ZFile::Open();
}

int ZProfileFile::Close()
{
    if (m_flags & FILE_WRITABLE_MASK)
        return ZSafeFileStream::Close();
    return ZFile::Close();
}
