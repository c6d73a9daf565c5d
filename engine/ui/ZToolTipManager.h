#pragma once
// The one tool-tip display of the program. Game code registers tips by a text key (the texts
// "tip.<key>.title", "tip.<key>.text", and optionally "tip.<key>.geom" and "tip.<key>.location" of
// the localized text table) and ties each to up to eight scene nodes; the tip opens when the
// pointer hovers or clicks such a node, or when game code asks for it (sticky tips with a
// countdown). Tips that are asked for while another is open wait in a queue; hovered ones are
// dropped. A tip closes on pointer events, on any switch of the game-state stack, or on request.
//
// Every node a tip holds is watched: a node that is destroyed leaves every record, and a highlight
// running on it is taken off first, so no tip ever touches a dead node.
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/app/ZEngine.h"
#include "engine/app/ZGame.h"
#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEventProducer.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZMousePointer.h"

class ZCamera;
class ZFontText;
class ZGroup;
class ZHighlight2;
class ZInterpolateWorldPos;

extern ZPropertyBool g_tipsTest;

// A listener list without operations of its own: the game keeps its tool-tip helpers on it.
class ZToolTipListener
{
public:
    virtual ~ZToolTipListener() = default;
};

struct ZToolTipRecord
{
    static constexpr int kMaxNodes = 8;

    const char* title = nullptr;
    const char* text = nullptr;
    int32_t location = -1;
    ZNameId key;
    ZNode* geom = nullptr;
    ZNode* nodes[kMaxNodes] = {};
    // Whether each node was pickable before the tip claimed it.
    uint8_t hadPickable[kMaxNodes] = {};
    int32_t nodeCount = 0;
    // Asked for (by request or by a click on its node): sticky, and it waits when another is open.
    uint8_t requested = 0;
    uint8_t forgetAfterClose = 0;
    // The countdown of a requested tip, in seconds; it travels with the record, so a tip waiting in
    // the queue neither shortens the open one's countdown nor takes it over.
    float duration = 0.0f;

    bool HasNode(const ZNode* node) const;
    // Takes the node out of the record (hover nodes and geom node).
    void Forget(const ZNode* node);
};

class ZToolTipManager : public IMousePointerListener,
                        public ZTransientListener,
                        public ZGameStateListener,
                        public ZFrameListener,
                        public ZEventProducer<ZToolTipListener>,
                        public ZSingleton<ZToolTipManager>,
                        public INodeStateListener
{
public:
    static constexpr int kMaxLocations = 8;
    static constexpr int kHighlights = 8;
    static constexpr float kDepth = -500.0f;
    static constexpr float kCameraPriority = 900.0f;
    // Seconds of the move out of the pointer's way.
    static constexpr float kMoveTime = 0.18f;

    // Listens to the engine's frames and the game's state switches and takes the sprites' "tip" key.
    ZToolTipManager();
    ~ZToolTipManager() override;

    // Set-up, in this order.
    // Loads the layout as the group "tooltips" into the current 2D layer, finds its parts, makes the
    // group a pointer target and draws it with its own camera "tooltip_cam" at 900. 0 on success.
    int CreateLayer(const char* path);
    // Takes the parts of the "tooltips" group: "title" (optional), "text", "background", "message".
    void FindParts(ZGroup* group);
    // A named place for tips; switches placement to named places. At most eight; false beyond.
    bool AddLocation(const char* name, const V2& point);
    // Game-made animations; null means none. The hide controller's end closes the tip.
    void SetShowController(ZTransientController* controller);
    void SetHideController(ZTransientController* controller);
    void SetHighlight(int slot, ZHighlight2* highlight);

    // Registering.
    void RegisterToolTip(const char* key, ZNode* const* nodes, int count, const char* title, const char* text,
                         ZNode* geom, const char* location, bool forget);
    void RegisterToolTipByKey(const char* key, ZNode* const* nodes, int count, bool forget);
    void RegisterToolTipForNode(const char* key, ZNode* node, bool forget);
    void UnregisterTip(ZNameId key);
    void ForgetTarget(ZNode* node);

    // Opening on request: sticky, with a countdown of `seconds`.
    void PresentToolTip(ZNameId key, ZNode* const* nodes, int count, float seconds);
    void PresentToolTipByName(const char* key, ZNode* const* nodes, int count, float seconds);
    void PresentToolTipByName(const char* key, float seconds);
    void OpenTimedToolTip(const char* key, ZNode* const* nodes, int count, float seconds);
    // Registered without nodes (kept after it closes), then presented with the nodes.
    void OpenAndArmToolTip(const char* key, float seconds);
    void OpenAndArmToolTip(const char* key, ZNode* const* nodes, int count, float seconds);
    // As OpenTimedToolTip, placed against `point` instead of the pointer.
    void OpenToolTipAt(const char* key, ZNode* node, const V2& point, float seconds);
    // A tip from texts already looked up, filed under the text; `location` names a place or is null.
    void ShowToolTip(const char* title, const char* text, ZNode* node, const char* location);
    // Every registered tip in turn, for proofing the texts.
    void PresentAllToolTips();

    // Closing.
    void StartHide();
    void HideNow();
    // After `delay` seconds: the tip closes if it is the open one and leaves the queue.
    void CloseToolTip(ZNameId key, float delay);
    void CloseToolTipByName(const char* key, float delay);
    // Empties the queue and closes the open tip after 0.05 s.
    void CloseAll();

    // IMousePointerListener
    void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnHoverStart(const SPointerState& state, ZNode* node) override;
    void OnHoverEnd(const SPointerState& state, ZNode* node) override;
    // ZTransientListener: the hide animation has ended.
    void Ended(ZControllerBase* controller) override;
    // ZGameStateListener: any switch closes the tip at once.
    void OnStateSwitched(ZGameState* current, ZGameState* previous) override;
    // ZFrameListener: the footer's countdown and the delayed closes.
    void OnFrame() override;
    // INodeStateListener
    void NodeGone(ZNode* node) override;

    using ZEventProducer<ZToolTipListener>::AddListener;
    using ZEventProducer<ZToolTipListener>::RemoveListener;

    // While off no tip opens or queues.
    void SetEnabled(bool on) { m_enabled = on ? 1 : 0; }
    bool IsEnabled() const { return m_enabled != 0; }
    bool IsOpen() const { return m_open; }
    bool IsSticky() const { return m_sticky; }
    bool IsClicked() const { return m_clicked; }
    bool IsClosing() const { return m_closing; }
    const ZToolTipRecord& GetOpenRecord() const { return m_openRecord; }
    const ZToolTipRecord* FindTip(ZNameId key) const;
    const ZToolTipRecord* FindTarget(const ZNode* node) const;
    size_t GetQueueSize() const { return m_queue.size(); }
    const std::deque<ZToolTipRecord>& GetQueue() const { return m_queue; }
    ZGroup* GetGroup() const { return m_group; }
    ZNode* GetBackground() const { return m_background; }
    ZFontText* GetTitleNode() const { return m_title; }
    ZFontText* GetTextNode() const { return m_text; }
    ZFontText* GetMessageNode() const { return m_message; }
    ZCamera* GetCamera() const { return m_camera; }
    ZInterpolateWorldPos* GetMoveController() const { return m_move; }
    int32_t GetCurrentLocation() const { return m_currentLocation; }
    float GetDuration() const { return m_duration; }
    const V2& GetBoxSize() const { return m_boxSize; }
    // Where a tip for the record goes (z aside), against the anchor point.
    V2 ComputePlacement(const ZToolTipRecord& record, const V2& anchor, bool useRecordLocation);
    // The footer's text for the open sticky tip now.
    void UpdateFooter();

private:
    struct PendingClose
    {
        ZNameId key;
        bool all = false;
        double when = 0.0;
    };

    // Opens the record (or queues or drops it while one is open), against the anchor when given.
    void OpenRecord(const ZToolTipRecord& record, const V2* anchor);
    void ShowTip();
    void Replace();
    void Claim(ZToolTipRecord& record, ZNode* const* nodes, int count);
    void Watch(ZNode* node);
    void SetMessage(const char* text);
    // The box and the camera that draws it, shown or put away together.
    void SetBoxShown(bool shown);
    void ListenToHost();
    int32_t FindLocation(const char* name) const;
    static double Now();

    std::map<uint32_t, ZToolTipRecord> m_tips;
    std::map<ZNode*, ZToolTipRecord> m_targets;
    ZToolTipRecord m_openRecord;
    std::map<std::string, int32_t> m_locationNames;
    V2 m_locations[kMaxLocations];
    int32_t m_locationCount = 0;
    int32_t m_currentLocation = 0;
    bool m_useLocations = false;
    std::deque<ZToolTipRecord> m_queue;
    V2 m_boxSize;
    ZGroup* m_group = nullptr;
    ZFontText* m_title = nullptr;
    ZFontText* m_message = nullptr;
    ZFontText* m_text = nullptr;
    ZNode* m_background = nullptr;
    ZInterpolateWorldPos* m_move = nullptr;
    ZTransientController* m_show = nullptr;
    ZTransientController* m_hide = nullptr;
    ZHighlight2* m_highlights[kHighlights] = {};
    ZCamera* m_camera = nullptr;
    bool m_open = false;
    bool m_sticky = false;
    bool m_clicked = false;
    bool m_closing = false;
    double m_openTime = 0.0;
    float m_duration = 0.0f;
    uint8_t m_enabled = 1;
    const char* m_footers[4] = {};
    std::vector<PendingClose> m_pendingCloses;
    std::set<ZNode*> m_watched;
    // The node whose hover opened the tip; when it goes, no hover end will ever close the tip.
    ZNode* m_hoverSource = nullptr;
    bool m_closeOrphanedHover = false;
    bool m_listeningToGame = false;
};
