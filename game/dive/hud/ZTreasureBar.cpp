// The treasure chest of the dive's HUD: content, chest sizes, the bump and halo of arriving
// treasure, the full chest, the drain and the coin stream of the end-of-level screen.
#include "game/dive/hud/ZTreasureBar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZHaloController.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/core/ZRandom.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSpline.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/hud/ZTreasureInterpolateController.h"

namespace
{
const uint32_t kCapacity[ZTreasureBar::kSizes] = {1000, 2000, 4000, 8000, 25000};
const char* const kSizeNames[ZTreasureBar::kSizes] = {"default", "medium", "large", "huge", "gigantic"};
// The halo grows with the chest; the two biggest chests go on in the same steps.
const float kHaloScale[ZTreasureBar::kSizes] = {1.0f, 1.2f, 1.4f, 1.6f, 1.8f};
constexpr float kCoinSize = 14.0f;
constexpr float kStreamStop = 0.75f;

int SettingInt(const char* name, int fallback)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    ZPropertyInt* setting = settings ? settings->FindTyped<int32_t>(name) : nullptr;
    return setting ? setting->GetValue() : fallback;
}

void Show(ZNode* node, bool on)
{
    if (node)
        node->SetHidden(!on);
}

void PlaySound(ZSound* sound)
{
    if (sound)
        sound->Play();
}
} // namespace

uint32_t ZTreasureBar::Capacity(int size)
{
    return kCapacity[std::clamp(size, 0, kSizes - 1)];
}

ZTreasureBar* ZTreasureBar::Create(ZNode* root)
{
    auto* bar = new ZTreasureBar();
    bar->SetName("treasurebar");
    s_instance = bar;
    ZSceneTree::GetInstance()->AddChild(bar);
    bar->Load(root);
    bar->SetActive(true);
    return bar;
}

ZTreasureBar::~ZTreasureBar()
{
    if (m_chestSetting)
        m_chestSetting->RemoveListener(this);
    // The coin sprites belong to the display (or to the bar), which deletes them.
    if (s_instance == this)
        s_instance = nullptr;
}

void ZTreasureBar::Load(ZNode* root)
{
    m_root = root;
    if (root)
    {
        ImportSceneFile(ZResourcePath("resources:treasurebar_resources.xml"), root);
        m_text = ZEntityCast<ZFontText>(root->FindNode("score"));
        // The content keeps its five places.
        if (m_text)
            m_text->SetTrim(false);
        if (auto* progress = ZEntityCast<ZSprite>(root->FindNode("score_progress")))
        {
            m_progress = ZProgressBar::Create(progress);
            m_progress->SetValue(0.0f);
        }
        for (int i = 0; i < kSizes; ++i)
        {
            m_sizeNodes[i] = root->FindNode(kSizeNames[i]);
            Show(m_sizeNodes[i], false);
        }
    }
    m_fullSound = ZSound::Find("chest_full");
    m_slamSound = ZSound::Find("chest_slam");
    if (ZPropertyManager* settings = ZPropertyManager::PeekInstance())
        m_chestSetting = settings->FindTyped<int32_t>("profile.chest");
    if (m_chestSetting)
        m_chestSetting->AddListener(this);
    SetChestLevel();
    if (ZInGame* dive = ZInGame::PeekInstance())
        dive->SetTreasureEmitterTarget(m_sizeNode);
}

float ZTreasureBar::GetHaloScale() const
{
    return kHaloScale[std::clamp(m_size, 0, kSizes - 1)];
}

void ZTreasureBar::Reset()
{
    if (m_size < 0)
        SetChestLevel();
    m_bump = false;
    m_bumpPhase = 0.0f;
    m_draining = false;
    SetValue(m_content);
    Open(true);
}

void ZTreasureBar::Open(bool open)
{
    m_open = open;
    Show(m_sizeNode, true);
    if (m_sizeNode)
    {
        Show(m_sizeNode->FindNode("open"), open);
        Show(m_sizeNode->FindNode("closed"), !open);
    }
}

void ZTreasureBar::SetChestLevel()
{
    const int size = std::clamp(m_chestSetting ? m_chestSetting->GetValue() : 0, 0, kSizes - 1);
    m_capacity = kCapacity[size];
    if (m_sizeNode && m_sizeNode != m_sizeNodes[size])
        Show(m_sizeNode, false);
    m_size = size;
    m_sizeNode = m_sizeNodes[size];
    Show(m_sizeNode, true);
    m_content = std::min(m_content, m_capacity);
    ShowContent();
    SetFull(m_content < m_capacity);
}

void ZTreasureBar::ShowContent()
{
    if (m_text)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%5i", int(m_content));
        m_text->SetText(text);
    }
    if (m_progress)
        m_progress->SetValue(m_capacity ? float(m_content) / float(m_capacity) : 0.0f);
}

bool ZTreasureBar::SetValue(int64_t n)
{
    const int64_t content = std::max<int64_t>(n, 0);
    if (content < int64_t(m_capacity))
    {
        m_content = uint32_t(content);
        if (!m_open)
            Open(true);
    }
    else
    {
        m_content = m_capacity;
        const bool wasOpen = m_open;
        SetFull(false);
        if (wasOpen)
        {
            if (!m_highlight)
                m_highlight = GetGameShell()->CreateSmallHighlight(m_sizeNode);
            if (m_highlight)
            {
                m_highlight->SetActive(false);
                m_highlight->SetActive(true);
            }
            ++m_slams;
            PlaySound(m_slamSound);
        }
    }
    ShowContent();
    return m_open;
}

void ZTreasureBar::AddTreasure(int amount)
{
    if (ZAbilityManager* abilities = ZAbilityManager::PeekInstance())
        amount = abilities->ModifyTreasureValue(amount);
    if (!m_open)
    {
        ++m_fulls;
        PlaySound(m_fullSound);
        return;
    }
    if (!SetValue(int64_t(m_content) + amount))
        return;
    if (m_bump)
    {
        if (m_bumpPhase > 0.5f)
            m_bumpPhase = 1.0f - m_bumpPhase;
    }
    else
    {
        m_bump = true;
        m_bumpPhase = 0.0f;
    }
    StartHalo();
    StartHalo();
}

void ZTreasureBar::StartHalo()
{
    ZNode* open = m_sizeNode ? m_sizeNode->FindNode("open") : nullptr;
    ZNode* on = open && !open->IsHidden() ? open : (m_sizeNode ? m_sizeNode->FindNode("closed") : nullptr);
    if (!on)
        return;
    ZHaloController* halo = ZHaloController::Create(on);
    const float scale = GetHaloScale();
    halo->CreateHaloSprite(ZTexture::FindOrLoad("resources:mapscreen_glow_0.png", 0, 1), 1.0f, 1.5f * scale, 0.3f);
    halo->CreateHaloSprite(ZTexture::FindOrLoad("resources:mapscreen_glow_1.png", 0, 1), -0.4f, 1.6f * scale, 0.4f);
    halo->endTime = 1.4f;
    halo->releaseSelfOnStop = true;
    halo->SetActive(true);
}

void ZTreasureBar::SetFull(bool open)
{
    const bool closing = m_open && !open;
    Open(open);
    if (!closing)
        return;
    ZGame* game = ZGame::PeekInstance();
    ZInGame* dive = ZInGame::PeekInstance();
    if (!game || !dive || game->GetTopState() != dive)
        return;
    const int tips = SettingInt("profile.fullchesttip", 0);
    if (tips >= 2 || m_size >= 4)
        return;
    ZToolTipManager* manager = ZToolTipManager::PeekInstance();
    ZNode* nodes[1] = {m_sizeNode};
    if (SettingInt("profile.shoplevel", 0) > 0)
    {
        if (manager)
            manager->OpenTimedToolTip("fullcheststore", nodes, m_sizeNode ? 1 : 0, 3.0f);
        MarkTipShown(g_profileFullChestTip);
    }
    else if (manager)
    {
        manager->OpenTimedToolTip("fullchest", nodes, m_sizeNode ? 1 : 0, 3.0f);
    }
}

void ZTreasureBar::EmitCoinParticles(const V3& from, int amount, ZTextureResource* texture)
{
    V3 start = from;
    start.z = -100.0f;
    V3 end;
    if (ZGeom* chest = ZEntityCast<ZGeom>(m_sizeNode))
        end = chest->GetWorldPosition();
    else if (auto* root = ZEntityCast<ZGeom>(m_root))
        end = root->GetWorldPosition();
    end.z = -100.0f;
    ZNode* layer = GetGameShell()->GetPopupLayer();
    if (!layer)
    {
        ZInGame* dive = ZInGame::PeekInstance();
        layer = dive ? static_cast<ZNode*>(dive->GetRoot()) : m_root;
    }
    ZTreasureInterpolateController::Launch(amount, "coinparticlematerial", start, end, texture, kFlightSeconds, layer);
    ++m_flights;
}

void ZTreasureBar::StartDrain(float rate)
{
    m_drainRate = rate;
    m_draining = rate > 0.0f && m_content > 0;
}

void ZTreasureBar::Update()
{
    const double dt = g_frameTimer ? g_frameTimer->frameDelta : 0.0;
    if (m_bump)
    {
        m_bumpPhase += float(dt * 6.0);
        ZGeom* open = m_sizeNode ? ZEntityCast<ZGeom>(m_sizeNode->FindNode("open")) : nullptr;
        if (m_bumpPhase < 1.0f)
        {
            const float s = 1.0f + 0.2f * std::sin(3.14159265f * m_bumpPhase);
            if (open)
                open->SetScale({s, s, 1.0f});
        }
        else
        {
            m_bump = false;
            m_bumpPhase = 0.0f;
            if (open)
                open->SetScale({1.0f, 1.0f, 1.0f});
        }
    }
    if (m_draining)
    {
        // Signed, so a step past the bottom stops at 0 instead of wrapping round to a full chest.
        const int64_t step = int64_t(dt * double(m_drainRate));
        const int64_t next = int64_t(m_content) - step;
        SetValue(next);
        if (next <= 0)
            m_draining = false;
    }
}

// --- coin stream

void ZTreasureBar::InitCoinStream(ZSplineNode* path)
{
    m_path = path;
    m_spawn = 0.0f;
    m_streamActive = true;
    if (!m_stream)
    {
        m_stream = ZGroup::Create();
        m_stream->SetName("treasurestream");
        (m_root ? m_root : static_cast<ZNode*>(this))->AddChild(m_stream);
        ZMaterial* first = ZMaterial::Find("coinparticlematerial");
        ZMaterial* second = ZMaterial::Find("coinparticlematerial2");
        for (int i = 0; i < kCoinPool; ++i)
        {
            ZMaterial* material = RandomFloat() <= 0.7f ? first : second;
            ZSprite2D* sprite = material ? ZSprite2D::CreateWithMaterial(material) : ZSprite2D::Create();
            sprite->SetSize(kCoinSize, kCoinSize);
            const float scale = 0.5f + 0.7f * RandomFloat();
            sprite->SetScale({scale, scale, 1.0f});
            sprite->SetHidden(true);
            m_stream->AddChild(sprite);
            m_coinSprites.push_back(sprite);
        }
    }
    ClearCoinStream();
    m_streamActive = true;
}

void ZTreasureBar::ClearCoinStream()
{
    m_liveCoins.clear();
    m_freeCoins.clear();
    for (ZSprite* sprite : m_coinSprites)
    {
        sprite->SetHidden(true);
        Coin coin;
        coin.sprite = sprite;
        m_freeCoins.push_back(coin);
    }
    m_streamActive = false;
    m_spawn = 0.0f;
}

void ZTreasureBar::ReleaseCoinPool()
{
    m_liveCoins.clear();
    m_freeCoins.clear();
    m_coinSprites.clear();
    if (m_stream)
    {
        m_stream->Release();
        m_stream = nullptr;
    }
    m_streamActive = false;
}

void ZTreasureBar::SpawnCoin()
{
    // The pool is all there is: while every coin flies, no new one starts.
    if (m_freeCoins.empty())
        return;
    Coin coin = m_freeCoins.back();
    m_freeCoins.pop_back();
    coin.progress = 0.0f;
    coin.speed = 0.5f + 0.8f * RandomFloat();
    coin.offset.x = 50.0f * RandomFloat() - 25.0f;
    coin.offset.y = 50.0f * RandomFloat() - 25.0f;
    coin.sprite->SetHidden(false);
    coin.sprite->SetAlpha(0.0f);
    m_liveCoins.push_back(coin);
}

void ZTreasureBar::UpdateCoinStream(float fill)
{
    if (!m_streamActive)
        return;
    const float dt = float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    m_spawn += dt * kCoinsPerSecond;
    const int spawns = int(m_spawn);
    m_spawn -= float(spawns);
    if (fill < kStreamStop)
    {
        for (int i = 0; i < spawns; ++i)
            SpawnCoin();
    }
    for (size_t i = 0; i < m_liveCoins.size();)
    {
        Coin& coin = m_liveCoins[i];
        coin.progress += coin.speed * dt;
        const float a = std::clamp(coin.progress / 0.2f, 0.0f, 1.0f);
        const float b = std::clamp((coin.progress - 0.9f) / 0.1f, 0.0f, 1.0f);
        float alpha = 1.0f;
        if (fill >= kStreamStop)
            alpha = std::max(0.0f, 1.0f - (fill - kStreamStop) * 4.0f);
        else if (a < 1.0f)
            alpha = a;
        else if (b > 0.0f)
            alpha = 1.0f - b;
        coin.sprite->SetAlpha(alpha);
        if (m_path)
        {
            V3 at = m_path->GetPointAt(std::min(coin.progress, 1.0f));
            at.x += coin.offset.x * b;
            at.y += coin.offset.y * b;
            PlaceAtWorldPoint(coin.sprite, at);
        }
        if (coin.progress >= 1.0f)
        {
            coin.sprite->SetHidden(true);
            m_freeCoins.push_back(coin);
            m_liveCoins.erase(m_liveCoins.begin() + std::ptrdiff_t(i));
            continue;
        }
        ++i;
    }
}

void ZTreasureBar::OnPropertyChanged(ZProperty* property)
{
    if (property && property == m_chestSetting)
        SetChestLevel();
}
