#include "engine/ui/ZButton2D.h"

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameState.h"
#include "engine/audio/ZSound.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSprite.h"

namespace
{
ZSerializerRTTI<ZButton2D> s_button2DSerializer;

constexpr const char* kHoverSound = "button_mouseover";
constexpr const char* kClickSound = "button_click";

constexpr ZNameId kStateNames[ZButton2D::kStateCount] = {
    ZNameId{"idle"},    ZNameId{"hover"},    ZNameId{"mouseover"}, ZNameId{"mouseout"},
    ZNameId{"clicked"}, ZNameId{"disabled"}, ZNameId{"activated"},
};
constexpr ZNameId kFont{"font"};
constexpr ZNameId kText{"text"};
constexpr ZNameId kSid{"sid"};
constexpr ZNameId kFontText{"fonttext"};
constexpr ZNameId kHitZone{"hitzone"};
constexpr ZNameId kAddHover{"addhover"};

// A picture may be a sprite, a text or a group of them.
void SetPictureAlpha(ZNode* node, float alpha)
{
    if (!node)
        return;
    if (auto* sprite = ZEntityCast<ZSprite>(node))
        sprite->SetAlpha(alpha);
    else if (auto* text = ZEntityCast<ZFontText>(node))
        text->SetAlphaField(alpha);
    else
        SetChildrenAlpha(node, alpha);
}
} // namespace

ZButton2D::ZButton2D()
{
    SetFlags(kNode2D);
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->AddListener(this);
}

ZButton2D::~ZButton2D()
{
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->RemoveListener(this);
    for (ZSound*& sound : m_sounds)
    {
        if (sound)
            sound->Release();
        sound = nullptr;
    }
    SetCaptionFont(nullptr);
}

ZSerializerBase* ZButton2D::GetSerializer() const
{
    return &s_button2DSerializer;
}

void ZButton2D::EnterPhase2()
{
    ZGroup::EnterPhase2();
    SetStateSound(kHover, ZSound::Find(kHoverSound));
    SetStateSound(kClicked, ZSound::Find(kClickSound));
    // Buttons made before the pointer (screens loaded during start-up) join it here.
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
        pointer->AddListener(this);
}

ZNode* ZButton2D::PartNode(const char* value)
{
    if (const ZEntity* handed = SerializedChild<ZEntity>(value))
        return ZEntityCast<ZNode>(const_cast<ZEntity*>(handed));
    if (!value || !value[0])
        return nullptr;
    return FindNode(value);
}

bool ZButton2D::SetProperty(uint32_t id, const char* name, const char* value)
{
    for (int32_t state = 0; state < kStateCount; ++state)
    {
        if (id != kStateNames[state].Value())
            continue;
        SetPart(state, PartNode(value));
        if (!m_pictures[state] && value && !SerializedChild<ZEntity>(value))
            m_pending[state] = value;
        ZGroup::SetProperty(id, name, value);
        return true;
    }
    if (id == kFont.Value())
    {
        SetCaptionFont(value && TextFontCalls().Find ? TextFontCalls().Find(value) : nullptr);
        return true;
    }
    if (id == kText.Value())
    {
        SetText(value);
        return true;
    }
    if (id == kSid.Value())
    {
        SetText(value ? ZStringTable::GetInstance()->GetText(value) : nullptr);
        return true;
    }
    const int32_t part = id == kFontText.Value()   ? kPartFontText
                         : id == kHitZone.Value()  ? kPartHitZone
                         : id == kAddHover.Value() ? kPartHoverExtra
                                                   : -1;
    if (part >= 0)
    {
        ZNode* node = PartNode(value);
        SetPart(part, node);
        if (!node && value && !SerializedChild<ZEntity>(value))
            m_pending[part] = value;
        return true;
    }
    return ZGroup::SetProperty(id, name, value);
}

void ZButton2D::OnLoaded()
{
    ZGroup::OnLoaded();
    ResolvePending();
}

void ZButton2D::ResolvePending()
{
    for (int32_t part = 0; part < kPartCount; ++part)
    {
        if (m_pending[part].empty())
            continue;
        ZNode* node = FindNode(m_pending[part].c_str());
        m_pending[part].clear();
        if (node)
            SetPart(part, node);
    }
}

void ZButton2D::SetPart(int32_t part, ZNode* node)
{
    if (part < kStateCount)
        SetStatePicture(part, node);
    else if (part == kPartHitZone)
        SetHitZone(node);
    else if (part == kPartHoverExtra)
        SetHoverExtra(node);
    else if (part == kPartFontText)
        SetCaptionNode(ZEntityCast<ZFontText>(node));
}

void ZButton2D::SetStatePicture(int32_t state, ZNode* node)
{
    if (state < 0 || state >= kStateCount)
        return;
    m_pending[state].clear();
    m_pictures[state] = node;
    if (!node)
        return;
    node->SetFlags(kNodePickable | kNodeHandPointer);
    if (state == m_state)
    {
        node->SetHidden(false);
        m_currentPicture = node;
    }
    else if (node != m_currentPicture)
    {
        node->SetHidden(true);
    }
}

void ZButton2D::SetHitZone(ZNode* node)
{
    m_pending[kPartHitZone].clear();
    m_hitZone = node;
    if (!node)
        return;
    node->SetFlags(kNodePickable | kNodeHandPointer);
    SetPictureAlpha(node, 0.0f);
}

void ZButton2D::SetHoverExtra(ZNode* node)
{
    m_pending[kPartHoverExtra].clear();
    m_hoverExtra = node;
    if (node)
        node->SetHidden(true);
}

void ZButton2D::SetCaptionNode(ZFontText* node)
{
    m_pending[kPartFontText].clear();
    if (node == m_captionNode)
        return;
    if (m_captionNode)
        m_captionNode->Release();
    m_captionNode = node;
    // A layout's own caption text stays until the button is given one.
    if (node && !m_text.empty())
        node->SetText(m_text.c_str());
}

void ZButton2D::SetCaptionFont(ZFont* font)
{
    if (font == m_captionFont)
        return;
    ZTextFontCalls& calls = TextFontCalls();
    if (font && calls.AddRef)
        calls.AddRef(font);
    if (m_captionFont && calls.Release)
        calls.Release(m_captionFont);
    m_captionFont = font;
    if (font && !m_text.empty())
        SetText(m_text.c_str());
}

void ZButton2D::SetText(const char* text)
{
    m_text = text ? text : "";
    if (m_captionNode)
    {
        m_captionNode->SetText(m_text.c_str());
        return;
    }
    if (!m_captionFont)
        return;
    ZFontText* caption = ZFontText::Create(m_captionFont);
    if (!caption)
        return;
    caption->SetName(m_text.c_str());
    caption->SetText(m_text.c_str());
    caption->SetPivot(PIVOT_CENTER);
    caption->SetPositionXYZ(m_captionOffsetX, m_captionOffsetY, kCaptionZ);
    AddChild(caption);
    m_captionNode = caption;
}

void ZButton2D::SetStateSound(int32_t state, ZSound* sound)
{
    if (state < 0 || state >= kStateCount || m_sounds[state] == sound)
        return;
    if (sound)
        sound->AddRef();
    if (m_sounds[state])
        m_sounds[state]->Release();
    m_sounds[state] = sound;
}

ZSound* ZButton2D::GetStateSound(int32_t state) const
{
    return state >= 0 && state < kStateCount ? m_sounds[state] : nullptr;
}

ZNode* ZButton2D::GetStatePicture(int32_t state) const
{
    return state >= 0 && state < kStateCount ? m_pictures[state] : nullptr;
}

void ZButton2D::PlayStateSound(int32_t state)
{
    ZSound* sound = GetStateSound(state);
    if (sound && g_engine && g_engine->GetAudio())
        sound->Play();
}

void ZButton2D::SetActivated(bool on)
{
    if (m_activated == on)
        return;
    m_activated = on;
    SetVisualState(m_state);
}

void ZButton2D::SetVisualState(int32_t state)
{
    ZNode* picture = m_activated && m_pictures[kActivated] ? m_pictures[kActivated] : GetStatePicture(state);
    if (m_hoverExtra)
        m_hoverExtra->SetHidden(state != kHover);
    if (picture)
    {
        if (m_currentPicture)
        {
            m_currentPicture->SetHidden(true);
            SetPictureAlpha(m_currentPicture, 1.0f);
        }
        picture->SetHidden(false);
        m_previousPicture = m_currentPicture;
        m_currentPicture = picture;
    }
    SetPictureAlpha(m_currentPicture, m_enabled ? 1.0f : m_disabledAlpha);
    IRender* render = g_engine ? g_engine->GetRender() : nullptr;
    m_stateStamp = render ? render->GetFrameCount() : 0;
    m_previousState = m_state;
    m_state = state;
}

ZNode* ZButton2D::GetHitNode() const
{
    return m_hitZone ? m_hitZone : m_currentPicture;
}

bool ZButton2D::IsOwnTarget(const ZNode* node) const
{
    if (!node)
        return false;
    if (node == m_hitZone)
        return true;
    for (const ZNode* picture : m_pictures)
    {
        if (picture == node)
            return true;
    }
    return false;
}

bool ZButton2D::IsInTopState() const
{
    ZGame* game = ZGame::PeekInstance();
    ZGameState* top = game ? game->GetTopState() : nullptr;
    if (!top)
        return false;
    return GetSubtreeValue() == reinterpret_cast<intptr_t>(top->GetRoot()) || top->GetSpare();
}

void ZButton2D::OnMouseOver(const SPointerState&, ZNode* node, bool*)
{
    if (m_inputIgnored || !IsOwnTarget(node))
        return;
    m_pointerOver = IsInTopState();
    // Entering the picture this very switch made visible is no new over.
    if (!m_pointerOver || (m_state != kIdle && node == m_pictures[m_state]))
        return;
    if (m_enabled)
    {
        SetVisualState(kHover);
        PlayStateSound(kHover);
    }
    Tell([this](IButtonListener* l) { l->OnMouseOver(this); });
}

void ZButton2D::OnMouseOut(const SPointerState&, ZNode* node, bool*)
{
    if (m_inputIgnored || !IsOwnTarget(node))
        return;
    // A picture that a state switch hid leaves the pick while the pointer is still over the
    // button: its replacement is under the pointer, so this is no out. Nor is there one for a
    // pointer that was never over the button as far as it knows (a covered screen's button).
    if (!m_pointerOver)
        return;
    if (node != m_currentPicture && node->IsHidden() && m_currentPicture)
    {
        ZMousePointer* pointer = ZMousePointer::PeekInstance();
        if (pointer && pointer->IsUnderPointer(m_currentPicture, -1.0f))
            return;
    }
    m_pointerOver = false;
    if (m_enabled)
    {
        SetVisualState(kIdle);
        PlayStateSound(kIdle);
    }
    Tell([this](IButtonListener* l) { l->OnMouseOut(this); });
}

void ZButton2D::OnLeftDown(const SPointerState&, ZNode* target, bool* handled)
{
    if (m_inputIgnored || !IsOwnTarget(target) || !m_enabled || !IsInTopState())
        return;
    if ((m_options & kSwallowPress) && handled)
        *handled = true;
    SetVisualState(kClicked);
    Tell([this](IButtonListener* l) { l->OnPressed(this); });
    if (!m_pictures[kClicked])
    {
        PlayStateSound(kClicked);
        Tell([this](IButtonListener* l) { l->OnClicked(this); });
    }
}

void ZButton2D::OnLeftUp(const SPointerState&, ZNode* target, bool*)
{
    if (m_inputIgnored || !IsOwnTarget(target) || !m_enabled || !IsInTopState())
        return;
    const bool wasPressed = m_state == kClicked;
    SetVisualState(kHover);
    Tell([this](IButtonListener* l) { l->OnReleased(this); });
    if (wasPressed && m_pictures[kClicked])
    {
        PlayStateSound(kClicked);
        Tell([this](IButtonListener* l) { l->OnClicked(this); });
    }
}

void ZButton2D::OnLeftDownAfter(const SPointerState&, ZNode* target, bool* handled)
{
    if (m_inputIgnored || !IsOwnTarget(target))
        return;
    if (m_enabled && m_pointerOver && (m_options & kSwallowPress) && handled)
        *handled = true;
}

void ZButton2D::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
    {
        if (!m_pictures[kDisabled] && (m_options & kDimIdleWhenDisabled) && m_pictures[kIdle])
            SetPictureAlpha(m_pictures[kIdle], m_disabledAlpha);
        if (m_state != kDisabled)
        {
            SetVisualState(kDisabled);
            Tell([this](IButtonListener* l) { l->OnEnabledChanged(this, false); });
        }
        return;
    }
    if (m_state == kDisabled)
    {
        SetVisualState(kIdle);
        Tell([this](IButtonListener* l) { l->OnEnabledChanged(this, true); });
    }
}

void ZButton2D::RemoveListenerBelow(ZNode* root, IButtonListener* listener)
{
    if (!root)
        return;
    ZNodeChildIterator it(root, false, false);
    for (ZNode* node = it.Next(); node; node = it.Next())
    {
        if (auto* button = ZEntityCast<ZButton2D>(node))
            button->RemoveListener(listener);
    }
}
