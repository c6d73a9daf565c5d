#include "engine/ui/ZToolTipManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/audio/IAudio.h"
#include "engine/audio/ZSound.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZTextFormat.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZView.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZGameSprite.h"
#include "engine/ui/ZLayer2D.h"

ZPropertyBool g_tipsTest("tips.test", "Test all the tool tips, for language versioning and proofing",
                         "Test all the tool tips, for language versioning and proofing", 0,
                         ZProperty::kNoGroup, false);

namespace
{
// Matched by id only, so tips can tell a button's parts without depending on the button widget.
constexpr ZTypeRecord kButtonRecord{"ZButton2D", nullptr};
constexpr float kStill = 1.0f / 8192.0f;
constexpr float kCloseAllDelay = 0.05f;
constexpr float kProofSeconds = 0.05f;

enum EFooter
{
    kClickToClose,
    kSecsLeft,
    kClosingIn,
    kMoveToClose
};
constexpr const char* kFooterKeys[] = {"tip.clicktoclose", "tip.secsleft", "tip.closingin",
                                       "tip.movetoclose"};

void RegisterSpriteTip(const char* key, ZNode* node)
{
    if (ZToolTipManager* manager = ZToolTipManager::PeekInstance())
        manager->RegisterToolTipForNode(key, node, false);
}

bool HasButtonAncestor(ZNode* node)
{
    for (ZNode* n = node ? node->GetParent() : nullptr; n; n = n->GetParent())
    {
        if (n->IsA(kButtonRecord))
            return true;
    }
    return false;
}

V3 WorldPosition(ZNode* node)
{
    auto* geom = ZEntityCast<ZGeom>(node);
    if (!geom)
        return {};
    _M44 world;
    geom->GetWorldMatrix(world);
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
}

// Treating 0 as positive keeps a node on a centre axis from pulling the tip onto itself.
float Sign(float v)
{
    return v < 0.0f ? -1.0f : 1.0f;
}
} // namespace

bool ZToolTipRecord::HasNode(const ZNode* node) const
{
    for (int i = 0; i < nodeCount; ++i)
    {
        if (nodes[i] == node)
            return true;
    }
    return false;
}

void ZToolTipRecord::Forget(const ZNode* node)
{
    if (geom == node)
        geom = nullptr;
    int kept = 0;
    for (int i = 0; i < nodeCount; ++i)
    {
        if (nodes[i] == node)
            continue;
        nodes[kept] = nodes[i];
        hadPickable[kept] = hadPickable[i];
        ++kept;
    }
    for (int i = kept; i < nodeCount; ++i)
    {
        nodes[i] = nullptr;
        hadPickable[i] = 0;
    }
    nodeCount = kept;
}

ZToolTipManager::ZToolTipManager()
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->AddListener(this);
    if (ZEngine* engine = ZEngine::PeekInstance())
        engine->AddListener(this);
    ListenToHost();
    g_registerSpriteToolTip = &RegisterSpriteTip;
}

ZToolTipManager::~ZToolTipManager()
{
    if (g_registerSpriteToolTip == &RegisterSpriteTip)
        g_registerSpriteToolTip = nullptr;
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
    {
        pointer->RemoveListener(this);
        if (m_group)
            pointer->RemovePointerTarget(m_group);
    }
    if (ZEngine* engine = ZEngine::PeekInstance())
        engine->RemoveListener(this);
    if (ZGame* game = ZGame::PeekInstance())
        game->RemoveListener(this);
    // Once the engine tears the scene down, nodes no longer report their end: what is watched may
    // be gone already, and nothing will call back into this object.
    if (g_nodeListenersMuted || ZSceneTree::IsShutdownBegun() || !ZSceneTree::PeekInstance())
        return;
    if (m_hide)
        m_hide->RemoveListener(static_cast<ZTransientListener*>(this));
    for (ZNode* node : m_watched)
        node->RemoveStateListener(this);
}

void ZToolTipManager::ListenToHost()
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->AddListener(this);
    if (ZGame* game = ZGame::PeekInstance())
        game->AddListener(this);
}

double ZToolTipManager::Now()
{
    return EngineClockNow();
}

void ZToolTipManager::Watch(ZNode* node)
{
    if (node && m_watched.insert(node).second)
        node->AddStateListener(this);
}

int ZToolTipManager::CreateLayer(const char* path)
{
    if (!path)
        return 1;
    ListenToHost();
    ZLayer2DManager* layers = ZLayer2DManager::GetInstance();
    ZLayer2D* layer = layers ? layers->GetDefaultLayer() : nullptr;
    ZNode* parent = layer && layer->group ? static_cast<ZNode*>(layer->group) : ZSceneTree::PeekInstance();
    ZGroup* group = LoadSceneAsGroup("tooltips", ZResourcePath(path), parent);
    if (!group)
        return 1;
    FindParts(group);
    // Drawn by its own camera only, not a second time by the layer's it lies in.
    group->SetFlags(kNodeChildrenNotDrawn);
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->AddPointerTarget(group);
    m_camera = layers ? layers->CreateToolTipCamera() : nullptr;
    if (m_camera)
    {
        m_camera->SetPriority(kCameraPriority);
        if (ZView* view = layers->GetScreenView())
            view->SortCameras();
        m_camera->SetRoot(group);
        // Beside the group, not in it: the box moves to its places and slides in and out, and a
        // camera inside moves with it, so the box never showed where it was placed.
        parent->AddChild(m_camera);
        // Its layer's group is hidden by design (only the layers' own cameras draw them), so the
        // camera itself stands still while the box is put away, or it would draw the empty box.
        m_camera->SetActive(!group->IsHidden());
        Watch(m_camera);
    }
    return 0;
}

void ZToolTipManager::FindParts(ZGroup* group)
{
    m_group = group;
    if (!group)
        return;
    Watch(group);
    group->SetHidden(true);
    group->SetPositionXYZ(0.0f, 0.0f, kDepth);
    m_title = ZEntityCast<ZFontText>(group->FindNode("title"));
    m_text = ZEntityCast<ZFontText>(group->FindNode("text"));
    m_background = group->FindNode("background");
    m_message = ZEntityCast<ZFontText>(group->FindNode("message"));
    for (ZNode* part : {static_cast<ZNode*>(m_title), static_cast<ZNode*>(m_text), m_background,
                        static_cast<ZNode*>(m_message)})
        Watch(part);
    if (m_background)
    {
        m_background->SetFlags(kNodePickable);
        if (auto* sprite = ZEntityCast<ZSprite>(m_background))
            m_boxSize = sprite->GetSize();
    }
    m_move = ZInterpolateWorldPos::Create(group);
    if (m_move)
    {
        m_move->SetEasing(EaseOutQuad);
        Watch(m_move);
    }
}

bool ZToolTipManager::AddLocation(const char* name, const V2& point)
{
    if (!name || m_locationCount >= kMaxLocations)
        return false;
    m_locationNames[name] = m_locationCount;
    m_locations[m_locationCount] = point;
    ++m_locationCount;
    m_useLocations = true;
    return true;
}

void ZToolTipManager::SetShowController(ZTransientController* controller)
{
    m_show = controller;
    Watch(controller);
}

void ZToolTipManager::SetHideController(ZTransientController* controller)
{
    if (m_hide)
        m_hide->RemoveListener(static_cast<ZTransientListener*>(this));
    m_hide = controller;
    if (controller)
    {
        controller->AddListener(static_cast<ZTransientListener*>(this));
        Watch(controller);
    }
}

void ZToolTipManager::SetHighlight(int slot, ZHighlight2* highlight)
{
    if (slot < 0 || slot >= kHighlights)
        return;
    m_highlights[slot] = highlight;
    Watch(highlight);
}

int32_t ZToolTipManager::FindLocation(const char* name) const
{
    if (!name)
        return -1;
    auto it = m_locationNames.find(name);
    return it == m_locationNames.end() ? -1 : it->second;
}

void ZToolTipManager::Claim(ZToolTipRecord& record, ZNode* const* nodes, int count)
{
    for (int i = 0; nodes && i < count; ++i)
    {
        ZNode* node = nodes[i];
        if (!node || record.HasNode(node) || record.nodeCount >= ZToolTipRecord::kMaxNodes)
            continue;
        record.nodes[record.nodeCount] = node;
        record.hadPickable[record.nodeCount] = node->TestFlags(kNodePickable) ? 1 : 0;
        ++record.nodeCount;
        // Tokens are never made pickable.
        if (!node->TestFlags(kNodeToken))
            node->SetFlags(kNodePickable);
        Watch(node);
    }
}

void ZToolTipManager::RegisterToolTip(const char* key, ZNode* const* nodes, int count, const char* title,
                                      const char* text, ZNode* geom, const char* location, bool forget)
{
    const ZNameId id = key ? ZNameId(key) : ZNameId();
    ZToolTipRecord record;
    if (auto it = m_tips.find(id.Value()); it != m_tips.end())
        record = it->second;
    record.key = id;
    record.title = title;
    record.text = text;
    record.geom = geom;
    Watch(geom);
    record.location = FindLocation(location);
    record.forgetAfterClose = forget ? 1 : 0;
    Claim(record, nodes, count);
    for (int i = 0; nodes && i < count; ++i)
    {
        if (nodes[i])
            m_targets[nodes[i]] = record;
    }
    m_tips[id.Value()] = record;
}

void ZToolTipManager::RegisterToolTipByKey(const char* key, ZNode* const* nodes, int count, bool forget)
{
    if (!key)
        return;
    ZStringTable* table = ZStringTable::GetInstance();
    const char* title = m_title ? table->GetTextFormat("tip.%s.title", key) : nullptr;
    const char* text = table->GetTextFormat("tip.%s.text", key);
    ZNode* geom = nullptr;
    if (const char* path = table->FindFormat("tip.%s.geom", key))
        geom = m_group ? m_group->FindNode(path) : ZNode::Find(path);
    const char* location = table->FindFormat("tip.%s.location", key);
    RegisterToolTip(key, nodes, count, title, text, geom, location, forget);
}

void ZToolTipManager::RegisterToolTipForNode(const char* key, ZNode* node, bool forget)
{
    RegisterToolTipByKey(key, &node, node ? 1 : 0, forget);
}

void ZToolTipManager::UnregisterTip(ZNameId key)
{
    auto it = m_tips.find(key.Value());
    if (it == m_tips.end())
        return;
    const ZToolTipRecord& record = it->second;
    for (int i = 0; i < record.nodeCount; ++i)
    {
        ZNode* node = record.nodes[i];
        if (!record.hadPickable[i])
            node->ClearFlags(kNodePickable);
        m_targets.erase(node);
    }
    m_tips.erase(it);
}

void ZToolTipManager::ForgetTarget(ZNode* node)
{
    m_targets.erase(node);
}

const ZToolTipRecord* ZToolTipManager::FindTip(ZNameId key) const
{
    auto it = m_tips.find(key.Value());
    return it == m_tips.end() ? nullptr : &it->second;
}

const ZToolTipRecord* ZToolTipManager::FindTarget(const ZNode* node) const
{
    auto it = m_targets.find(const_cast<ZNode*>(node));
    return it == m_targets.end() ? nullptr : &it->second;
}

void ZToolTipManager::PresentToolTip(ZNameId key, ZNode* const* nodes, int count, float seconds)
{
    auto it = m_tips.find(key.Value());
    if (it == m_tips.end())
        return;
    ZToolTipRecord record = it->second;
    record.requested = 1;
    record.duration = seconds;
    Claim(record, nodes, count);
    OpenRecord(record, nullptr);
}

void ZToolTipManager::PresentToolTipByName(const char* key, ZNode* const* nodes, int count, float seconds)
{
    if (key)
        PresentToolTip(ZNameId(key), nodes, count, seconds);
}

void ZToolTipManager::PresentToolTipByName(const char* key, float seconds)
{
    PresentToolTipByName(key, nullptr, 0, seconds);
}

void ZToolTipManager::OpenTimedToolTip(const char* key, ZNode* const* nodes, int count, float seconds)
{
    RegisterToolTipByKey(key, nodes, count, false);
    PresentToolTipByName(key, nullptr, 0, seconds);
}

void ZToolTipManager::OpenAndArmToolTip(const char* key, float seconds)
{
    OpenAndArmToolTip(key, nullptr, 0, seconds);
}

void ZToolTipManager::OpenAndArmToolTip(const char* key, ZNode* const* nodes, int count, float seconds)
{
    RegisterToolTipByKey(key, nullptr, 0, false);
    PresentToolTipByName(key, nodes, count, seconds);
}

void ZToolTipManager::OpenToolTipAt(const char* key, ZNode* node, const V2& point, float seconds)
{
    if (!key)
        return;
    RegisterToolTipByKey(key, &node, node ? 1 : 0, false);
    auto it = m_tips.find(ZNameId(key).Value());
    if (it == m_tips.end())
        return;
    ZToolTipRecord record = it->second;
    record.requested = 1;
    record.duration = seconds;
    OpenRecord(record, &point);
}

void ZToolTipManager::ShowToolTip(const char* title, const char* text, ZNode* node, const char* location)
{
    if (!text)
        return;
    // The record outlives the caller's texts: it keeps copies that live as long as the table.
    ZStringTable* table = ZStringTable::GetInstance();
    const char* keptText = table->AddText(text);
    const char* keptTitle = title ? table->AddText(title) : nullptr;
    RegisterToolTip(keptText, &node, node ? 1 : 0, keptTitle, keptText, nullptr, location, false);
    PresentToolTip(ZNameId(keptText), nullptr, 0, 0.0f);
}

void ZToolTipManager::PresentAllToolTips()
{
    if (!m_targets.empty())
        PresentToolTip(m_targets.begin()->second.key, nullptr, 0, kProofSeconds);
    // Copied: opening may change the table (a tip forgotten after it closes).
    std::vector<ZNameId> keys;
    for (const auto& [id, record] : m_tips)
        keys.push_back(record.key);
    for (ZNameId key : keys)
        PresentToolTip(key, nullptr, 0, kProofSeconds);
}

V2 ZToolTipManager::ComputePlacement(const ZToolTipRecord& record, const V2& anchor, bool useRecordLocation)
{
    if (!m_useLocations || m_locationCount == 0)
    {
        V2 p = anchor;
        if (record.nodeCount > 0 && record.nodes[0])
        {
            const V3 world = WorldPosition(record.nodes[0]);
            p = {world.x, world.y};
        }
        return {p.x - Sign(p.x) * (m_boxSize.x * 0.5f + 5.0f), p.y - Sign(p.y) * (m_boxSize.y * 0.5f + 5.0f)};
    }
    if (useRecordLocation && record.location >= 0 && record.location < m_locationCount)
        return m_locations[record.location];
    if (m_currentLocation < 0 || m_currentLocation >= m_locationCount)
        m_currentLocation = 0;
    const V2& current = m_locations[m_currentLocation];
    if (std::fabs(anchor.x - current.x) < 0.7f * m_boxSize.x &&
        std::fabs(anchor.y - current.y) < 0.7f * m_boxSize.y)
    {
        // The tip would cover what it points at: the farthest place wins (the first on a tie).
        float best = -1.0f;
        for (int i = 0; i < m_locationCount; ++i)
        {
            const float d = V2::Distance(anchor, m_locations[i]);
            if (d > best)
            {
                best = d;
                m_currentLocation = i;
            }
        }
    }
    return m_locations[m_currentLocation];
}

void ZToolTipManager::OpenRecord(const ZToolTipRecord& record, const V2* anchor)
{
    if (!m_enabled)
        return;
    if (m_open)
    {
        // The open tip keeps its own record; a requested one waits its turn, a hovered one is dropped.
        if (!record.requested)
            return;
        const bool queued = std::any_of(m_queue.begin(), m_queue.end(),
                                        [&](const ZToolTipRecord& r) { return r.key == record.key; });
        if (!queued)
            m_queue.push_back(record);
        return;
    }
    m_openRecord = record;
    m_sticky = record.requested != 0;
    m_duration = m_sticky ? record.duration : 0.0f;
    m_open = true;
    V2 point;
    if (anchor)
        point = *anchor;
    else if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        point = {pointer->GetX(), pointer->GetY()};
    const V2 place = ComputePlacement(m_openRecord, point, true);
    if (m_group)
        m_group->SetWorldPosition(V3{place.x, place.y, kDepth});

    if (m_title)
        m_title->SetText(m_openRecord.title ? m_openRecord.title : "");
    if (m_text)
        m_text->SetText(m_openRecord.text ? m_openRecord.text : "");
    if (m_openRecord.geom)
        m_openRecord.geom->SetHidden(false);
    for (int i = 0; i < kHighlights; ++i)
    {
        ZHighlight2* highlight = m_highlights[i];
        if (!highlight)
            continue;
        highlight->SetActive(false);
        if (i < m_openRecord.nodeCount && m_openRecord.nodes[i])
        {
            highlight->Attach(m_openRecord.nodes[i]);
            highlight->SetActive(true);
        }
    }
    ShowTip();
    if (m_sticky)
        UpdateFooter();
    else
        SetMessage(ZStringTable::GetInstance()->GetText(kFooterKeys[kMoveToClose]));
}

void ZToolTipManager::ShowTip()
{
    m_closing = false;
    ZSound* sound = ZSound::Find("tooltip");
    IAudio* audio = ZEngine::PeekInstance() ? ZEngine::PeekInstance()->GetAudio() : nullptr;
    if (sound && audio)
        audio->PlaySound(sound->GetVoiceHandle(), false);
    m_clicked = false;
    m_openTime = Now();
    SetBoxShown(true);
    if (m_show)
    {
        if (m_move)
            m_move->SetActive(false);
        if (!m_show->IsActive())
            m_show->SetActive(true);
    }
    if (m_text)
    {
        if (ZModifierV2* reveal = m_text->GetModifier())
            reveal->Start(float(Now()));
    }
}

void ZToolTipManager::SetBoxShown(bool shown)
{
    if (m_group)
        m_group->SetHidden(!shown);
    if (m_camera)
        m_camera->SetActive(shown && m_group);
}

void ZToolTipManager::SetMessage(const char* text)
{
    if (m_message)
        m_message->SetText(text ? text : "");
}

void ZToolTipManager::UpdateFooter()
{
    ZStringTable* table = ZStringTable::GetInstance();
    for (int i = 0; i < 4; ++i)
    {
        if (!m_footers[i])
            m_footers[i] = table->GetText(kFooterKeys[i]);
    }
    if (m_closing)
        return;
    const float remaining = std::clamp(float(double(m_duration) - (Now() - m_openTime)), 0.0f, m_duration);
    if (remaining <= 0.0f)
    {
        SetMessage(m_footers[m_clicked ? kMoveToClose : kClickToClose]);
        return;
    }
    const int seconds = int(std::trunc(remaining + 1.0f));
    SetMessage(FormatChecked(m_footers[m_clicked ? kClosingIn : kSecsLeft], {seconds}).c_str());
}

void ZToolTipManager::Replace()
{
    if (!m_group || !m_move)
        return;
    V2 anchor;
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        anchor = {pointer->GetX(), pointer->GetY()};
    const V2 place = ComputePlacement(m_openRecord, anchor, false);
    const V3 here = WorldPosition(m_group);
    const V3 there{place.x, place.y, kDepth};
    if (V3::Distance(here, there) <= kStill)
        return;
    m_move->SetActive(false);
    m_move->start = here;
    m_move->end = there;
    m_move->SetDuration(kMoveTime);
    m_move->SetActive(true);
}

void ZToolTipManager::StartHide()
{
    SetMessage("");
    m_closing = true;
    if (!m_hide)
    {
        HideNow();
        return;
    }
    if (m_move)
        m_move->SetActive(false);
    if (!m_hide->IsActive())
        m_hide->SetActive(true);
}

void ZToolTipManager::HideNow()
{
    const bool wasOpen = m_open;
    m_open = false;
    m_closing = false;
    m_hoverSource = nullptr;
    SetBoxShown(false);
    if (wasOpen)
    {
        if (m_openRecord.geom)
            m_openRecord.geom->SetHidden(true);
        if (m_openRecord.forgetAfterClose)
            UnregisterTip(m_openRecord.key);
    }
    for (ZHighlight2* highlight : m_highlights)
    {
        if (highlight)
            highlight->SetActive(false);
    }
    if (!m_queue.empty())
    {
        const ZToolTipRecord next = m_queue.front();
        m_queue.pop_front();
        OpenRecord(next, nullptr);
    }
}

void ZToolTipManager::CloseToolTip(ZNameId key, float delay)
{
    m_pendingCloses.push_back({key, false, Now() + double(delay)});
}

void ZToolTipManager::CloseToolTipByName(const char* key, float delay)
{
    if (key)
        CloseToolTip(ZNameId(key), delay);
}

void ZToolTipManager::CloseAll()
{
    m_queue.clear();
    m_pendingCloses.push_back({ZNameId(), true, Now() + double(kCloseAllDelay)});
}

void ZToolTipManager::OnFrame()
{
    if (m_closeOrphanedHover)
    {
        m_closeOrphanedHover = false;
        if (m_open && !m_sticky && !m_closing)
            StartHide();
    }
    if (!m_pendingCloses.empty())
    {
        const double now = Now();
        std::vector<PendingClose> due;
        auto split = std::stable_partition(m_pendingCloses.begin(), m_pendingCloses.end(),
                                           [&](const PendingClose& c) { return c.when > now; });
        due.assign(split, m_pendingCloses.end());
        m_pendingCloses.erase(split, m_pendingCloses.end());
        for (const PendingClose& close : due)
        {
            if (!close.all)
            {
                m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                             [&](const ZToolTipRecord& r) { return r.key == close.key; }),
                              m_queue.end());
            }
            if (m_open && !m_closing && (close.all || m_openRecord.key == close.key))
                StartHide();
        }
    }
    if (m_open && m_sticky)
        UpdateFooter();
}

void ZToolTipManager::OnMouseMove(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state, (void)target, (void)handled;
    if (m_open && m_sticky && m_clicked && Now() - m_openTime > double(m_duration))
        StartHide();
}

void ZToolTipManager::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state;
    // The box swallows clicks.
    if (target && target == m_background && handled)
        *handled = true;
}

void ZToolTipManager::OnLeftUp(const SPointerState& state, ZNode* target, bool* handled)
{
    OnLeftDown(state, target, handled);
}

void ZToolTipManager::OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state;
    if (target && target == m_background && handled)
        *handled = true;
    if (m_open && m_sticky)
    {
        m_clicked = true;
        if (Now() - m_openTime > double(m_duration) || g_tipsTest.GetValue())
            StartHide();
        else
            Replace();
        return;
    }
    if (!target || HasButtonAncestor(target))
        return;
    auto it = m_targets.find(target);
    if (it == m_targets.end())
        return;
    ZToolTipRecord record = it->second;
    record.requested = 1;
    record.duration = 0.0f;
    OpenRecord(record, nullptr);
    if (handled)
        *handled = true;
}

void ZToolTipManager::OnHoverStart(const SPointerState& state, ZNode* node)
{
    (void)state;
    auto it = node ? m_targets.find(node) : m_targets.end();
    if (it == m_targets.end())
        return;
    ZToolTipRecord record = it->second;
    record.requested = 0;
    const bool wasOpen = m_open;
    OpenRecord(record, nullptr);
    if (!wasOpen && m_open)
        m_hoverSource = node;
}

void ZToolTipManager::OnHoverEnd(const SPointerState& state, ZNode* node)
{
    (void)state, (void)node;
    if (m_open && !m_sticky)
        StartHide();
}

void ZToolTipManager::Ended(ZControllerBase* controller)
{
    if (controller && controller == m_hide && m_open)
        HideNow();
}

void ZToolTipManager::OnStateSwitched(ZGameState* current, ZGameState* previous)
{
    (void)current, (void)previous;
    if (m_show && m_show->IsActive())
        m_show->SetActive(false);
    if (m_hide && m_hide->IsActive())
        m_hide->SetActive(false);
    HideNow();
}

void ZToolTipManager::NodeGone(ZNode* node)
{
    m_watched.erase(node);
    if (node == m_hoverSource)
    {
        // Closed in the next frame: nodes are being destroyed right now.
        m_hoverSource = nullptr;
        m_closeOrphanedHover = m_open && !m_sticky;
    }
    // A highlight running on the node would go with it: it is taken off first.
    for (ZHighlight2*& highlight : m_highlights)
    {
        if (highlight == node)
        {
            highlight = nullptr;
            continue;
        }
        if (highlight && (highlight->GetTarget() == node || highlight->GetParent() == node))
        {
            highlight->SetActive(false);
            if (ZSceneTree* tree = ZSceneTree::PeekInstance())
                tree->AddChild(highlight);
        }
    }
    m_targets.erase(node);
    for (auto& [id, record] : m_tips)
        record.Forget(node);
    for (auto& [target, record] : m_targets)
        record.Forget(node);
    for (ZToolTipRecord& record : m_queue)
        record.Forget(node);
    m_openRecord.Forget(node);
    if (node == m_group)
    {
        m_group = nullptr;
        m_open = false;
        // The camera draws the group and nothing else: it goes with it.
        if (m_camera && !g_nodeListenersMuted && !ZSceneTree::IsShutdownBegun())
        {
            m_camera->SetRoot(nullptr);
            m_camera->SetActive(false);
            m_camera->Release();
        }
    }
    if (node == m_title)
        m_title = nullptr;
    if (node == m_text)
        m_text = nullptr;
    if (node == m_message)
        m_message = nullptr;
    if (node == m_background)
        m_background = nullptr;
    if (node == m_move)
        m_move = nullptr;
    if (node == m_show)
        m_show = nullptr;
    if (node == m_hide)
        m_hide = nullptr;
    if (node == m_camera)
        m_camera = nullptr;
}
