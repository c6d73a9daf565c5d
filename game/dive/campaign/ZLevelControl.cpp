// The campaign control: reading the script, the settings snapshot of every entry, the per-frame
// step, advancing, checkpoints and the map's level choice.
#include "game/dive/campaign/ZLevelControl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "game/common/IGameShell.h"

ZLevelControl::SImport* ZLevelControl::s_import = nullptr;

namespace
{
constexpr const char* kProfileLevel = "profile.level";
constexpr const char* kRandomizeLevels = "profile.randomizelevels";
constexpr const char* kUnlockAll = "cheats.unlockall";
constexpr const char* kTestBoard = "zelk.board";
constexpr const char* kTheme = "zelk.theme";

// States after which a return to the campaign picks up from the last checkpoint.
const char* const kMenuStates[] = {"ZGameMainMenu", "ZMainMenu", "ZInGameMenu", "ZInGame", nullptr};
const char* const kDiveStates[] = {"ZInGame", nullptr};
const char* const kMainMenus[] = {"gamemainmenu", "mainmenu", nullptr};

ZProperty* FindSetting(const char* name)
{
    ZPropertyManager* manager = ZPropertyManager::PeekInstance();
    return manager ? manager->Find(name) : nullptr;
}

bool SettingIsOn(const char* name)
{
    ZProperty* property = FindSetting(name);
    return property && property->EqualsText("true");
}

std::string SettingText(const char* name)
{
    ZProperty* property = FindSetting(name);
    return property ? property->ToText() : std::string();
}

void SetSettingInt(const char* name, int value)
{
    if (ZProperty* property = FindSetting(name))
        property->SetFromText(std::to_string(value).c_str(), false, true);
}

// The reader's classes: "levelcontrol" is the campaign being read into, "levelcontrolentry" makes
// nothing, "level" names a level, the others make a new entry held by the read.
ZLevelControl* CreateControl()
{
    return ZLevelControl::GetImporting();
}
template <class T> T* CreateEntry()
{
    return static_cast<T*>(ZLevelControl::TrackImported(new T()));
}

ZSerializerRTTI<ZLevelControl> s_controlSerializer(false, &CreateControl, nullptr);
ZSerializerRTTI<ZLevelControlEntry> s_entrySerializer(false, &ZSerializerRTTI<ZLevelControlEntry>::NoCreate,
                                                      nullptr);
ZSerializerRTTI<ZLevel> s_levelSerializer(true, &ZSerializerRTTI<ZLevel>::NoCreate, &ZLevelControl::FindImportedLevel);
ZSerializerRTTI<ZLevelState> s_stateSerializer(false, &CreateEntry<ZLevelState>, nullptr);
ZSerializerRTTI<ZLevelDelay> s_delaySerializer(false, &CreateEntry<ZLevelDelay>, nullptr);
ZSerializerRTTI<ZLevelEvent> s_eventSerializer(false, &CreateEntry<ZLevelEvent>, nullptr);
ZSerializerRTTI<ZLevelProperty> s_propertySerializer(false, &CreateEntry<ZLevelProperty>, nullptr);
} // namespace

// ---- construction ----

ZLevelControl::ZLevelControl()
{
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->AddListener(this);
    ResetProgress();
}

ZLevelControl::~ZLevelControl()
{
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->RemoveListener(this);
    m_current = m_pending = nullptr;
    m_lastLevel = nullptr;
    m_entries.clear();
    m_levels.clear();
    m_ownedEntries.clear();
    m_levelsByName.clear();
    m_testLevel.reset();
    m_persistent.clear();
    m_flags.clear();
}

void ZLevelControl::Init()
{
    ZGameState::Init();
    // The profile manager may have been made after the campaign.
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->AddListener(this);
    if (!m_scriptLoaded)
        LoadScript();
}

// ---- the script ----

ZLevelControlEntry* ZLevelControl::TrackImported(ZLevelControlEntry* entry)
{
    if (!entry)
        return nullptr;
    if (!s_import || s_import->made.size() >= s_import->limit)
    {
        if (s_import)
            ++s_import->refused;
        delete entry;
        return nullptr;
    }
    s_import->made.emplace_back(entry);
    return entry;
}

std::unique_ptr<ZLevelControlEntry> ZLevelControl::AdoptImported(ZLevelControlEntry* entry)
{
    if (!s_import || !entry)
        return nullptr;
    auto& made = s_import->made;
    // The entry taken is nearly always the one made last.
    for (auto it = made.rbegin(); it != made.rend(); ++it)
    {
        if (it->get() == entry)
        {
            std::unique_ptr<ZLevelControlEntry> owned = std::move(*it);
            made.erase(std::next(it).base());
            return owned;
        }
    }
    return nullptr;
}

ZLevelControl* ZLevelControl::GetImporting()
{
    return s_import ? s_import->control : nullptr;
}

bool ZLevelControl::IsReadingProgress()
{
    return s_import && s_import->progress;
}

ZLevel* ZLevelControl::FindImportedLevel(const char* name)
{
    if (!s_import || !s_import->control || !name || !*name)
        return nullptr;
    ZLevelControl* control = s_import->control;
    if (!s_import->progress)
        return control->GetOrCreateLevel(name);
    // Progress only names levels the script has; anything else would grow without bound.
    if (!control->FindLevel(name))
    {
        ++s_import->unknownLevels;
        return nullptr;
    }
    ZLevel* copy = static_cast<ZLevel*>(TrackImported(new ZLevel()));
    if (copy)
        copy->SetBoardName(name);
    return copy;
}

ZLevel* ZLevelControl::FindLevel(const char* name) const
{
    if (!name)
        return nullptr;
    auto it = m_levelsByName.find(ZNameId(name).Value());
    return it == m_levelsByName.end() ? nullptr : it->second.get();
}

ZLevel* ZLevelControl::GetOrCreateLevel(const char* name)
{
    if (ZLevel* level = FindLevel(name))
        return level;
    auto level = std::make_unique<ZLevel>();
    level->SetBoardName(name);
    ZLevel* raw = level.get();
    m_levelsByName[ZNameId(name).Value()] = std::move(level);
    return raw;
}

ZProperty* ZLevelControl::GetOrCreateStoryFlag(const std::string& story)
{
    const std::string name = "story." + story;
    if (ZProperty* existing = FindSetting(name.c_str()))
        return existing;
    m_flagNames.push_back(name);
    m_flags.push_back(std::make_unique<ZPropertyBool>(m_flagNames.back().c_str(), "", "", ZProperty::kSaved,
                                                      ZNameId("profile").Value(), false));
    return m_flags.back().get();
}

int ZLevelControl::Import(const std::string& text, bool progress, SImport& session)
{
    session.control = this;
    session.progress = progress;
    session.limit = progress ? 4 * m_entries.size() + 256 : size_t(1) << 20;
    SImport* outer = s_import;
    s_import = &session;
    std::string error;
    const int result = ImportDetachedBuffer(text, progress ? kProgressFile : kScriptPath, error);
    if (result != 0)
        std::fprintf(stderr, "Campaign: %s\n", error.c_str());
    s_import = outer;
    if (session.refused > 0)
        std::fprintf(stderr, "Campaign: %zu entries beyond the limit of %s ignored\n", session.refused,
                     progress ? kProgressFile : "the script");
    return result;
}

void ZLevelControl::ClearScript()
{
    m_current = m_pending = nullptr;
    m_lastLevel = nullptr;
    m_entries.clear();
    m_levels.clear();
    m_ownedEntries.clear();
    m_levelsByName.clear();
    m_persistent.clear();
    m_firstFinish = true;
}

int ZLevelControl::LoadScript(const char* path)
{
    std::string text;
    bool read = false;
    if (ZFileSystem* files = ZFileSystem::PeekInstance())
    {
        if (IFile* file = files->Open(path, FILE_READ))
        {
            if (file->Open() == 0)
            {
                const int64_t size = file->GetSize();
                if (size > 0)
                {
                    text.resize(size_t(size));
                    read = file->ReadAll(text.data()) == 0;
                }
                file->Close();
            }
            delete file;
        }
    }
    if (!read)
    {
        std::fprintf(stderr, "Campaign: the script %s cannot be read; the campaign is empty\n", path);
        ClearScript();
        m_scriptLoaded = true;
        ResetProgress();
        return 1;
    }
    return LoadScriptText(text);
}

int ZLevelControl::LoadScriptText(const std::string& text)
{
    ClearScript();
    m_scriptLoaded = false;
    SImport session;
    int result = Import(text, false, session);
    if (result != 0)
    {
        std::fprintf(stderr, "Campaign: the script is broken; the campaign is empty\n");
        ClearScript();
    }
    else if (m_entries.empty())
    {
        std::fprintf(stderr, "Campaign: the script holds no entries\n");
        result = 1;
    }
    m_scriptLoaded = true;
    ResetProgress();
    return result;
}

void ZLevelControl::AddScriptEntry(ZLevelControlEntry* entry)
{
    if (ZLevel* level = ZEntityCast<ZLevel>(entry))
    {
        if (level->lci != -1)
        {
            std::fprintf(stderr, "Campaign: level \"%s\" appears twice in the script; the second is ignored\n",
                         level->GetName());
            return;
        }
        level->number = int32_t(m_levels.size()) + 1;
        m_levels.push_back(level);
    }
    else
    {
        std::unique_ptr<ZLevelControlEntry> owned = AdoptImported(entry);
        if (!owned)
            return;
        m_ownedEntries.push_back(std::move(owned));
    }
    entry->lci = int32_t(m_entries.size());
    m_entries.push_back(entry);
}

bool ZLevelControl::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (!s_import)
        return false;
    if (const ZEntity* child = SerializedChild<ZEntity>(value))
    {
        ZLevelControlEntry* entry = ZEntityCast<ZLevelControlEntry>(const_cast<ZEntity*>(child));
        if (!entry)
            return false;
        if (s_import->progress)
            s_import->staged.push_back(entry);
        else
            AddScriptEntry(entry);
        return true;
    }
    if (id == ZNameId("progress").Value() && s_import->progress)
    {
        int32_t index = -1;
        if (value && ParseSettingInt(value, &index))
        {
            s_import->hasProgress = true;
            s_import->progressValue = index;
        }
        else
        {
            s_import->badProgress = true;
        }
        return true;
    }
    return false;
}

void ZLevelControl::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    visitor->Attribute("progress", std::to_string(m_index).c_str());
}

void ZLevelControl::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    for (ZLevelControlEntry* entry : m_entries)
    {
        visitor->BeginElement(nullptr, entry->GetElementName());
        entry->WriteAttributes(visitor);
        visitor->EndElement(nullptr, entry->GetElementName());
    }
}

void ZLevelControl::OnLoaded()
{
    if (s_import)
        s_import->sawRoot = true;
    if (s_import && !s_import->progress && m_firstFinish)
    {
        m_firstFinish = false;
        LinkEntries();
    }
}

void ZLevelControl::AddPersistent(ZProperty* property)
{
    if (!property)
        return;
    for (ZProperty* p : m_persistent)
        if (p == property)
            return;
    m_persistent.push_back(property);
}

void ZLevelControl::LinkEntries()
{
    if (m_entries.empty())
        return;
    ZLevelControlEntry* first = m_entries.front();
    for (ZProperty* property : m_persistent)
    {
        std::string value = property->ToText();
        if (value.size() > 128)
            value.resize(128);
        first->SetAssignment(property->GetName(), value);
    }

    SettingAssignments snapshot = first->settings;
    // One entry takes the running snapshot and adds what it changes itself.
    auto take = [&snapshot](ZLevelControlEntry* entry)
    {
        entry->settings = snapshot;
        if (ZLevelProperty* property = ZEntityCast<ZLevelProperty>(entry); property && property->persistent)
            property->SetAssignment(property->name, property->value);
        snapshot = entry->settings;
    };
    for (ZLevelControlEntry* entry : m_entries)
    {
        ZLevelState* screen = ZEntityCast<ZLevelState>(entry);
        take(entry);
        if (screen && screen->kind == ZLevelState::kStory && screen->GetStoryFlag())
        {
            screen->SetAssignment(screen->GetStoryFlag()->GetName(), "true");
            snapshot = screen->settings;
        }
        if (screen)
            for (const auto& child : screen->GetChildren())
                take(child.get());
        if (ZLevel* level = ZEntityCast<ZLevel>(entry))
        {
            const std::string* theme = level->FindAssignment(kTheme);
            const int32_t parsed = theme ? ParseThemeName(theme->c_str()) : -1;
            level->theme = parsed < 0 ? 0 : parsed;
        }
    }
}

// ---- progress position ----

void ZLevelControl::ResetProgress()
{
    m_index = -1;
    m_current = nullptr;
    m_pending = nullptr;
    if (ZProperty* randomize = FindSetting(kRandomizeLevels))
        randomize->SetFromText("false", false, true);
    GetGameShell()->OnCampaignMapChange(IGameShell::kMapReset, 0);
    m_lastLevel = nullptr;
    m_jumped = false;
    m_hold = false;
    m_advanceRequested = false;
}

void ZLevelControl::SetEntryIndex(int index)
{
    const int last = int(m_entries.size()) - 1;
    m_index = index < -1 ? -1 : (index > last ? last : index);
}

void ZLevelControl::ResetEntries()
{
    for (ZLevelControlEntry* entry : m_entries)
        entry->Reset();
    m_pending = nullptr;
    m_current = nullptr;
    m_index = -1;
}

void ZLevelControl::ApplyCurrentSettings()
{
    if (m_entries.empty())
    {
        std::fprintf(stderr, "Campaign: no entries, no settings to restore\n");
        return;
    }
    const int index = m_index < 0 ? 0 : (m_index >= int(m_entries.size()) ? int(m_entries.size()) - 1 : m_index);
    m_entries[size_t(index)]->ApplySettings();
}

bool ZLevelControl::RewindToCheckpoint()
{
    if (m_index < 1 || m_entries.empty())
        return false;
    if (m_index >= int(m_entries.size()))
        m_index = int(m_entries.size()) - 1;
    ZLevel* level = ZEntityCast<ZLevel>(m_entries[size_t(m_index)]);
    if (level && level->medal >= 0 && m_index + 1 < int(m_entries.size()) &&
        m_entries[size_t(m_index) + 1]->IsCheckpoint())
        return true;
    // The entry at the index counts: from a checkpoint the campaign comes back to that same one.
    while (m_index > 0 && !m_entries[size_t(m_index)]->IsCheckpoint())
        --m_index;
    if (m_index > 0)
        --m_index;
    else
        m_index = -1;
    return true;
}

int ZLevelControl::GetFurthestLevelIndex() const
{
    const int count = int(m_levels.size());
    for (int i = count - 1; i >= 0; --i)
    {
        if (m_levels[size_t(i)]->medal >= 0)
        {
            const int number = m_levels[size_t(i)]->number;
            return number > count - 1 ? count - 1 : number;
        }
    }
    return 0;
}

void ZLevelControl::SelectLevel(int index)
{
    if (m_levels.empty())
        return;
    const int last = int(m_levels.size()) - 1;
    index = index < 0 ? 0 : (index > last ? last : index);
    m_pending = m_levels[size_t(index)];
}

void ZLevelControl::NextEntry()
{
    if (m_entries.empty())
        return;
    if (m_index < int(m_entries.size()) - 1)
        ++m_index;
    ZLevelControlEntry* entry = m_entries[size_t(m_index)];
    entry->ApplySettings();
    if (ZLevel* level = ZEntityCast<ZLevel>(entry))
        level->medal = kMedalGold;
    GetGameShell()->OnCampaignMapChange(IGameShell::kMapRefresh, 0);
}

void ZLevelControl::PreviousEntry()
{
    if (m_current)
        m_current->Reset();
    if (m_index > -1)
        --m_index;
    if (m_index >= 0 && m_index < int(m_entries.size()))
        m_entries[size_t(m_index)]->ApplySettings();
    GetGameShell()->OnCampaignMapChange(IGameShell::kMapRefresh, 0);
}

// ---- stepping ----

bool ZLevelControl::PreviousWas(const char* const* names) const
{
    if (!m_previousState)
        return false;
    const char* name = m_previousState->GetName();
    for (; name && *names; ++names)
        if (std::strcmp(name, *names) == 0)
            return true;
    return false;
}

void ZLevelControl::OnFadeInDone()
{
    m_previousState = GetRelated();
    if (PreviousWas(kDiveStates))
    {
        if (ZStatsLog* stats = ZStatsLog::PeekInstance(); stats && stats->BeginRecord("level-abort"))
        {
            int32_t level = 0;
            ParseSettingInt(SettingText(kProfileLevel).c_str(), &level);
            stats->SetInt("level", level);
            stats->SetText("board", m_lastLevel ? m_lastLevel->GetName() : "");
            IDiveStarter* dive = GetDiveStarter();
            stats->SetFloat("time", dive ? dive->GetDiveSeconds() : 0.0f);
            stats->Flush();
        }
    }
    // The advance runs from the next step: switching from inside the stack's own switch would
    // nest one switch in another.
    m_advanceRequested = true;
}

void ZLevelControl::OnLeave()
{
    if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
        profiles->SaveProfile();
}

void ZLevelControl::Update()
{
    // While the campaign state fades back in, its return is not complete: the advance comes
    // from the end of the fade.
    if (!IsInPlay() || TestFlags(kStateSwitchingIn | kStateFadingIn))
        return;
    if (g_engine && g_engine->IsLoading())
        return;
    ZGame* game = ZGame::PeekInstance();
    if (game && (game->GetPendingState() || game->GetNextState()))
        return;
    if (m_advanceRequested)
    {
        m_advanceRequested = false;
        Advance();
        return;
    }
    if (!m_current)
        return;
    if (!m_hold && m_current->IsDone())
        Advance();
    else
        m_current->Update(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
}

void ZLevelControl::RunCurrent(bool setHold)
{
    if (!m_current)
        return;
    const bool done = m_current->IsDone();
    m_current->Run();
    // Only an entry that put a screen up waits for the campaign state to come back; one that
    // showed nothing would otherwise hold the campaign for good.
    if (setHold)
        m_hold = done && m_current->ShowedScreen();
    else if (!m_current->ShowedScreen())
        m_hold = false;
}

void ZLevelControl::GoToMainMenu()
{
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return;
    for (const char* const* name = kMainMenus; *name; ++name)
    {
        if (ZGameState* menu = game->FindState(*name))
        {
            game->ClearStates(menu);
            return;
        }
    }
    std::fprintf(stderr, "Campaign: no main menu to return to\n");
}

void ZLevelControl::Advance()
{
    // Only the advance right after a return from a menu or the dive counts as coming from there;
    // entries that follow without showing a screen step on from where that one left off.
    const bool fromMenu = PreviousWas(kMenuStates);
    m_previousState = nullptr;
    // Test mode: the one board named by the setting, again and again.
    const std::string testBoard = SettingText(kTestBoard);
    if (!testBoard.empty())
    {
        if (!m_testLevel)
        {
            m_testLevel = std::make_unique<ZLevel>();
            m_testLevel->SetBoardName(testBoard.c_str());
            m_testLevel->number = ZLevel::kTestLevelNumber;
        }
        m_current = m_pending = m_testLevel.get();
        RunCurrent(false);
        return;
    }
    if (m_entries.empty())
    {
        std::fprintf(stderr, "Campaign: the script holds no entries; nothing to play\n");
        return;
    }
    const int lastIndex = int(m_entries.size()) - 1;

    if (m_pending)
    {
        ZLevel* pendingLevel = ZEntityCast<ZLevel>(m_pending);
        const int furthest = GetFurthestLevelIndex();
        // The next level in line: the script runs on, with whatever comes before that level. The
        // final level counts as next in line until it is won, or the campaign would never reach
        // what follows it.
        const bool finalLevel = furthest == int(m_levels.size()) - 1;
        if (pendingLevel && pendingLevel->number - 1 == furthest && (!finalLevel || pendingLevel->medal < 0))
        {
            m_pending = nullptr;
        }
        else if (m_pending == m_current)
        {
            // Back from a level played out of order: the script resumes where it stood.
            m_pending = nullptr;
            SetEntryIndex(m_index);
            m_current = m_index >= 0 ? m_entries[size_t(m_index)] : m_entries.front();
            if (!m_current->IsCheckpoint())
            {
                if (m_index > 0 && m_entries[size_t(m_index) - 1]->IsCheckpoint())
                    --m_index;
                else if (m_index < lastIndex && m_entries[size_t(m_index) + 1]->IsCheckpoint())
                    ++m_index;
                m_current = m_entries[size_t(m_index < 0 ? 0 : m_index)];
            }
            RunCurrent(false);
            return;
        }
        else
        {
            m_current = m_pending;
            m_lastLevel = pendingLevel;
            if (pendingLevel && (SettingIsOn(kRandomizeLevels) || SettingIsOn(kUnlockAll)) &&
                pendingLevel->number > furthest - 1)
                pendingLevel->ApplySettings();
            RunCurrent(false);
            return;
        }
    }

    ZLevel* currentLevel = ZEntityCast<ZLevel>(m_current);
    if (currentLevel && currentLevel != m_testLevel.get())
    {
        if (currentLevel->medal >= 0 || currentLevel->WasPassed() || RewindToCheckpoint())
        {
            if (m_index < lastIndex)
                ++m_index;
        }
        else
        {
            GoToMainMenu();
            m_current = nullptr;
            m_index = -1;
            return;
        }
    }
    else
    {
        if (fromMenu && !RewindToCheckpoint() && m_index == 0)
            m_index = -1;
        if (m_index >= lastIndex)
            return;
        ++m_index;
    }

    ApplyCurrentSettings();
    if (m_index > lastIndex)
    {
        m_index = lastIndex;
        if (m_index > 0 && m_entries[size_t(m_index)]->IsCheckpoint())
            --m_index;
    }
    if (m_index < 0)
        m_index = 0;
    m_jumped = false;
    m_current = m_entries[size_t(m_index)];
    if (ZLevel* level = ZEntityCast<ZLevel>(m_current))
    {
        m_lastLevel = level;
        SetSettingInt(kProfileLevel, level->number);
        if (SettingIsOn(kRandomizeLevels) && !m_levels.empty())
        {
            const int r = std::rand() % int(m_levels.size()) + 1;
            SetSettingInt(kProfileLevel, r);
            m_current = m_lastLevel = m_levels[size_t(r) - 1];
            m_jumped = true;
        }
    }
    RunCurrent(true);
}

// ---- the confirm dialog ----

void ZLevelControl::OnDialogAccepted(ZDialogGameState* state)
{
    (void)state;
    GetGameShell()->OnCampaignMapChange(IGameShell::kMapSelectLevel, m_lastLevel ? m_lastLevel->number - 1 : 0);
    RewindToCheckpoint();
    if (ZGame* game = ZGame::PeekInstance())
        game->ClearStates(this);
}
