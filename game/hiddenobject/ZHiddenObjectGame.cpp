// The bonus game's registry, loading, layout, per-frame step, buttons and stack hooks.
#include "game/hiddenobject/ZHiddenObjectGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/app/ZEngine.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZSerializer.h"
#include "engine/resource/ZStringTable.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/decoration/ZBackground.h"
#include "game/hiddenobject/ZHiddenObject.h"
#include "game/hiddenobject/ZHiddenObjectLevel.h"
#include "game/hiddenobject/ZHiddenObjectSettings.h"

const char* const ZHiddenObjectGame::kLocationTitles[kLocationCount] = {"reef", "wreck", "temple"};

namespace
{
constexpr const char* kCommonContext = "hiddenobjectcommon";
constexpr const char* kHintTexture = "resources:hiddenobjecthint.png";

std::map<uint32_t, std::unique_ptr<ZHiddenObjectGame>>& Registry()
{
    static std::map<uint32_t, std::unique_ptr<ZHiddenObjectGame>> registry;
    return registry;
}

ZHiddenObjectGame* FindForFile(const char* name)
{
    return ZHiddenObjectGame::Peek(name);
}

ZSerializerRTTI<ZHiddenObjectGame> s_serializer(true, &ZSerializerRTTI<ZHiddenObjectGame>::NoCreate, &FindForFile);

// The resources of the shared layout are made once, by whichever game loads first; every game
// holds all of them, so each one has them loaded while it is on the stack.
class CommonResources : public ZResourceContext
{
public:
    void OnResourceAdded(ZResource* resource) override
    {
        if (resource && std::find(list.begin(), list.end(), resource) == list.end())
            list.push_back(resource);
    }
    void OnResourceRemoved(ZResource* resource) override
    {
        list.erase(std::remove(list.begin(), list.end(), resource), list.end());
    }
    std::vector<ZResource*> list;
};

CommonResources& CommonContext()
{
    static CommonResources context;
    return context;
}

double Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}
} // namespace

ZHiddenObjectGame::ZHiddenObjectGame()
{
    SetFlags(kStateResourcesWhileStacked);
}

ZHiddenObjectGame::~ZHiddenObjectGame()
{
    if (m_listening)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    if (m_confirm)
        m_confirm->RemoveListener(this);
}

ZHiddenObjectGame* ZHiddenObjectGame::Peek(const char* name)
{
    if (!name)
        return nullptr;
    auto it = Registry().find(ZNameId(name).Value());
    return it == Registry().end() ? nullptr : it->second.get();
}

ZHiddenObjectGame* ZHiddenObjectGame::Get(const char* name)
{
    if (!name)
        return nullptr;
    if (ZHiddenObjectGame* game = Peek(name))
        return game;
    auto game = std::make_unique<ZHiddenObjectGame>();
    game->m_instanceName = name;
    ZHiddenObjectGame* raw = game.get();
    Registry().emplace(ZNameId(name).Value(), std::move(game));
    return raw;
}

ZHiddenObjectGame* GetHiddenObjectGame(const char* name)
{
    return ZHiddenObjectGame::Get(name);
}

void ZHiddenObjectGame::ReleaseAll()
{
    Registry().clear();
    ZHiddenObjectLevel::ReleaseAll();
    ZHiddenObject::ReleaseAll();
}

void ZHiddenObjectGame::Setup(int location, const char* locationFile, const char* levelFile)
{
    m_location = std::clamp(location, 0, kLocationCount - 1);
    m_locationFile = locationFile ? locationFile : "";
    m_levelFile = levelFile ? levelFile : "";
}

void ZHiddenObjectGame::SetConfirmDialog(ZDialogGameState* dialog)
{
    if (m_confirm)
        m_confirm->RemoveListener(this);
    m_confirm = dialog;
    if (m_confirm)
        m_confirm->AddListener(this);
}

bool ZHiddenObjectGame::IsTop() const
{
    ZGame* game = ZGame::PeekInstance();
    return game && game->GetTopState() == this;
}

void ZHiddenObjectGame::ScreenSize(float& w, float& h) const
{
    w = 800.0f;
    h = 600.0f;
    if (auto* engine = dynamic_cast<ZGameEngine*>(g_engine))
        engine->GetLogicalScreenSize(w, h);
}

// ---------------------------------------------------------------------------------- loading

bool ZHiddenObjectGame::EnsureLoaded()
{
    if (TestFlags(kStateLoaded))
        return true;
    return Load() == 0;
}

void ZHiddenObjectGame::ClearBuilt()
{
    ZNode* root = GetRoot();
    while (ZNode* child = root->GetFirstChild())
    {
        root->RemoveChild(child);
        child->Release();
    }
    m_levels.clear();
    m_levelList.clear();
    m_definitions.clear();
    m_byNode.clear();
    m_byKey.clear();
    m_texts.clear();
    m_checkmarks.clear();
    m_picture = nullptr;
    m_background = m_items = m_gui = m_sidebar = nullptr;
    m_leaveButton = m_menuButton = m_hintButton = nullptr;
    std::fill(std::begin(m_arrows), std::end(m_arrows), nullptr);
    m_hintProgress = nullptr;
    m_hintMarker = nullptr;
    m_hintController = nullptr;
    m_level = nullptr;
}

int ZHiddenObjectGame::Build()
{
    ClearBuilt();
    ZNode* root = GetRoot();
    ZResourceManager* manager = ZResourceManager::PeekInstance();
    const bool pushed = manager && manager->PushContext(ZNameId(kCommonContext).Value(), &CommonContext()) == 0;
    int result = ImportSceneFile(ZResourcePath("resources:hiddenobjectui.xml"), root);
    if (result == 0)
        result = ImportSceneFile(ZResourcePath("resources:hiddenobject_resources.xml"), root);
    if (pushed)
        manager->PopContext();
    for (ZResource* resource : CommonContext().list)
        OnResourceAdded(resource);
    if (result != 0)
    {
        std::fprintf(stderr, "Hidden objects: %s: the common layout cannot be read\n", m_instanceName.c_str());
        return result;
    }
    if (ImportSceneFile(ZResourcePath(m_locationFile.c_str()), root) != 0)
    {
        std::fprintf(stderr, "Hidden objects: %s: location file \"%s\" cannot be read\n", m_instanceName.c_str(),
                     m_locationFile.c_str());
        return 1;
    }
    FindNodes();
    if (!m_picture || !m_items || !m_background)
    {
        std::fprintf(stderr, "Hidden objects: %s: \"%s\" has no level, level/background or level/items\n",
                     m_instanceName.c_str(), m_locationFile.c_str());
        return 1;
    }
    LayoutSidebar();
    m_view = GetStartPosition();
    m_view.z = m_picture->Position().z;
    m_target = m_view;
    PlacePicture();
    RegisterItems();
    CreateHintMarker();
    if (ImportSceneFile(ZResourcePath(m_levelFile.c_str()), root) != 0)
    {
        // A broken or cut-off file may have handed over part of its levels: none of them is kept.
        std::fprintf(stderr, "Hidden objects: %s: level file \"%s\" cannot be read; the location has no levels\n",
                     m_instanceName.c_str(), m_levelFile.c_str());
        m_levels.clear();
        m_levelList.clear();
        return 1;
    }
    CheckLevels();
    return 0;
}

void ZHiddenObjectGame::FindNodes()
{
    ZNode* root = GetRoot();
    m_picture = ZEntityCast<ZGroup>(root->FindNode("level"));
    m_background = root->FindNode("level/background");
    m_items = root->FindNode("level/items");
    if (m_picture)
        m_picture->OrFlagsRecursive(kNodeSnapToPixels);
    m_pictureW = m_pictureH = 0.0f;
    if (ZSprite* sprite = ZEntityCast<ZSprite>(m_background))
    {
        const V2 size = sprite->GetScaledSize();
        m_pictureW = size.x;
        m_pictureH = size.y;
    }
    else if (ZGeom* geom = ZEntityCast<ZGeom>(m_background))
    {
        ZBoundingBox box;
        geom->AccumulateBounds(box);
        if (box.max.x >= box.min.x)
        {
            m_pictureW = box.max.x - box.min.x;
            m_pictureH = box.max.y - box.min.y;
        }
    }
    m_leaveButton = ZEntityCast<ZButton2D>(root->FindNode("gui/button_leave"));
    m_menuButton = ZEntityCast<ZButton2D>(root->FindNode("gui/button_menu"));
    m_hintButton = ZEntityCast<ZButton2D>(root->FindNode("gui/button_hint"));
    for (ZButton2D* button : {m_leaveButton, m_menuButton, m_hintButton})
        if (button)
            button->AddListener(this);
    const char* arrows[4] = {"gui/arrows/arrow_up", "gui/arrows/arrow_down", "gui/arrows/arrow_left",
                             "gui/arrows/arrow_right"};
    for (int i = 0; i < 4; ++i)
    {
        m_arrows[i] = root->FindNode(arrows[i]);
        if (ZSprite* sprite = ZEntityCast<ZSprite>(m_arrows[i]))
        {
            // Breathing between faint and clear, starting at its faintest.
            ZPulsateController* pulse = ZPulsateController::Create(sprite);
            if (pulse)
            {
                pulse->scaleAmplitude = 0.0f;
                pulse->alphaBase = 0.5f;
                pulse->alphaAmplitude = 0.3f;
                pulse->alphaPhase = 1.5f * 3.1415927f;
            }
        }
        if (m_arrows[i])
        {
            m_arrows[i]->SetFlags(kNodePickable);
            m_arrows[i]->SetActive(false);
        }
    }
    if (m_hintButton)
    {
        if (ZSprite* bar = ZEntityCast<ZSprite>(m_hintButton->FindNode("hint_progress")))
        {
            m_hintProgress = ZProgressBar::Create(bar);
            if (m_hintProgress)
                m_hintProgress->SetValue(1.0f);
        }
        m_hintButton->SetEnabled(true);
    }
    for (int i = 0; i < 4; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "ho_penscratch_%i", i);
        m_scratch[i] = ZSound::Find(name);
    }
    m_sparkle = ZMaterial::Find("sparkly_material");
    char name[32];
    std::snprintf(name, sizeof(name), "ho_triumph_bonus%i", m_location + 1);
    m_triumph = ZSound::Find(name);
    std::snprintf(name, sizeof(name), "ho_fail_bonus%i", m_location + 1);
    m_fail = ZSound::Find(name);
    m_wrong = ZSound::Find("ho_wrong");
    m_right = ZSound::Find("ho_right");
    m_gui = root->FindNode("gui");
    m_sidebar = root->FindNode("gui/sidebar");
}

void ZHiddenObjectGame::LayoutSidebar()
{
    m_texts.clear();
    m_checkmarks.clear();
    if (!m_gui)
        return;
    for (int i = 0; i < kMaxSlots; ++i)
    {
        char path[48];
        std::snprintf(path, sizeof(path), "texts/item_%i", i);
        ZFontText* text = ZEntityCast<ZFontText>(m_gui->FindNode(path));
        if (!text)
            break;
        std::snprintf(path, sizeof(path), "checkmarks/checkmark_%i", i);
        m_texts.push_back(text);
        m_checkmarks.push_back(m_gui->FindNode(path));
    }
    float w, h;
    ScreenSize(w, h);
    m_viewMin = {-(m_pictureW - w) / 2.0f - kSidebarWidth, -(m_pictureH - h) / 2.0f, 0.0f};
    m_viewMax = {(m_pictureW - w) / 2.0f, (m_pictureH - h) / 2.0f, 0.0f};
    ResetLayout();
}

void ZHiddenObjectGame::ResetLayout()
{
    for (size_t i = 0; i < m_texts.size(); ++i)
    {
        m_texts[i]->SetActive(false);
        if (m_checkmarks[i])
            m_checkmarks[i]->SetActive(false);
    }
    float w, h;
    ScreenSize(w, h);
    m_canScrollX = m_pictureW > w - kSidebarWidth;
    m_canScrollY = m_pictureH > h;
    for (int i = 0; i < 4; ++i)
        if (m_arrows[i])
            m_arrows[i]->SetActive(i < 2 ? m_canScrollY : m_canScrollX);
}

void ZHiddenObjectGame::RegisterItems()
{
    m_byNode.clear();
    m_byKey.clear();
    for (ZNode* node = m_items->GetFirstChild(); node; node = node->GetNextSibling())
    {
        const char* name = node->GetName();
        if (!name || !name[0] || name[0] == '_')
            continue;
        node->SetFlags(kNodePickable);
        // The click reads the item's own pixels: its texture keeps an alpha copy after upload.
        if (ZSprite* sprite = ZEntityCast<ZSprite>(node))
            if (ZTextureResource* texture = SpriteRenderCalls().GetBaseTexture
                                                ? SpriteRenderCalls().GetBaseTexture(sprite->GetMaterial())
                                                : nullptr)
                texture->AddTextureFlags(kTextureKeepAlpha);
        char key[160];
        std::snprintf(key, sizeof(key), "ho%i_%s", m_location + 1, name);
        ZHiddenObject* object = ZHiddenObject::Find(key);
        if (!object)
            continue;
        object->SetName(name);
        object->SetNode(node);
        m_byNode[node] = object;
        m_byKey[ZNameId(key).Value()] = object;
    }
}

void ZHiddenObjectGame::CreateHintMarker()
{
    ZTexture* texture = ZTexture::FindOrLoad(kHintTexture, 0, kTextureLoadNow);
    m_hintMarker = texture ? ZSprite2D::CreateFromTexture(texture) : ZSprite2D::Create();
    if (!m_hintMarker)
        return;
    m_hintMarker->SetName("_hint");
    if (!texture)
        m_hintMarker->SetSize(64.0f, 64.0f);
    m_items->AddChild(m_hintMarker);
    m_hintMarker->SetActive(false);
    ZPulsateController* pulse = ZPulsateController::Create(m_hintMarker);
    if (pulse)
    {
        pulse->scaleAmplitude = 0.2f;
        pulse->scaleSpeed = 2.0f * 3.1415927f;
        m_hintController = pulse;
    }
}

ZHiddenObject* ZHiddenObjectGame::FindObjectForNode(ZNode* node) const
{
    auto it = m_byNode.find(node);
    return it == m_byNode.end() ? nullptr : it->second;
}

ZHiddenObject* ZHiddenObjectGame::FindObjectByKey(const char* key) const
{
    auto it = m_byKey.find(ZNameId(key).Value());
    return it == m_byKey.end() ? nullptr : it->second;
}

ZFontText* ZHiddenObjectGame::GetSlotText(int slot) const
{
    return slot >= 0 && slot < int(m_texts.size()) ? m_texts[size_t(slot)] : nullptr;
}

ZNode* ZHiddenObjectGame::GetCheckmark(int slot) const
{
    return slot >= 0 && slot < int(m_checkmarks.size()) ? m_checkmarks[size_t(slot)] : nullptr;
}

// ------------------------------------------------------------------------- the level file

bool ZHiddenObjectGame::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)id;
    ZEntity* child = const_cast<ZEntity*>(SerializedChild<ZEntity>(value));
    if (ZHiddenObjectLevel* level = ZEntityCast<ZHiddenObjectLevel>(child))
    {
        level->SetGame(this, m_location);
        if (m_levels.emplace(level->GetId(), level).second)
            m_levelList.push_back(level);
        level->InitTexts();
        return true;
    }
    if (ZHiddenObject* object = ZEntityCast<ZHiddenObject>(child))
    {
        if (std::find(m_definitions.begin(), m_definitions.end(), object) == m_definitions.end())
            m_definitions.push_back(object);
        return true;
    }
    return name && std::strcmp(name, "name") == 0;
}

void ZHiddenObjectGame::SaveAttributes(ISaveVisitor* visitor)
{
    if (visitor)
        visitor->Attribute("name", m_instanceName.c_str());
}

void ZHiddenObjectGame::CheckLevels()
{
    // Object definitions that name nothing in the picture cannot be found either.
    m_definitions.erase(std::remove_if(m_definitions.begin(), m_definitions.end(),
                                       [&](ZHiddenObject* object)
                                       {
                                           if (object->IsFindable())
                                               return false;
                                           std::fprintf(stderr,
                                                        "Hidden objects: %s: \"%s\" is nowhere in the picture; "
                                                        "left out\n",
                                                        m_instanceName.c_str(), object->GetName());
                                           return true;
                                       }),
                        m_definitions.end());
    std::vector<ZHiddenObjectLevel*> kept;
    for (ZHiddenObjectLevel* level : m_levelList)
    {
        if (CheckLevel(level))
        {
            kept.push_back(level);
            continue;
        }
        std::fprintf(stderr, "Hidden objects: %s: level \"%s\" has nothing to find; left out\n",
                     m_instanceName.c_str(), level->GetName());
        m_levels.erase(level->GetId());
    }
    m_levelList = kept;
}

bool ZHiddenObjectGame::CheckLevel(ZHiddenObjectLevel* level)
{
    std::vector<ZHiddenObject*> drop;
    for (const auto& [id, entry] : level->GetEntries())
    {
        if (!entry.object->IsFindable())
        {
            std::fprintf(stderr, "Hidden objects: %s: level \"%s\" lists \"%s\", which is not in the picture; "
                                 "left out\n",
                         m_instanceName.c_str(), level->GetName(), entry.object->GetName());
            drop.push_back(entry.object);
        }
    }
    for (ZHiddenObject* object : drop)
        level->RemoveObject(object);
    // Each entry takes one sidebar line: the entries beyond the last line are not played.
    const int slots = GetSlotCount();
    if (int(level->GetEntries().size()) > slots)
    {
        std::fprintf(stderr, "Hidden objects: %s: level \"%s\" lists %zu objects for %i lines; the rest are left "
                             "out\n",
                     m_instanceName.c_str(), level->GetName(), level->GetEntries().size(), slots);
        std::vector<ZHiddenObject*> beyond;
        int i = 0;
        for (const auto& [id, entry] : level->GetEntries())
            if (i++ >= slots)
                beyond.push_back(entry.object);
        for (ZHiddenObject* object : beyond)
            level->RemoveObject(object);
    }
    if (level->GetNeeded() > int(level->GetEntries().size()))
        level->SetNeeded(-1);
    level->InitTexts();
    return !level->GetEntries().empty();
}

// ------------------------------------------------------------------------- stack hooks

void ZHiddenObjectGame::OnEnter()
{
    if (ZBackground* background = ZBackground::PeekInstance())
        background->Show(false);
    if (!m_listening)
    {
        ZMousePointer::GetInstance()->AddListener(this);
        m_listening = true;
    }
    char name[32];
    std::snprintf(name, sizeof(name), "bonus%i", m_location + 1);
    IGameShell* shell = GetGameShell();
    shell->PlayPlayList(shell->FindPlayList(name));
    ResetScrolling();
    m_timeCurrent = Now();
    m_frameCurrent = GetFrameEntered();
}

void ZHiddenObjectGame::OnLeave()
{
    if (m_listening)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
        m_listening = false;
    }
    m_dragging = false;
}

void ZHiddenObjectGame::OnFadeInDone()
{
    if (m_phase != kPhaseIdle)
        return;
    m_levelStarted = false;
    m_stepX = m_stepY = 0;
    m_target = GetStartPosition();
    m_target.z = m_view.z;
    m_returning = true;
    // Without a prize dialog (the game object has none yet) the level starts at once.
    if (!m_level || !GetGameShell()->ShowBonusPrize(m_level, true, false))
        m_phase = kPhasePlaying;
}

void ZHiddenObjectGame::OnLoseFocus()
{
    StartFade(true);
}

void ZHiddenObjectGame::OnGainFocus()
{
    if (IsTop())
        StartFade(false);
}

void ZHiddenObjectGame::Pause(bool lost)
{
    StartFade(lost);
}

void ZHiddenObjectGame::OnPrizeDialogButton(bool startPage)
{
    m_phase = startPage ? kPhasePlaying : kPhaseIdle;
}

// ------------------------------------------------------------------------- the frame

void ZHiddenObjectGame::Update(double dt)
{
    UpdateScrolling(dt);
    UpdateFade();
    if (IsTop() && m_phase != kPhaseEnded)
    {
        UpdateHint();
        UpdateTips();
    }
    if (m_phase == kPhaseAllFound && Now() - m_lastFind > kEndDelaySeconds)
    {
        m_phase = kPhaseEnded;
        EndLevel(true);
    }
}

void ZHiddenObjectGame::UpdateTips()
{
    const double since = Now() - m_timeCurrent;
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (since > 1.0 && !hiddenobject::GetFlag("zelk.tip.hiddenobject") && !m_tipShown)
    {
        m_tipShown = true;
        hiddenobject::SetFlag("zelk.tip.hiddenobject");
        if (tips)
            tips->OpenTimedToolTip("hiddenobject", nullptr, 0, 3.0f);
    }
    if (since > 20.0 && !hiddenobject::GetFlag("zelk.tip.hiddenobjectscroll") && !m_scrollTipShown)
    {
        m_scrollTipShown = true;
        hiddenobject::SetFlag("zelk.tip.hiddenobjectscroll");
        if (tips)
            tips->OpenTimedToolTip("hiddenobjectedges", nullptr, 0, 3.0f);
    }
}

// ------------------------------------------------------------------------- buttons

void ZHiddenObjectGame::OnClicked(ZButton2D* button)
{
    if (!IsTop())
        return;
    if (button == m_hintButton)
    {
        UseHint();
        return;
    }
    if (button == m_leaveButton)
    {
        ZGame* game = ZGame::PeekInstance();
        const bool foundSomething = m_level && m_level->GetFoundCount() > 0;
        if (!foundSomething || !m_confirm)
        {
            // Nothing to lose yet (or no one to ask): out at once, without an end of level, unless
            // something was found, which is then given up.
            if (foundSomething && m_phase == kPhasePlaying)
            {
                m_phase = kPhaseIdle;
                EndLevel(false);
                return;
            }
            m_phase = kPhaseIdle;
            if (game)
                game->PopState();
            return;
        }
        ZStringTable* strings = ZStringTable::PeekInstance();
        m_confirm->SetText(strings ? strings->GetText("general.sure") : "?");
        m_confirm->SetAcceptTarget(nullptr);
        m_confirm->SetDismissTarget(nullptr);
        ZGame::GotoState(m_confirm);
        return;
    }
    if (button == m_menuButton)
    {
        // The in-game menu, under its own name or, when it keeps the one of the pause menu it
        // is built on, under that one (the only state of that kind).
        ZGame* game = ZGame::PeekInstance();
        ZGameState* menu = game ? game->FindState("ingamemenu") : nullptr;
        if (!menu && game)
            menu = game->FindState("gamemenu");
        if (menu)
            ZGame::GotoState(menu);
    }
}

void ZHiddenObjectGame::OnDialogAccepted(ZDialogGameState* state)
{
    (void)state;
    if (m_phase != kPhasePlaying || !IsInPlay())
        return;
    m_phase = kPhaseIdle;
    EndLevel(false);
}

void ZHiddenObjectGame::PlaySound(ZSound* sound)
{
    if (sound)
        sound->Play();
}
