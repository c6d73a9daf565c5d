#pragma once
// The bonus game between dives: one large picture of a sea-floor location, wider and taller than
// the screen and scrolled with the pointer at its edges, by dragging with the right button or with
// the arrows; a sidebar lists the objects to find and ticks them off; a hint, which recharges,
// points at one object still to find. A level ends won when everything listed is found and lost
// when the player leaves it; a won level pays its prize.
//
// Three instances ("hidden1".."hidden3", locations 0..2) live in a registry for the whole run
// (GetHiddenObjectGame); the game object sets each one up and starts levels through PickLevel and
// StartLevel.
//   ZHiddenObjectGame.cpp        registry, loading, layout, the frame, buttons, stack hooks
//   ZHiddenObjectGameView.cpp    scrolling, the hint, the fade of the items
//   ZHiddenObjectGameLevels.cpp  level choice and generation, the start, the click, the end
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/core/ZVector.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZDialogGameState.h"
#include "engine/ui/ZMousePointer.h"

class ISaveVisitor;
class ZFontText;
class ZGroup;
class ZHiddenObject;
class ZHiddenObjectLevel;
class ZMaterial;
class ZNode;
class ZProgressBar;
class ZSound;
class ZSprite;
class ZSprite2D;

class ZHiddenObjectGame : public ZGameState,
                          public IMousePointerListener,
                          public IButtonListener,
                          public IDialogListener
{
    QV_TYPE_RECORD(ZHiddenObjectGame, &ZGameState::kTypeRecord)

public:
    static constexpr float kSidebarWidth = 118.0f;
    static constexpr int kMaxSlots = 100;
    static constexpr int kLocationCount = 3;
    // Phases of a level.
    enum EPhase
    {
        kPhaseIdle = 0,     // before the start page's button, or left
        kPhasePlaying = 1,
        kPhaseEnded = 2,
        kPhaseAllFound = 4, // the last find, waiting a moment before the end
    };
    // The edge bands of the pointer scroll and how far the top and bottom bands stop short of the
    // sidebar.
    static constexpr float kEdgeBand = 35.0f;
    static constexpr float kEdgeBandSidebarGap = 30.0f;
    // The hint marker shows for this long.
    static constexpr double kHintShowSeconds = 1.5;
    // The pause after the last find before the level ends.
    static constexpr double kEndDelaySeconds = 1.0;
    // The location titles the statistics record names.
    static const char* const kLocationTitles[kLocationCount];

    ZHiddenObjectGame();
    ~ZHiddenObjectGame() override;

    // The registry by name ("hidden1"); the serializer finds games through it but never makes one.
    static ZHiddenObjectGame* Peek(const char* name);
    // Get or create.
    static ZHiddenObjectGame* Get(const char* name);
    // Deletes every game, level and object (the run's end; tests between cases).
    static void ReleaseAll();

    // What the game object sets once: the location number (0..2) and the two files.
    void Setup(int location, const char* locationFile, const char* levelFile);
    // The shared OK/Cancel question, asked before a level is given up; the game listens to it.
    void SetConfirmDialog(ZDialogGameState* dialog);

    // ZGameState.
    const char* GetName() const override { return "ZHiddenObjectGame"; }
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeave() override;
    void OnFadeInDone() override;
    void OnLoseFocus() override;
    void OnGainFocus() override;

    // The window lost (true) or regained (false) the focus: the items fade out or back in.
    void Pause(bool lost);

    // Levels.
    void PickLevel();
    void StartLevel(ZHiddenObjectLevel* level);
    ZHiddenObjectLevel* GenerateLevel(int target);
    void PickCandidates(int count, std::vector<ZHiddenObject*>& out);
    void EndLevel(bool success);

    // Scrolling and the hint.
    void ScrollBy(int dx, int dy);
    void UseHint();

    // The sidebar, for the level: a slot shows a new label, or is ticked off.
    void ShowSlotLabel(int slot, const char* label);
    void TickSlot(int slot, const char* label);
    // The prize dialog's button: the start page starts play, the result page ends it.
    void OnPrizeDialogButton(bool startPage);

    // IMousePointerListener.
    void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnRightDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnRightUp(const SPointerState& state, ZNode* target, bool* handled) override;
    // IButtonListener.
    void OnClicked(ZButton2D* button) override;
    // IDialogListener: the leave question was answered yes.
    void OnDialogAccepted(ZDialogGameState* state) override;

    // What the level file hands the game: designed levels and object definitions.
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded() {}

    int GetLocation() const { return m_location; }
    int GetPhase() const { return m_phase; }
    void SetPhase(int phase) { m_phase = phase; }
    ZHiddenObjectLevel* GetCurrentLevel() const { return m_level; }
    const std::vector<ZHiddenObjectLevel*>& GetLevels() const { return m_levelList; }
    const std::vector<ZHiddenObject*>& GetObjectDefinitions() const { return m_definitions; }
    ZHiddenObject* FindObjectForNode(ZNode* node) const;
    ZHiddenObject* FindObjectByKey(const char* key) const;
    const std::map<ZNode*, ZHiddenObject*>& GetItems() const { return m_byNode; }
    int GetSlotCount() const { return int(m_texts.size()); }
    ZFontText* GetSlotText(int slot) const;
    ZNode* GetCheckmark(int slot) const;
    ZNode* GetArrow(int index) const { return index >= 0 && index < 4 ? m_arrows[index] : nullptr; }
    ZButton2D* GetHintButton() const { return m_hintButton; }
    ZButton2D* GetLeaveButton() const { return m_leaveButton; }
    ZButton2D* GetMenuButton() const { return m_menuButton; }
    ZSprite2D* GetHintMarker() const { return m_hintMarker; }
    float GetHintCharge() const;
    int GetHintsUsed() const { return m_hintsUsed; }
    int GetGeneratedCount() const { return m_generatedCount; }
    int GetLastPicked() const { return m_lastPicked; }
    ZGroup* GetPicture() const { return m_picture; }
    ZNode* GetItemsNode() const { return m_items; }
    V2 GetPictureSize() const { return {m_pictureW, m_pictureH}; }
    V3 GetViewPosition() const { return m_view; }
    V3 GetViewTarget() const { return m_target; }
    V3 GetStartPosition() const { return {-0.5f * kSidebarWidth, 0.0f, m_view.z}; }
    bool CanScrollX() const { return m_canScrollX; }
    bool CanScrollY() const { return m_canScrollY; }
    bool IsFadedOut() const { return m_fadedOut; }
    bool IsFading() const { return m_fadeStart > 0.0; }
    bool IsLevelStarted() const { return m_levelStarted; }
    const std::string& GetLocationFile() const { return m_locationFile; }
    const std::string& GetLevelFile() const { return m_levelFile; }

    // Arrow indices.
    enum EArrow
    {
        kArrowUp = 0,
        kArrowDown = 1,
        kArrowLeft = 2,
        kArrowRight = 3
    };

private:
    // Loads the screen's resources once; false when that fails.
    bool EnsureLoaded();
    // Takes away what an earlier, failed load left under the root.
    void ClearBuilt();
    void FindNodes();
    void LayoutSidebar();
    void ResetLayout();
    void RegisterItems();
    void CreateHintMarker();
    // After the level file: entries that cannot be found or do not fit the sidebar go (logged).
    void CheckLevels();
    bool CheckLevel(ZHiddenObjectLevel* level);
    bool IsTop() const;
    void ScreenSize(float& w, float& h) const;

    // View.
    void ResetScrolling();
    void ClampView();
    void PlacePicture();
    void RefreshArrows();
    void UpdateScrolling(double dt);
    void StartFade(bool out);
    void UpdateFade();
    void UpdateHint();
    void UpdateTips();
    // A click on the picture at the pointer's position, on the item node.
    bool ClickItem(const SPointerState& state, ZNode* node);
    bool ClickArrow(ZNode* node);
    void PlaySound(ZSound* sound);
    void WriteRecord(bool success);

    int m_location = 0;
    std::string m_instanceName;
    std::string m_locationFile;
    std::string m_levelFile;
    int m_phase = kPhaseIdle;

    std::map<uint32_t, ZHiddenObjectLevel*> m_levels;
    std::vector<ZHiddenObjectLevel*> m_levelList;
    int m_lastPicked = -1;
    ZHiddenObjectLevel* m_level = nullptr;
    int m_generatedCount = 0;

    std::vector<ZHiddenObject*> m_definitions;
    std::map<ZNode*, ZHiddenObject*> m_byNode;
    std::map<uint32_t, ZHiddenObject*> m_byKey;

    ZGroup* m_picture = nullptr;
    ZNode* m_background = nullptr;
    ZNode* m_items = nullptr;
    ZNode* m_gui = nullptr;
    ZNode* m_sidebar = nullptr;
    std::vector<ZFontText*> m_texts;
    std::vector<ZNode*> m_checkmarks;
    ZButton2D* m_leaveButton = nullptr;
    ZButton2D* m_menuButton = nullptr;
    ZButton2D* m_hintButton = nullptr;
    ZNode* m_arrows[4] = {};
    ZProgressBar* m_hintProgress = nullptr;
    float m_pictureW = 0.0f;
    float m_pictureH = 0.0f;

    ZSprite2D* m_hintMarker = nullptr;
    ZNode* m_hintController = nullptr;
    double m_lastHint = 0.0;
    int m_hintsUsed = 0;

    ZSound* m_scratch[4] = {};
    ZSound* m_triumph = nullptr;
    ZSound* m_fail = nullptr;
    ZSound* m_wrong = nullptr;
    ZSound* m_right = nullptr;
    ZMaterial* m_sparkle = nullptr;

    V3 m_view;
    V3 m_target;
    V2 m_velocity;
    bool m_dragging = false;
    V2 m_dragStart;
    V3 m_dragView;
    bool m_canScrollX = false;
    bool m_canScrollY = false;
    bool m_edgeScroll = false;
    bool m_returning = false;
    int m_stepX = 0;
    int m_stepY = 0;
    V3 m_viewMin;
    V3 m_viewMax;
    float m_usableW = 800.0f - kSidebarWidth;
    float m_usableH = 600.0f;

    double m_fadeStart = -1e38;
    bool m_fadedOut = false;
    bool m_levelStarted = false;
    double m_lastFind = 0.0;
    double m_timeCurrent = 0.0;
    uint32_t m_frameCurrent = 0;

    ZDialogGameState* m_confirm = nullptr;
    bool m_listening = false;
    bool m_tipShown = false;
    bool m_scrollTipShown = false;
};

// The registry's get-or-create by name; null for a null name.
ZHiddenObjectGame* GetHiddenObjectGame(const char* name);
