// The level card and the small card: filling them from the level's board file, the time text,
// the tool belt, the buttons and closing by a click beside the card.
#include "game/screens/ZLevelPreview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/app/ZGame.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZPictures.h"
#include "game/common/ZShellSettings.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/campaign/ZLevelControl.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZInventory.h"
#include "game/dive/crew/ZInventoryScreen.h"
#include "game/dive/model/ZLevelLoader.h"
#include "game/dive/model/ZTokenType.h"

namespace
{
const char* Localized(const char* key)
{
    ZStringTable* strings = ZStringTable::PeekInstance();
    return strings ? strings->GetText(key) : key;
}

ZSprite2D* FindSprite(ZNode* root, const char* path)
{
    return root ? ZEntityCast<ZSprite2D>(root->FindNode(path)) : nullptr;
}

ZFontText* FindText(ZNode* root, const char* path)
{
    return root ? ZEntityCast<ZFontText>(root->FindNode(path)) : nullptr;
}

void SetShown(ZNode* node, bool shown)
{
    if (!node)
        return;
    node->SetActive(shown);
    node->SetHidden(!shown);
}

// The area a "map_area" sprite gives the board drawing, and a squares group beside it.
void SetUpDrawer(ZLevelMapDrawer& drawer, ZNode* root, const char* areaPath, const char* square,
                 const char* locked)
{
    ZNode* areaNode = root ? root->FindNode(areaPath) : nullptr;
    auto* area = ZEntityCast<ZSprite2D>(areaNode);
    if (!area || !area->GetParent())
        return;
    area->SetHidden(true);
    ZGroup* group = ZGroup::CreateNamed("map_group");
    group->SetIs2D(true);
    const V3& p = area->Position();
    group->SetPositionXYZ(p.x, p.y, p.z - 1.0f);
    area->GetParent()->AddChild(group);
    drawer.SetGroup(group);
    const V2 size = area->GetScaledSize();
    drawer.SetArea(size.x, size.y);
    drawer.SetMaterials(ZMaterial::Find(square), ZMaterial::Find(locked));
}

// The board of a level, read fresh; false (and a log line from the reader) when it cannot be read.
bool ReadBoard(ZLevel* level, ZLevelLoader& reader)
{
    if (!level)
        return false;
    const std::string& path = level->GetBoardPath();
    return !path.empty() && reader.Load(path.c_str()) == ZLevelLoader::kLoadOk;
}

// The first n of five icons shown; a count from a board file is kept within the five.
void ShowFirst(ZNode* const* icons, int n)
{
    n = std::clamp(n, 0, ZLevelPreview::kIcons);
    for (int i = 0; i < ZLevelPreview::kIcons; ++i)
        SetShown(icons[i], i < n);
}
} // namespace

std::string FormatLevelTime(float boardSeconds, bool relaxed, int airless, float crewFactor,
                            const char* unlimited)
{
    if (relaxed)
        return unlimited ? unlimited : "";
    const double t = ZInGame::DiveAirSeconds(double(boardSeconds), airless, crewFactor);
    const double seconds = std::clamp(std::fmod(t, 60.0) - 0.1, 0.0, 59.0);
    const double minutes = std::floor(std::clamp(t / 60.0, 0.0, 9999.0));
    char text[32];
    std::snprintf(text, sizeof(text), "%2.f:%02.f", minutes, seconds);
    return text;
}

// ---- ZLevelPreview ----

ZLevelPreview::ZLevelPreview()
{
    SetFlags(kStateDims);
    SetOpaque(false);
}

ZLevelPreview::~ZLevelPreview()
{
    if (m_listening)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    if (m_propertiesHooked)
    {
        for (int i = 0; i < kIcons; ++i)
            g_profileSlot[i].RemoveListener(this);
        g_profileNumSlots.RemoveListener(this);
        g_profileCrewButton.RemoveListener(this);
        g_profileEquipButton.RemoveListener(this);
    }
}

ZButton2D* ZLevelPreview::FindButton(const char* path)
{
    auto* button = ZEntityCast<ZButton2D>(GetRoot()->FindNode(path));
    if (button)
        button->ZEventProducer<IButtonListener>::AddListener(this);
    return button;
}

float ZLevelPreview::CrewAirFactor()
{
    ZCharacterScreen* crew = ZCharacterScreen::PeekInstance();
    if (!crew)
        return 1.0f;
    ZCharacter* member = crew->GetCharacter(g_profileCharacter.GetValue());
    return member ? member->GetAirFactor() : 1.0f;
}

int ZLevelPreview::Build()
{
    ZGroup* root = GetRoot();
    if (ImportSceneFile(ZResourcePath(kLayout), root) != 0)
    {
        std::fprintf(stderr, "Level card: %s is missing or broken\n", kLayout);
        return 1;
    }
    char path[64];
    for (int i = 0; i < kIcons; ++i)
    {
        std::snprintf(path, sizeof(path), "tokens/token_%i", i);
        m_tokens[i] = FindSprite(root, path);
        std::snprintf(path, sizeof(path), "hazards/hazard_%i", i);
        m_hazards[i] = FindSprite(root, path);
        std::snprintf(path, sizeof(path), "portraits/character_%i", i);
        m_portraits[i] = root->FindNode(path);
        std::snprintf(path, sizeof(path), "difficulty/icon_%i", i);
        m_difficulty[i] = root->FindNode(path);
        std::snprintf(path, sizeof(path), "equipment/tool_%i", i);
        m_tools[i] = FindSprite(root, path);
        std::snprintf(path, sizeof(path), "equipment/rings/ring_%i", i);
        m_rings[i] = root->FindNode(path);
        std::snprintf(path, sizeof(path), "equipment/rings/count_%i", i);
        m_counts[i] = FindText(root, path);
        if (m_counts[i] && !m_blinks[i])
            if ((m_blinks[i] = ZBlink::Create(m_counts[i])) != nullptr)
            {
                m_blinks[i]->interval = kCountBlinkSeconds;
                m_blinks[i]->remaining = kCountBlinkSeconds;
                m_blinks[i]->SetActive(false);
            }
    }
    m_hazardGroup = root->FindNode("hazards");
    m_time = FindText(root, "time");
    m_headline = FindText(root, "headline");
    m_description = FindText(root, "description");
    m_completion = root->FindNode("completion");
    const char* medals[4] = {"complete", "bronze", "silver", "gold"};
    for (int i = 0; i < 4; ++i)
        m_medals[i] = root->FindNode(medals[i]);
    m_background = FindSprite(root, "background");
    if (m_background)
        m_background->SetFlags(kNodePickable);
    m_equipment = root->FindNode("equipment/equipment");
    m_buttonCharacters = FindButton("button_characters");
    m_buttonCharacters2 = FindButton("button_characters_2");
    m_buttonPlay = FindButton("button_play");
    m_buttonBelt = FindButton("equipment/button_belt");
    m_buttonEquipment2 = FindButton("button_equipment_2");
    m_buttonClose = FindButton("button_close");
    m_buttonAutoEquip = FindButton("button_auto_equip");
    SetUpDrawer(m_drawer, root, "map/map_area", "levelpreview_map_square", "levelpreview_map_locked");
    // The crew portraits (and pictures shared with other screens) may have been named by a layout
    // of a screen not shown yet: found here unloaded, they would draw as black squares.
    LoadPictures(root);
    m_equipSound = ZSound::Find("inventory_equip");
    if (!m_propertiesHooked)
    {
        for (int i = 0; i < kIcons; ++i)
            g_profileSlot[i].AddListener(this);
        g_profileNumSlots.AddListener(this);
        g_profileCrewButton.AddListener(this);
        g_profileEquipButton.AddListener(this);
        m_propertiesHooked = true;
    }
    return 0;
}

void ZLevelPreview::DrawLevelMap(ZLevelMapDrawer& drawer, const ZLevelLoader& reader)
{
    drawer.Draw(reader.GetUsedColumns(), reader.GetUsedRows(), reader.GetFirstUsedColumn(),
                reader.GetFirstUsedRow(), [&reader](int c, int r) { return int(reader.GetCellAt(c, r)); });
}

void ZLevelPreview::ShowLevel(ZLevel* level)
{
    if (!TestFlags(kStateLoaded))
        Load();
    m_level = level;
    if (!TestFlags(kStateLoaded))
        return;
    ZLevelLoader reader;
    if (!ReadBoard(level, reader))
    {
        m_drawer.Clear();
        m_levelSeconds = 0.0f;
        if (m_headline)
            m_headline->SetText("");
        if (m_description)
            m_description->SetText("");
        return;
    }
    DrawLevelMap(m_drawer, reader);
    ShowFirst(m_difficulty, reader.GetDifficulty());

    // Only the five creatures shown: the dive's token table (every look of every creature) is
    // the dive's to load and to give back.
    const ZTokenTypeInfo* rows[kLevelTokenTypes] = {};
    ChooseTokenTypes(reader.GetTokenNames(), level->GetName(), rows);
    for (int i = 0; i < kIcons; ++i)
        if (m_tokens[i] && rows[i] && rows[i]->name)
        {
            const std::string path = std::string("resources:token_") + rows[i]->name + ".png";
            if (ZTexture* texture = ZTexture::FindOrLoad(path.c_str(), 0, kTextureLoadNow))
                m_tokens[i]->SetTexture(texture, true);
        }

    const std::vector<std::string>& hazards = reader.GetFeatures();
    SetShown(m_hazardGroup, !hazards.empty());
    const int hazardCount = std::min(int(hazards.size()), kIcons);
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    for (int i = 0; i < kIcons; ++i)
    {
        if (!m_hazards[i])
            continue;
        if (i >= hazardCount)
        {
            SetShown(m_hazards[i], false);
            continue;
        }
        const std::string path = "resources:tile_status_" + hazards[size_t(i)] + ".png";
        if (ZTexture* texture = ZTexture::FindOrLoad(path.c_str(), 0, kTextureLoadNow))
            m_hazards[i]->SetTexture(texture, true);
        SetShown(m_hazards[i], true);
        if (tips)
            tips->RegisterToolTipForNode(hazards[size_t(i)].c_str(), m_hazards[i], true);
    }

    m_levelSeconds = reader.GetAirTime();
    if (m_headline)
        m_headline->SetText(FormatChecked(Localized("preview.title"),
                                          {ZFormatArg(level->number), ZFormatArg(reader.GetLevelName())})
                                .c_str());
    if (m_description)
        m_description->SetText(reader.GetLevelDescription());
    SetShown(m_completion, level->score != 0);
    for (int i = 0; i < 4; ++i)
        SetShown(m_medals[i], level->medal == i);
    WriteTime();
}

void ZLevelPreview::WriteTime()
{
    m_timeText = FormatLevelTime(m_levelSeconds, g_profileRelaxMode.GetValue(), g_profileAirless.GetValue(),
                                 CrewAirFactor(), Localized("preview.unlimited"));
    if (m_time)
        m_time->SetText(m_timeText.c_str());
}

void ZLevelPreview::OnEnter()
{
    if (!m_listening)
    {
        ZMousePointer::GetInstance()->AddListener(this);
        m_listening = true;
    }
    m_autoEquipTime = -1e38;
    if (ZCharacterScreen::PeekInstance())
        for (int i = 0; i < kIcons; ++i)
            SetShown(m_portraits[i], i == g_profileCharacter.GetValue());
    WriteTime();
    RefreshBelt();
    ApplyButtons();
}

void ZLevelPreview::OnLeave()
{
    if (m_listening)
    {
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
        m_listening = false;
    }
}

void ZLevelPreview::Update(double dt)
{
    (void)dt;
    if (m_autoEquipTime <= -1e37)
        return;
    const double now = g_frameTimer ? g_frameTimer->now : 0.0;
    if (now - m_autoEquipTime <= kEquipDelay)
        return;
    if (m_equipSound)
        m_equipSound->Play();
    m_autoEquipTime = -1e38;
    RefreshBelt();
}

void ZLevelPreview::RefreshBelt()
{
    ZAbilityManager* abilities = ZAbilityManager::PeekInstance();
    ZInventory* inventory = ZInventory::PeekInstance();
    const int slots = g_profileNumSlots.GetValue();
    for (int i = 0; i < kIcons; ++i)
    {
        const bool used = i < slots;
        SetShown(m_tools[i], used);
        SetShown(m_rings[i], used);
        SetShown(m_counts[i], used);
        if (m_blinks[i])
            m_blinks[i]->SetActive(false);
        if (!used || !m_tools[i])
            continue;
        const int id = ZAbilityManager::FindAbilityId(g_profileSlot[i].GetValue().c_str());
        if (id < 0 || !abilities)
        {
            SetShown(m_tools[i], false);
            SetShown(m_counts[i], false);
            continue;
        }
        if (ZTexture* icon = abilities->GetPowerIcon(id))
        {
            LoadPicture(icon);
            m_tools[i]->SetTexture(icon, true);
        }
        const int n = std::min(ZAbilityManager::GetItemCap(id), inventory ? inventory->GetCount(id) : 0);
        m_tools[i]->SetAlpha(n < 1 ? 0.4f : 1.0f);
        if (m_counts[i])
            m_counts[i]->SetTextF("%i", n);
        if (n == 0 && m_blinks[i])
        {
            m_blinks[i]->remaining = kCountBlinkSeconds;
            m_blinks[i]->SetActive(true);
        }
    }
}

bool ZLevelPreview::IsCountBlinking(int slot) const
{
    return slot >= 0 && slot < kIcons && m_blinks[slot] && m_blinks[slot]->IsActive();
}

void ZLevelPreview::ApplyButtons()
{
    const bool equip = g_profileEquipButton.GetValue();
    for (ZNode* node : {static_cast<ZNode*>(m_buttonAutoEquip), static_cast<ZNode*>(m_buttonBelt),
                        static_cast<ZNode*>(m_buttonEquipment2), m_equipment})
        if (node)
            node->SetActive(equip);
    const bool crew = g_profileCrewButton.GetValue();
    if (m_buttonCharacters)
        m_buttonCharacters->SetEnabled(crew);
    if (m_buttonCharacters2)
        m_buttonCharacters2->SetActive(crew);
}

void ZLevelPreview::OnPropertyChanged(ZProperty* property)
{
    (void)property;
    if (!TestFlags(kStateLoaded))
        return;
    RefreshBelt();
    ApplyButtons();
}

void ZLevelPreview::Close()
{
    ZGame* game = ZGame::PeekInstance();
    if (game && game->GetTopState() == this)
        game->PopState();
}

void ZLevelPreview::OnClicked(ZButton2D* button)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this || !button)
        return;
    if (button == m_buttonCharacters || button == m_buttonCharacters2)
    {
        if (ZCharacterScreen* crew = ZCharacterScreen::PeekInstance())
            ZGame::GotoState(crew);
    }
    else if (button == m_buttonPlay)
    {
        ZLevelControl* campaign = ZLevelControl::PeekInstance();
        if (!campaign || !m_level)
            return;
        const auto& levels = campaign->GetLevels();
        const auto it = std::find(levels.begin(), levels.end(), m_level);
        if (it == levels.end())
            return;
        campaign->SelectLevel(int(it - levels.begin()));
        game->ClearStates(campaign);
    }
    else if (button == m_buttonBelt || button == m_buttonEquipment2)
    {
        if (ZInventoryScreen* inventory = ZInventoryScreen::PeekInstance())
            ZGame::GotoState(inventory);
    }
    else if (button == m_buttonAutoEquip)
    {
        ZInventory* inventory = ZInventory::PeekInstance();
        if (inventory && inventory->ValidateToolBelt())
        {
            m_autoEquipTime = g_frameTimer ? g_frameTimer->now : 0.0;
            for (int i = 0; i < kIcons; ++i)
            {
                SetShown(m_tools[i], false);
                SetShown(m_rings[i], false);
            }
        }
        else if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
        {
            tips->OpenTimedToolTip(g_profileShopLevel.GetValue() == 0 ? "noautopreshop" : "noauto", nullptr,
                                   0, 3.0f);
        }
    }
    else if (button == m_buttonClose)
    {
        Close();
    }
}

void ZLevelPreview::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    ZGame* game = ZGame::PeekInstance();
    if (!game || game->GetTopState() != this)
        return;
    bool close = false;
    if (target && target == m_background)
    {
        V3 local{state.x, state.y, 0.0f};
        m_background->WorldToLocal(local);
        close = m_background->HitTest(V2{local.x, local.y}) < 0.2f;
    }
    else
    {
        bool inside = false;
        for (ZNode* node = target; node; node = node->GetParent())
            if (node == GetRoot())
            {
                inside = true;
                break;
            }
        close = !inside;
    }
    if (!close)
        return;
    if (handled)
        *handled = true;
    Close();
}

// ---- ZLevelPreviewMini ----

ZGroup* ZLevelPreviewMini::Create()
{
    ZGroup* root = ZGroup::CreateNamed("levelpreviewmini");
    root->SetIs2D(true);
    if (ImportSceneFile(ZResourcePath(kLayout), root) != 0)
    {
        std::fprintf(stderr, "Small level card: %s is missing or broken\n", kLayout);
        root->Release();
        return nullptr;
    }
    m_root = root;
    char path[32];
    for (int i = 0; i < ZLevelPreview::kIcons; ++i)
    {
        std::snprintf(path, sizeof(path), "rating/icon_%i", i);
        m_rating[i] = root->FindNode(path);
        ::SetShown(m_rating[i], false);
    }
    m_headline = FindText(root, "headline");
    m_time = FindText(root, "time");
    m_level = FindText(root, "level");
    float y = 0.0f;
    if (auto* card = ZEntityCast<ZGeom>(root->FindNode("levelinfo_card")))
        y = card->Position().y;
    m_anchors[0] = V3{0.0f, 0.0f, 0.0f};
    m_anchors[1] = V3{0.0f, 86.0f - 2.0f * y, 0.0f};
    m_anchors[2] = V3{510.0f, 0.0f, 0.0f};
    m_side = 0;
    SetUpDrawer(m_drawer, root, "map_area", "levelpreview_map_mini", "levelpreview_map_locked_mini");
    return root;
}

void ZLevelPreviewMini::Show(ZLevel* level)
{
    if (!m_root)
        return;
    ZLevelLoader reader;
    if (!ReadBoard(level, reader))
    {
        m_drawer.Clear();
        return;
    }
    ZLevelPreview::DrawLevelMap(m_drawer, reader);
    if (m_time)
        m_time->SetText(FormatLevelTime(reader.GetAirTime(), g_profileRelaxMode.GetValue(),
                                        g_profileAirless.GetValue(), ZLevelPreview::CrewAirFactor(),
                                        Localized("preview.unlimited"))
                            .c_str());
    if (m_headline)
        m_headline->SetText(reader.GetLevelName());
    if (m_level)
        m_level->SetText(FormatChecked(Localized("preview.level"), {ZFormatArg(level->number)}).c_str());
    ShowFirst(m_rating, reader.GetDifficulty());
}

void ZLevelPreviewMini::Place(float x, float y, bool force)
{
    if (!m_root)
        return;
    if (force)
        m_side = 2;
    else if (!(y > 0.0f && y < 150.0f))
        m_side = (x > -100.0f || y < 130.0f) ? 0 : 1;
    const V3& a = m_anchors[m_side];
    m_root->SetPositionXYZ(a.x, a.y, a.z - 250.0f);
}

void ZLevelPreviewMini::SetShown(bool shown)
{
    ::SetShown(m_root, shown);
}

bool ZLevelPreviewMini::IsShown() const
{
    return m_root && m_root->IsActive() && !m_root->IsHidden();
}
