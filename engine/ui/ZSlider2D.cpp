#include "engine/ui/ZSlider2D.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/core/ZPropertyManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{
ZSerializerRTTI<ZSlider2D> s_slider2DSerializer;

constexpr ZNameId kKnob{"knob"};
constexpr ZNameId kTrack{"track"};
constexpr ZNameId kReadout{"readout"};
constexpr ZNameId kUpButton{"up_button"};
constexpr ZNameId kDownButton{"down_button"};
constexpr ZNameId kBindTo{"bind_to"};

constexpr const char* kPartNames[] = {"knob", "track", "readout", "up_button", "down_button"};

// Exactly one conversion, and a floating-point one: the readout hands the format one float.
bool IsFloatFormat(const char* format)
{
    if (!format)
        return false;
    int conversions = 0;
    for (const char* p = format; *p; ++p)
    {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        while (std::isdigit(static_cast<unsigned char>(*p)))
            ++p;
        if (*p == '.')
        {
            ++p;
            while (std::isdigit(static_cast<unsigned char>(*p)))
                ++p;
        }
        if (!*p || !std::strchr("fFeEgG", *p))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

float Clamp01(float value)
{
    // NaN falls to 0 as well.
    return value > 0.0f ? std::min(value, 1.0f) : 0.0f;
}

V3 WorldPosition(ZNode* node)
{
    V3 point;
    if (auto* geom = ZEntityCast<ZGeom>(node))
        geom->LocalToWorld(point);
    return point;
}
} // namespace

ZSlider2D::~ZSlider2D()
{
    Bind(nullptr);
    ZButton2D::RemoveListenerBelow(this, this);
    // During the engine's teardown the scene deletes the controller itself, perhaps already.
    if (m_drag && !g_nodeListenersMuted && !ZSceneTree::IsShutdownBegun())
    {
        m_drag->RemoveStateListener(this);
        m_drag->RemoveListener(this);
        m_drag->Release();
    }
    m_drag = nullptr;
}

ZSerializerBase* ZSlider2D::GetSerializer() const
{
    return &s_slider2DSerializer;
}

bool ZSlider2D::SetProperty(uint32_t id, const char* name, const char* value)
{
    const uint32_t ids[kPartCount] = {kKnob.Value(), kTrack.Value(), kReadout.Value(), kUpButton.Value(),
                                      kDownButton.Value()};
    for (int part = 0; part < kPartCount; ++part)
    {
        if (id != ids[part])
            continue;
        ZNode* node = nullptr;
        if (const ZEntity* handed = SerializedChild<ZEntity>(value))
            node = ZEntityCast<ZNode>(const_cast<ZEntity*>(handed));
        else if (value && value[0])
            node = FindNode(value);
        if (node)
            SetPart(part, node);
        else if (value && !SerializedChild<ZEntity>(value))
            m_pending[part] = value;
        return true;
    }
    if (id == kBindTo.Value())
    {
        ZPropertyManager* settings = ZPropertyManager::PeekInstance();
        if (ZPropertyFloat* setting = settings && value ? settings->FindTyped<float>(value) : nullptr)
            Bind(setting);
        return true;
    }
    return ZGroup::SetProperty(id, name, value);
}

void ZSlider2D::OnLoaded()
{
    ZGroup::OnLoaded();
    for (int part = 0; part < kPartCount; ++part)
    {
        if (m_pending[part].empty())
            continue;
        ZNode* node = FindNode(m_pending[part].c_str());
        m_pending[part].clear();
        if (node)
            SetPart(part, node);
    }
}

void ZSlider2D::SetPart(int part, ZNode* node)
{
    switch (part)
    {
    case kPartKnob:
        SetKnob(node);
        break;
    case kPartTrack:
        SetTrack(node);
        break;
    case kPartReadout:
        SetReadout(ZEntityCast<ZFontText>(node));
        break;
    case kPartUp:
        SetUpButton(ZEntityCast<ZButton2D>(node));
        break;
    case kPartDown:
        SetDownButton(ZEntityCast<ZButton2D>(node));
        break;
    default:
        break;
    }
}

void ZSlider2D::FindParts()
{
    for (int part = 0; part < kPartCount; ++part)
    {
        const bool missing = part == kPartKnob      ? !m_knob
                             : part == kPartTrack   ? !m_track
                             : part == kPartReadout ? !m_readout
                             : part == kPartUp      ? !m_upButton
                                                    : !m_downButton;
        if (missing)
        {
            if (ZNode* node = FindNode(kPartNames[part]))
                SetPart(part, node);
        }
    }
    if (!m_background)
        m_background = FindNode("background");
    PlaceKnob();
}

void ZSlider2D::SetKnob(ZNode* node)
{
    m_pending[kPartKnob].clear();
    m_knob = node;
    if (!node)
        return;
    node->SetFlags(kNodePickable);
    PlaceKnob();
}

void ZSlider2D::SetTrack(ZNode* node)
{
    m_pending[kPartTrack].clear();
    m_track = node;
    Layout();
}

void ZSlider2D::SetReadout(ZFontText* node)
{
    m_pending[kPartReadout].clear();
    m_readout = node;
    UpdateReadout();
}

void ZSlider2D::SetUpButton(ZButton2D* button)
{
    m_pending[kPartUp].clear();
    if (m_upButton && m_upButton != m_downButton)
        m_upButton->RemoveListener(this);
    m_upButton = button;
    if (button)
        button->AddListener(this);
}

void ZSlider2D::SetDownButton(ZButton2D* button)
{
    m_pending[kPartDown].clear();
    if (m_downButton && m_downButton != m_upButton)
        m_downButton->RemoveListener(this);
    m_downButton = button;
    if (button)
        button->AddListener(this);
}

bool ZSlider2D::Layout()
{
    if (!m_knob || !m_track)
        return false;
    auto* track = ZEntityCast<ZGeom>(m_track);
    if (!track)
        return false;
    // The track's width, scaled, centred on its origin; a track that is no sprite has none.
    float half = 0.0f;
    if (auto* sprite = ZEntityCast<ZSprite>(m_track))
        half = sprite->GetScaledSize().x * 0.5f;
    V3 left{-half, 0.0f, 0.0f}, right{half, 0.0f, 0.0f};
    track->LocalToWorld(left);
    track->LocalToWorld(right);
    m_leftX = left.x;
    m_rightX = right.x;

    if (!m_drag)
    {
        m_drag = ZDragController::Create(m_knob);
        m_drag->AddListener(this);
        m_drag->AddStateListener(this);
        // Made after the scene's start-up stages, it joins the pointer here.
        m_drag->EnterPhase2();
    }
    else if (m_drag->GetTarget() != m_knob)
    {
        m_drag->SetTarget(m_knob);
    }
    m_drag->SetKeepY(true);
    m_drag->SetKeepX(false);
    const float knobY = WorldPosition(m_knob).y;
    m_drag->SetDragBounds(V2{m_leftX, knobY}, V2{m_rightX, knobY});
    m_laidOut = true;
    return true;
}

void ZSlider2D::PlaceKnob()
{
    auto* knob = ZEntityCast<ZGeom>(m_knob);
    if (!knob || !Layout())
        return;
    // Placed in world space and taken back into the knob's parent, whatever lies between.
    V3 world = WorldPosition(knob);
    world.x = m_leftX + m_position * (m_rightX - m_leftX);
    knob->SetWorldPosition(world);
}

void ZSlider2D::UpdateReadout()
{
    if (!m_readout)
        return;
    char text[kReadoutSize];
    std::snprintf(text, sizeof(text), m_format.c_str(), double(m_readoutScale * m_position));
    m_readout->SetText(text);
}

bool ZSlider2D::SetReadoutFormat(const char* format)
{
    if (!IsFloatFormat(format))
        return false;
    m_format = format;
    UpdateReadout();
    return true;
}

void ZSlider2D::SetReadoutScale(float scale)
{
    m_readoutScale = scale;
    UpdateReadout();
}

void ZSlider2D::SetValue(float value, bool notify)
{
    const float low = std::min(m_minimum, m_maximum), high = std::max(m_minimum, m_maximum);
    const float v = std::clamp(value, low, high);
    const float range = m_maximum - m_minimum;
    // An empty range has one place: the start.
    m_position = range != 0.0f ? Clamp01((v - m_minimum) / range) : 0.0f;
    PlaceKnob();
    UpdateReadout();
    if (notify)
    {
        const float position = m_position;
        ZEventProducer<ISliderListener>::Deliver([this, position](ISliderListener* l)
                                                 { l->OnSliderChanged(position, this); });
    }
}

void ZSlider2D::MoveTo(float position)
{
    // Positions are turned into the range's values, so a setting whose range is not [0, 1] moves
    // by a tenth of its range per step and spans it along the track.
    const float value = m_minimum + Clamp01(position) * (m_maximum - m_minimum);
    SetValue(value, true);
    if (!m_setting)
        return;
    m_writing = true;
    m_setting->SetValue(value);
    m_writing = false;
}

void ZSlider2D::OnPressed(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_downButton)
        MoveTo(m_position - kStep);
    else if (button == m_upButton)
        MoveTo(m_position + kStep);
}

void ZSlider2D::OnKnobMoved()
{
    if (!m_knob || !Layout())
        return;
    const float span = m_rightX - m_leftX;
    const float raw = span != 0.0f ? (WorldPosition(m_knob).x - m_leftX) / span : 0.0f;
    MoveTo(raw);
}

void ZSlider2D::OnDragMove(ZNode*, ZDragController* controller)
{
    if (controller == m_drag)
        OnKnobMoved();
}

void ZSlider2D::NodeGone(ZNode* node)
{
    if (node == m_drag)
        m_drag = nullptr;
}

void ZSlider2D::Bind(ZPropertyFloat* setting)
{
    if (m_setting)
        m_setting->RemoveListener(this);
    m_setting = setting;
    if (!setting)
        return;
    if (setting->IsClamped())
        SetRange(setting->GetMinimum(), setting->GetMaximum());
    SetValue(setting->GetValue(), false);
    setting->AddListener(this);
}

void ZSlider2D::OnPropertyChanged(ZProperty* property)
{
    if (!m_setting || property != m_setting || m_writing)
        return;
    SetValue(m_setting->GetValue(), true);
}
