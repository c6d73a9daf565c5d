#pragma once
// The push button of every screen: a group whose children are the pictures of its visual states, an
// optional caption and an optional invisible hit zone. It follows the pointer, shows the picture of
// its state, plays the hover and click sounds and tells its listeners.
//
// A button without a "clicked" picture clicks on the press; one with it clicks on a release over
// the button after a press there. Pictures are named in the layout by the state attributes; their
// values name child nodes, found when the element is complete (or handed over as child objects).
#include <cstdint>
#include <string>

#include "engine/core/ZEventProducer.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZMousePointer.h"

class ZButton2D;
class ZFont;
class ZFontText;
class ZSound;

// Every operation has an empty default body; each receives the button.
class IButtonListener
{
public:
    virtual ~IButtonListener() = default;
    virtual void OnMouseOver(ZButton2D* button) { (void)button; }
    virtual void OnMouseOut(ZButton2D* button) { (void)button; }
    virtual void OnClicked(ZButton2D* button) { (void)button; }
    virtual void OnPressed(ZButton2D* button) { (void)button; }
    virtual void OnReleased(ZButton2D* button) { (void)button; }
    virtual void OnEnabledChanged(ZButton2D* button, bool enabled) { (void)button, (void)enabled; }
};

class ZButton2D : public ZGroup, public IMousePointerListener, public ZEventProducer<IButtonListener>
{
    QV_TYPE_RECORD(ZButton2D, &ZGroup::kTypeRecord)

public:
    enum EVisualState : int32_t
    {
        kIdle = 0,
        kHover = 1,
        kMouseOver = 2,
        kMouseOut = 3,
        kClicked = 4,
        kDisabled = 5,
        kActivated = 6,
        kStateCount = 7,
        kNoState = 8,
    };
    // When disabled without a "disabled" picture, the idle picture is dimmed.
    static constexpr uint16_t kDimIdleWhenDisabled = 0x1;
    // A press on the button is reported handled, so nothing under it gets it.
    static constexpr uint16_t kSwallowPress = 0x2;
    static constexpr float kDisabledAlpha = 0.35f;
    // Where a caption made from the font sits in depth: in front of the pictures.
    static constexpr float kCaptionZ = -90.0f;

    // 2D, and a listener of the pointer when it exists.
    ZButton2D();
    ~ZButton2D() override;

    static ZButton2D* Create() { return new ZButton2D(); }
    using ZNode::Release;

    ZSerializerBase* GetSerializer() const override;
    // Fetches the hover and click sounds by name; joins the pointer if it came after the button.
    void EnterPhase2() override;
    // The state pictures, "font", "text", "sid", "fonttext", "hitzone", "addhover"; then the group's.
    bool SetProperty(uint32_t id, const char* name, const char* value) override;
    // Parts named before their nodes existed are found now.
    void OnLoaded() override;
    virtual void SetEnabled(bool enabled);

    void SetText(const char* text);
    void SetVisualState(int32_t state);
    // The hit zone when set, else the current picture.
    ZNode* GetHitNode() const;
    bool IsOwnTarget(const ZNode* node) const;
    // The button belongs to the top state of the game, or that state lets lower buttons work.
    bool IsInTopState() const;
    // Names the node for a state (kIdle .. kActivated): pickable, hand pointer, shown when current.
    void SetStatePicture(int32_t state, ZNode* node);
    void SetHitZone(ZNode* node);
    void SetHoverExtra(ZNode* node);
    void SetCaptionNode(ZFontText* node);
    void SetCaptionFont(ZFont* font);
    // Null clears the state's sound; the sound is referenced while held.
    void SetStateSound(int32_t state, ZSound* sound);

    // IMousePointerListener.
    void OnMouseOver(const SPointerState& state, ZNode* node, bool* handled) override;
    void OnMouseOut(const SPointerState& state, ZNode* node, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled) override;

    bool IsEnabled() const { return m_enabled; }
    bool IsActivated() const { return m_activated; }
    // While on, an "activated" picture shows whatever the state.
    void SetActivated(bool on);
    bool IsInputIgnored() const { return m_inputIgnored; }
    void SetInputIgnored(bool on) { m_inputIgnored = on; }
    uint16_t GetOptions() const { return m_options; }
    void SetOptions(uint16_t options) { m_options = options; }
    int32_t GetVisualState() const { return m_state; }
    int32_t GetPreviousState() const { return m_previousState; }
    uint32_t GetStateStamp() const { return m_stateStamp; }
    ZNode* GetStatePicture(int32_t state) const;
    ZNode* GetCurrentPicture() const { return m_currentPicture; }
    ZNode* GetHitZone() const { return m_hitZone; }
    ZNode* GetHoverExtra() const { return m_hoverExtra; }
    ZFontText* GetCaptionNode() const { return m_captionNode; }
    ZFont* GetCaptionFont() const { return m_captionFont; }
    const std::string& GetText() const { return m_text; }
    ZSound* GetStateSound(int32_t state) const;
    void SetCaptionOffset(float x, float y)
    {
        m_captionOffsetX = x;
        m_captionOffsetY = y;
    }
    bool IsPointerOver() const { return m_pointerOver; }

    // Takes the listener off every button in the subtree: a widget going away leaves the buttons it
    // listened to without reaching through part pointers that may have gone before it.
    static void RemoveListenerBelow(ZNode* root, IButtonListener* listener);

protected:
    // Plays the state's sound when it has one and an audio object exists.
    void PlayStateSound(int32_t state);
    template <class Fn> void Tell(Fn&& fn) { ZEventProducer<IButtonListener>::Deliver(fn); }
    // The node a part attribute names: a child object handed over, or the child with that name
    // (null when it does not exist yet).
    ZNode* PartNode(const char* value);

private:
    enum EPart : int32_t
    {
        kPartHitZone = kStateCount,
        kPartHoverExtra,
        kPartFontText,
        kPartCount,
    };
    void SetPart(int32_t part, ZNode* node);
    void ResolvePending();

    float m_disabledAlpha = kDisabledAlpha;
    uint16_t m_options = kDimIdleWhenDisabled | kSwallowPress;
    ZSound* m_sounds[kStateCount] = {};
    std::string m_text;
    ZFont* m_captionFont = nullptr;
    ZFontText* m_captionNode = nullptr;
    ZNode* m_hoverExtra = nullptr;
    ZNode* m_currentPicture = nullptr;
    ZNode* m_pictures[kStateCount] = {};
    ZNode* m_previousPicture = nullptr;
    ZNode* m_hitZone = nullptr;
    uint32_t m_stateStamp = 0xFFFFFFFFu;
    float m_captionOffsetX = 0.0f;
    float m_captionOffsetY = 0.0f;
    int32_t m_state = kIdle;
    int32_t m_previousState = kNoState;
    bool m_enabled = true;
    bool m_activated = false;
    bool m_inputIgnored = false;
    bool m_pointerOver = false;
    // Child names given before the children were there, by part.
    std::string m_pending[kPartCount];
};
