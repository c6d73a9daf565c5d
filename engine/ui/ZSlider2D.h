#pragma once
// A horizontal slider built from named child parts: a knob moved along a track, an up and a down
// button that step it by a tenth of the range, and a text readout. It can be bound to a float
// setting, which it then writes when the player moves it and follows when the setting changes.
//
// The position is the value's place in [minimum, maximum] as a number in [0, 1]. The knob travels
// between the track's two ends in world space; the ends are taken again whenever the knob is
// placed, so a slider whose screen moved still places its knob right.
#include <string>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZProperty.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDragController.h"

class ZFontText;
class ZSlider2D;

class ISliderListener
{
public:
    virtual ~ISliderListener() = default;
    // The new position in [0, 1], and the slider that moved.
    virtual void OnSliderChanged(float position, ZSlider2D* slider) { (void)position, (void)slider; }
};

class ZSlider2D : public ZGroup,
                  public IButtonListener,
                  public IPropertyListener,
                  public IDragListener,
                  public INodeStateListener,
                  public ZEventProducer<ISliderListener>
{
    QV_TYPE_RECORD(ZSlider2D, &ZGroup::kTypeRecord)

public:
    // What one press of the up or down button moves the position by.
    static constexpr float kStep = 0.1f;
    // The readout is formatted into this many bytes, terminator included.
    static constexpr size_t kReadoutSize = 8;

    ZSlider2D() = default;
    ~ZSlider2D() override;

    static ZSlider2D* Create() { return new ZSlider2D(); }
    using ZNode::Release;

    ZSerializerBase* GetSerializer() const override;
    // "knob", "track", "readout", "up_button", "down_button" (children, by object or name) and
    // "bind_to" (a float setting's name); then the group's.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    void OnLoaded() override;

    // Finds each part still missing among the children by its own name ("knob", "background",
    // "track", "up_button", "down_button", "readout") and places the knob.
    void FindParts();
    // Takes the setting's range (when it clamps) and value, and follows it; null unbinds.
    void Bind(ZPropertyFloat* setting);
    // The value is clamped into the range; the knob and the readout follow; listeners hear the new
    // position when notify is set.
    void SetValue(float value, bool notify);
    // Takes the knob's ends from the track and keeps the knob's drag on the track between them;
    // false without knob or track.
    bool Layout();
    // The knob was moved (by its drag): its place along the track becomes the value, also in the
    // bound setting.
    void OnKnobMoved();

    void SetKnob(ZNode* node);
    void SetTrack(ZNode* node);
    void SetReadout(ZFontText* node);
    void SetUpButton(ZButton2D* button);
    void SetDownButton(ZButton2D* button);
    void SetBackground(ZNode* node) { m_background = node; }
    // A printf format with exactly one floating-point conversion; anything else is refused (false)
    // and the format stays as it was. The readout is rewritten.
    bool SetReadoutFormat(const char* format);
    void SetReadoutScale(float scale);

    // IButtonListener: the up and down buttons step the position.
    void OnPressed(ZButton2D* button) override;
    // IPropertyListener: the bound setting changed.
    void OnPropertyChanged(ZProperty* property) override;
    // IDragListener: the knob is being dragged.
    void OnDragMove(ZNode* node, ZDragController* controller) override;
    // INodeStateListener: the knob's drag controller went away.
    void NodeGone(ZNode* node) override;

    float GetPosition() const { return m_position; }
    // The value at the current position.
    float GetValue() const { return m_minimum + m_position * (m_maximum - m_minimum); }
    float GetMinimum() const { return m_minimum; }
    float GetMaximum() const { return m_maximum; }
    void SetRange(float minimum, float maximum)
    {
        m_minimum = minimum;
        m_maximum = maximum;
    }
    float GetLeftX() const { return m_leftX; }
    float GetRightX() const { return m_rightX; }
    bool IsLaidOut() const { return m_laidOut; }
    ZNode* GetKnob() const { return m_knob; }
    ZNode* GetTrack() const { return m_track; }
    ZNode* GetBackground() const { return m_background; }
    ZButton2D* GetUpButton() const { return m_upButton; }
    ZButton2D* GetDownButton() const { return m_downButton; }
    ZFontText* GetReadout() const { return m_readout; }
    ZPropertyFloat* GetBoundSetting() const { return m_setting; }
    ZDragController* GetKnobDrag() const { return m_drag; }
    const std::string& GetReadoutFormat() const { return m_format; }
    float GetReadoutScale() const { return m_readoutScale; }

private:
    enum EPart : int
    {
        kPartKnob,
        kPartTrack,
        kPartReadout,
        kPartUp,
        kPartDown,
        kPartCount,
    };
    void SetPart(int part, ZNode* node);
    void PlaceKnob();
    void UpdateReadout();
    // The position (clamped) as a value, shown and written into the bound setting.
    void MoveTo(float position);

    ZPropertyFloat* m_setting = nullptr;
    ZNode* m_knob = nullptr;
    ZNode* m_background = nullptr;
    ZNode* m_track = nullptr;
    ZButton2D* m_upButton = nullptr;
    ZButton2D* m_downButton = nullptr;
    ZFontText* m_readout = nullptr;
    ZDragController* m_drag = nullptr;
    float m_leftX = 0.0f;
    float m_rightX = 0.0f;
    float m_position = 0.0f;
    float m_minimum = 0.0f;
    float m_maximum = 1.0f;
    float m_readoutScale = 1.0f;
    std::string m_format = "%.2f";
    bool m_laidOut = false;
    // Set while the slider writes its own setting, whose notification it then needs not follow.
    bool m_writing = false;
    std::string m_pending[kPartCount];
};
