// The campaign script's entries: what each does when it runs, how it reads its attributes and
// what it writes to the progress file.
#include "game/dive/campaign/ZLevelControlEntry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/app/ZGame.h"
#include "engine/app/ZGameState.h"
#include "engine/core/ZMath.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZPropertyManager.h"
#include "game/common/IGameShell.h"
#include "game/common/ZThemes.h"
#include "game/dive/campaign/ZLevelControl.h"

namespace
{
IDiveStarter* g_diveStarter = nullptr;

constexpr ZNameId kAttrLci{"lci"};
constexpr ZNameId kAttrName{"name"};
constexpr ZNameId kAttrScore{"score"};
constexpr ZNameId kAttrMedal{"medal"};
constexpr ZNameId kAttrKey{"key"};
constexpr ZNameId kAttrLevel{"level"};
constexpr ZNameId kAttrNumber{"number"};
constexpr ZNameId kAttrSsi{"ssi"};
constexpr ZNameId kAttrStory{"story"};
constexpr ZNameId kAttrMission{"mission"};
constexpr ZNameId kAttrValue{"value"};
constexpr ZNameId kAttrTip{"tip"};
constexpr ZNameId kAttrTime{"time"};
constexpr ZNameId kAttrPersistent{"persistent"};


// An integer attribute; the fallback when the text holds no number (a wrong type in a file).
int32_t IntOr(const char* text, int32_t fallback)
{
    int32_t value = 0;
    return text && ParseSettingInt(text, &value) ? value : fallback;
}

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

void WriteInt(ISaveVisitor* visitor, const char* name, int32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%i", int(value));
    visitor->Attribute(name, buffer);
}

// A child element handed to a setter, as an entry; null for text or another kind of object.
ZLevelControlEntry* HandedEntry(const char* value)
{
    const ZEntity* child = SerializedChild<ZEntity>(value);
    return ZEntityCast<ZLevelControlEntry>(const_cast<ZEntity*>(child));
}
} // namespace

IDiveStarter* GetDiveStarter()
{
    return g_diveStarter;
}

void SetDiveStarter(IDiveStarter* starter)
{
    g_diveStarter = starter;
}

int32_t ParseMedalName(const char* text)
{
    if (!text)
        return kMedalNone;
    for (int32_t i = 0; i < kMedalCount; ++i)
        if (std::strcmp(text, kMedalNames[i]) == 0)
            return i;
    return kMedalNone;
}

int32_t ParseThemeName(const char* text)
{
    if (text && std::strcmp(text, "random") == 0)
        return std::rand() % kThemeCount;
    return FindThemeIndex(text);
}

// ---- ZLevelControlEntry ----

void ZLevelControlEntry::ApplySettings()
{
    ZPropertyManager* manager = ZPropertyManager::PeekInstance();
    if (!manager)
        return;
    for (const auto& [name, text] : settings)
    {
        ZProperty* property = manager->Find(name);
        if (property && !property->EqualsText(text.c_str()))
            property->SetFromText(text.c_str(), false, true);
    }
}

bool ZLevelControlEntry::SetAttribute(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (id == kAttrLci.Value() && !SerializedChild<ZEntity>(value))
    {
        lci = IntOr(value, -1);
        if (lci < -1)
            lci = -1;
        return true;
    }
    return false;
}

void ZLevelControlEntry::WriteAttributes(ISaveVisitor* visitor) const
{
    if (visitor && lci != -1)
        WriteInt(visitor, "lci", lci);
}

void ZLevelControlEntry::SetAssignment(const std::string& name, const std::string& value)
{
    for (auto& assignment : settings)
    {
        if (assignment.first == name)
        {
            assignment.second = value;
            return;
        }
    }
    settings.emplace_back(name, value);
}

const std::string* ZLevelControlEntry::FindAssignment(const std::string& name) const
{
    for (const auto& assignment : settings)
        if (assignment.first == name)
            return &assignment.second;
    return nullptr;
}

// ---- ZLevel ----

void ZLevel::Reset()
{
    score = 0;
    medal = kMedalNone;
}

void ZLevel::SetBoardName(const char* name)
{
    m_name = Text(name);
    m_boardPath = "resources:boards/" + m_name;
}

void ZLevel::Run()
{
    m_passed = false;
    m_started = false;
    IDiveStarter* starter = GetDiveStarter();
    ZGameState* dive = starter ? starter->StartLevel(this) : nullptr;
    if (!dive)
    {
        // Without the dive the campaign goes on without a medal rather than stopping for good.
        std::fprintf(stderr, "Campaign: no dive screen to play level %i \"%s\"; passed\n", int(number),
                     m_name.c_str());
        m_passed = true;
        return;
    }
    m_started = true;
    if (ZGame* game = ZGame::PeekInstance())
        game->ClearStates(dive);
}

bool ZLevel::SetAttribute(uint32_t id, const char* name, const char* value)
{
    if (SerializedChild<ZEntity>(value))
        return false;
    if (id == kAttrName.Value())
    {
        SetBoardName(value);
        return true;
    }
    if (id == kAttrMedal.Value())
    {
        medal = ParseMedalName(value);
        return true;
    }
    if (id == kAttrScore.Value())
    {
        score = IntOr(value, 0);
        if (score < 0)
            score = 0;
        return true;
    }
    if (id == kAttrKey.Value())
    {
        key = IntOr(value, -1);
        return true;
    }
    return ZLevelControlEntry::SetAttribute(id, name, value);
}

void ZLevel::WriteAttributes(ISaveVisitor* visitor) const
{
    if (!visitor)
        return;
    visitor->Attribute("name", m_name.c_str());
    if (medal != kMedalNone)
    {
        const char* text = MedalName(medal);
        visitor->Attribute("medal", text ? text : "");
    }
    if (score > 0)
        WriteInt(visitor, "score", score);
    ZLevelControlEntry::WriteAttributes(visitor);
}

// ---- ZLevelState ----

ZLevelState::~ZLevelState() = default;

const char* ZLevelState::KindName(int32_t kind)
{
    switch (kind)
    {
    case kStory:
        return "story";
    case kBigStory:
        return "bigstory";
    case kMap:
        return "map";
    case kCharacters:
        return "characters";
    case kBonus:
        return "bonus";
    case kShop:
        return "shop";
    default:
        return "";
    }
}

int32_t ZLevelState::ParseKind(const char* text)
{
    if (!text)
        return kNone;
    for (int32_t kind : {kStory, kBigStory, kMap, kCharacters, kBonus, kShop})
        if (std::strcmp(text, KindName(kind)) == 0)
            return kind;
    return kNone;
}

ZGameState* ZLevelState::ResolveTarget() const
{
    if (kind == kNone || kind == kBigStory)
        return nullptr;
    if (ZGameState* screen = GetGameShell()->GetCampaignScreen(KindName(kind), level))
        return screen;
    ZGame* game = ZGame::PeekInstance();
    if (!game)
        return nullptr;
    // The screens' own state names, for a game object that does not hand them out.
    char name[32];
    switch (kind)
    {
    case kStory:
        if (ZGameState* story = game->FindState("gamestoryscreen"))
            return story;
        return game->FindState("storyscreen");
    case kMap:
        return game->FindState("mapscreen");
    case kCharacters:
        return game->FindState("characterscreen");
    case kBonus:
        std::snprintf(name, sizeof(name), "hiddenobjectgame%i", int(level));
        return game->FindState(name);
    case kShop:
        std::snprintf(name, sizeof(name), "shop%i", int(level));
        return game->FindState(name);
    default:
        return nullptr;
    }
}

void ZLevelState::Reset()
{
    m_current = nullptr;
    ssi = 0;
    m_shown = false;
    m_target = nullptr;
    for (auto& child : m_children)
        child->Reset();
}

bool ZLevelState::HasMoreSteps() const
{
    return ssi < int32_t(m_children.size()) - 1;
}

void ZLevelState::StartNextChild()
{
    if (ssi >= 0 && ssi < int32_t(m_children.size()))
    {
        m_current = m_children[size_t(ssi)].get();
        ++ssi;
        if (ZLevelEvent* event = ZEntityCast<ZLevelEvent>(m_current))
            event->target = m_target;
        m_current->Run();
    }
    else
    {
        m_current = nullptr;
    }
}

void ZLevelState::Run()
{
    m_shown = false;
    if (m_storyFlag)
    {
        m_storyFlag->SetFromText("true", false, true);
    }
    m_target = ResolveTarget();
    if (m_target)
    {
        GetGameShell()->PrepareCampaignScreen(KindName(kind), level, story.c_str(), mission.c_str(), value.c_str(),
                                              tip.c_str());
        ZGame::GotoState(m_target);
        m_shown = ZGame::PeekInstance() != nullptr;
    }
    else
    {
        std::fprintf(stderr, "Campaign: no %s screen for entry %i (\"%s\"); passed\n",
                     kind == kNone ? "such" : KindName(kind), int(lci), KindName(kind));
    }
    StartNextChild();
}

void ZLevelState::Update(double dt)
{
    size_t guard = m_children.size() + 1;
    while (m_current && m_current->IsDone() && guard-- > 0)
        StartNextChild();
    ZGame* game = ZGame::PeekInstance();
    if (m_current && (!m_target || (game && game->GetTopState() == m_target)))
        m_current->Update(dt);
}

bool ZLevelState::IsDone() const
{
    if (m_target && m_target->IsInPlay())
        return false;
    return ssi >= int32_t(m_children.size()) - 1;
}

void ZLevelState::ApplySettings()
{
    if (m_children.empty())
    {
        ZLevelControlEntry::ApplySettings();
        return;
    }
    const size_t index = ssi >= 0 && size_t(ssi) < m_children.size() ? size_t(ssi) : m_children.size() - 1;
    m_children[index]->ApplySettings();
}

void ZLevelState::CopyFrom(const ZLevelControlEntry& other)
{
    const ZLevelState* saved = ZEntityCast<ZLevelState>(&other);
    if (!saved)
        return;
    // A hand-edited file may hold any number; only positions among the children make sense.
    const int32_t last = int32_t(m_children.size());
    ssi = saved->ssi < 0 ? 0 : (saved->ssi > last ? last : saved->ssi);
}

bool ZLevelState::SetAttribute(uint32_t id, const char* name, const char* value)
{
    if (ZLevelControlEntry* child = HandedEntry(value))
    {
        // Children are the steps shown over the screen; levels and screens are top-level only.
        if (!ZEntityCast<ZLevelEvent>(child) && !ZEntityCast<ZLevelProperty>(child) &&
            !ZEntityCast<ZLevelDelay>(child))
        {
            std::fprintf(stderr, "Campaign: a %s inside a screen entry is ignored\n", child->GetElementName());
            return false;
        }
        std::unique_ptr<ZLevelControlEntry> owned = ZLevelControl::AdoptImported(child);
        if (!owned)
            return false;
        m_children.push_back(std::move(owned));
        return true;
    }
    if (SerializedChild<ZEntity>(value))
        return false;
    if (id == kAttrName.Value())
    {
        kind = ParseKind(value);
        return true;
    }
    if (id == kAttrLevel.Value() || id == kAttrNumber.Value())
    {
        level = IntOr(value, 0);
        return true;
    }
    if (id == kAttrSsi.Value())
    {
        ssi = IntOr(value, 0);
        return true;
    }
    if (id == kAttrStory.Value())
    {
        story = Text(value);
        return true;
    }
    if (id == kAttrMission.Value())
    {
        mission = Text(value);
        return true;
    }
    if (id == kAttrValue.Value())
    {
        this->value = Text(value);
        return true;
    }
    if (id == kAttrTip.Value())
    {
        tip = Text(value);
        return true;
    }
    return ZLevelControlEntry::SetAttribute(id, name, value);
}

void ZLevelState::OnLoaded()
{
    if (!m_firstLoad)
        return;
    m_firstLoad = false;
    // Temporary entries of a progress file make no settings.
    if (kind != kStory || story.empty() || ZLevelControl::IsReadingProgress())
        return;
    ZLevelControl* control = ZLevelControl::GetImporting();
    if (!control)
        return;
    m_storyFlag = control->GetOrCreateStoryFlag(story);
    if (m_storyFlag)
        control->AddPersistent(m_storyFlag);
}

void ZLevelState::WriteAttributes(ISaveVisitor* visitor) const
{
    if (!visitor)
        return;
    WriteInt(visitor, "ssi", ssi);
    ZLevelControlEntry::WriteAttributes(visitor);
}

// ---- ZLevelDelay ----

void ZLevelDelay::CopyFrom(const ZLevelControlEntry& other)
{
    if (const ZLevelDelay* saved = ZEntityCast<ZLevelDelay>(&other))
        elapsed = saved->elapsed;
}

bool ZLevelDelay::SetAttribute(uint32_t id, const char* name, const char* value)
{
    if (id == kAttrTime.Value() && !SerializedChild<ZEntity>(value))
    {
        duration = value ? ParseFloatWithPi(value) : 0.0f;
        return true;
    }
    return ZLevelControlEntry::SetAttribute(id, name, value);
}

// ---- ZLevelEvent ----

void ZLevelEvent::Run()
{
    ILevelEventTarget* receiver = dynamic_cast<ILevelEventTarget*>(target);
    if (!receiver)
    {
        std::fprintf(stderr, "Campaign: event \"%s\" (entry %i) has no screen to take it; passed\n",
                     eventName.c_str(), int(lci));
        return;
    }
    ZEvent event;
    event.id = eventId;
    event.args = args;
    receiver->OnLevelEvent(event);
}

bool ZLevelEvent::SetAttribute(uint32_t id, const char* name, const char* value)
{
    if (SerializedChild<ZEntity>(value))
        return false;
    if (id == kAttrName.Value())
    {
        eventName = Text(value);
        eventId = value ? ZNameId(value) : ZNameId();
        return true;
    }
    if (ZLevelControlEntry::SetAttribute(id, name, value))
        return true;
    if (name && value)
        args.Set(name, value);
    return true;
}

// ---- ZLevelProperty ----

void ZLevelProperty::Run()
{
    if (!property)
    {
        if (ZPropertyManager* manager = ZPropertyManager::PeekInstance())
            property = manager->Find(name);
    }
    if (property)
        property->SetFromText(value.c_str(), false, true);
}

bool ZLevelProperty::SetAttribute(uint32_t id, const char* name, const char* value)
{
    if (SerializedChild<ZEntity>(value))
        return false;
    if (id == kAttrName.Value())
    {
        this->name = Text(value);
        return true;
    }
    if (id == kAttrValue.Value())
    {
        this->value = Text(value);
        return true;
    }
    if (id == kAttrPersistent.Value())
    {
        persistent = value && (value[0] == '1' || std::strcmp(value, "true") == 0);
        return true;
    }
    return ZLevelControlEntry::SetAttribute(id, name, value);
}

void ZLevelProperty::OnLoaded()
{
    if (m_resolved)
        return;
    m_resolved = true;
    if (ZPropertyManager* manager = ZPropertyManager::PeekInstance())
        property = manager->Find(name);
    if (persistent && property && !ZLevelControl::IsReadingProgress())
        if (ZLevelControl* control = ZLevelControl::GetImporting())
            control->AddPersistent(property);
}
