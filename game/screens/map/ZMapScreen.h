#pragma once
// The sea map of the campaign: a chart with one marker per level, a boat that sails from marker to
// marker, and the buttons to the level card, the main menu, the inventory, the crew, the three
// shops, the three bonus games and the seven places; story items appear on the chart as the
// campaign unlocks them, and levels beyond the chart's markers sit in a bonus panel. Made once at
// start-up and kept; the campaign shows it through its "map" entries, and every card, shop, crew
// or inventory visit is stacked on top of it.
//   ZMapScreen.cpp          build step, lifecycle, buttons, settings, palms, campaign events
//   ZMapScreenMarkers.cpp   markers, the bonus grid, selection, the pointer and the small card
//   ZMapScreenSailing.cpp   the boat's legs, its sounds, the route trail and reveals
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/decoration/ZBoat.h"
#include "game/dive/campaign/ZLevelControlEntry.h"
#include "game/screens/ZLevelPreview.h"

class ZAnimateTexture2D;
class ZBoidGroup;
class ZGeom;
class ZHighlight2;
class ZLevel;
class ZMaterial;
class ZNode;
class ZParticleEmitterSystem;
class ZSound;
class ZSplineNode;
class ZSprite2D;

// The screens the map opens, handed over by the game object; any may be null.
struct SMapScreens
{
    ZGameState* mainMenu = nullptr;
    ZGameState* inventory = nullptr;
    ZGameState* crew = nullptr;
    ZGameState* story = nullptr;
    ZGameState* shops[3] = {};
    ZGameState* bonusGames[3] = {};
};

class ZMapScreen : public ZGameState,
                   public ZSingleton<ZMapScreen>,
                   public IButtonListener,
                   public IMousePointerListener,
                   public IPropertyListener,
                   public ZProfileListener,
                   public ILevelEventTarget,
                   public IBoatListener
{
    QV_TYPE_RECORD(ZMapScreen, &ZGameState::kTypeRecord)

public:
    static constexpr const char* kResources = "resources:mapscreen_resources.xml";
    static constexpr const char* kLayout = "resources:mapscreen.xml";
    static constexpr int kPlaces = 7;
    static constexpr int kMedalLooks = 5;
    static constexpr float kBarSlide = 94.0f;
    static constexpr double kBarSlideSeconds = 0.35;
    static constexpr double kIdleTipSeconds = 10.0;
    static constexpr double kMiniCardHideSeconds = 0.3;
    static constexpr float kLogicalHeight = 600.0f;
    static constexpr double kDisarmed = -1e38;
    // The chart's decoration: its fish and how fast their goal runs round their path (one turn in
    // 1 / kFlockPathSpeed seconds).
    static constexpr int kFlockSize = 15;
    // How far in front of the chart the boat and the volcano's smoke stand: before the places,
    // palms and the bar, behind the small level card (250 in front).
    static constexpr float kBoatDepth = -200.0f;
    static constexpr float kSmokeDepth = -200.0f;
    static constexpr float kFlockPathSpeed = 0.003f;

    ZMapScreen();
    ~ZMapScreen() override;

    const char* GetName() const override { return "ZMapScreen"; }
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnFadeInDone() override;
    void OnLeave() override;
    void OnLoseFocus() override;
    void OnGainFocus() override;

    // The screens the buttons lead to, and the level card.
    void SetScreens(const SMapScreens& screens) { m_screens = screens; }
    void SetLevelPreview(ZLevelPreview* preview) { m_preview = preview; }
    ZLevelPreview* GetLevelPreview() const { return m_preview; }

    // Campaign progress applied to the whole map; animate lets the boat sail to the furthest level.
    void Refresh(bool animate);
    void UpdateShopButtons(int level, bool animate);
    void UpdateBonusButtons(int level, bool animate);
    void UpdatePlaceButtons();
    void ShowAmuletKeys(int count);
    void ArrangeUiButtons();
    void HideStoryItems();
    void SwayPalms(double time);
    // The campaign: back to the start (boat at marker 0, selection and clicks forgotten).
    void ResetForNewGame();
    // The campaign: the card of this level opens when the map next fades in (-1: none).
    void SetPendingLevel(int index) { m_pendingLevel = index; }
    int GetPendingLevel() const { return m_pendingLevel; }

    // Markers (ZMapScreenMarkers.cpp).
    void LayoutBonusLevels();
    void ResetMarkers();
    void ShowMarkers(int count);
    bool SelectLevel(int index);
    void OpenPreview(int index);
    // The chart marker's scale for its world y: 1.2 at the bottom of the screen, 0.8 at the top.
    static float MarkerScale(float worldY, float screenHeight);
    // The bonus grid: columns and rows for `extra` levels, and the cell spacing in an area of
    // w x h (0 on an axis with a single cell, where the grid is centred).
    struct SGrid
    {
        int columns = 0;
        int rows = 0;
        float dx = 0.0f;
        float dy = 0.0f;
        float x0 = 0.0f; // offset of the first column from the area's left edge
        float y0 = 0.0f; // offset of the first row from the area's top edge
    };
    static SGrid BonusGrid(int extra, float w, float h);

    // Sailing (ZMapScreenSailing.cpp).
    void SailTo(int to, int from, bool animate);
    V3 GetPathPoint(int index) const;
    void StartBoatSounds();
    void StopBoatSounds(bool silent);
    void StartPathTrail(double delay);
    double GetTrailTimer() const { return m_trailTimer; }
    int GetTrailNext() const { return m_trailNext; }
    int GetRouteSegmentCount() const { return int(m_segments.size()); }

    // A crew member rose a level: the crew button's badge shows and the crew alert rings (once,
    // even when the chart opens while it still rings).
    void ShowCrewNews();
    // New stock came in: over the map (the given state must be the top one), with pop-ups allowed
    // and the tool belt in use, the new-stock dialog tells of it and the shop's badge on the
    // chart lights up; in relaxed play only items other than air count. True when it was told.
    bool ShowNewStockDialog(ZGameState* state, const char* key);

    // Listeners.
    void OnClicked(ZButton2D* button) override;
    void OnMouseMove(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnLeftUp(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnMouseOut(const SPointerState& state, ZNode* node, bool* handled) override;
    bool WantsAllTargets() override { return true; }
    void OnPropertyChanged(ZProperty* property) override;
    int OnProfileLoaded() override;
    void OnLevelEvent(const ZEvent& event) override;
    void OnBoatLegStarted(ZBoatMoveController* boat) override;
    void OnBoatLegEnded(ZBoatMoveController* boat) override;

    // What tests and the game object look at.
    const std::vector<ZSprite2D*>& GetMarkers() const { return m_markers; }
    int GetChartMarkerCount() const { return m_chartMarkers; }
    int GetShownMarkers() const { return m_shownMarkers; }
    int GetSelectedIndex() const { return m_selected; }
    int GetBoatMarker() const { return m_boatFrom; }
    int GetBoatTarget() const { return m_boatTo; }
    bool IsSailing() const { return m_sailing; }
    bool AreBoatSoundsRunning() const { return m_boatSoundsRunning; }
    int GetRefusedClicks() const { return m_refusedClicks; }
    // The marker look for medal + 1 (0 none, 1 complete, ... 4 gold).
    ZMaterial* GetLookMaterial(int look) const;
    ZBoatMoveController* GetBoatMover() const { return m_boatMove; }
    ZNode* GetBoatCarrier() const { return m_carrier; }
    ZNode* GetBonusPanel() const { return m_bonusPanel; }
    ZButton2D* GetShopButton(int i) const { return i >= 0 && i < 3 ? m_shopButtons[i] : nullptr; }
    ZButton2D* GetBonusButton(int i) const { return i >= 0 && i < 3 ? m_bonusButtons[i] : nullptr; }
    ZButton2D* GetPlaceButton(int i) const { return i >= 0 && i < kPlaces ? m_placeButtons[i] : nullptr; }
    ZNode* GetNewStockBadge(int i) const { return i >= 0 && i < 3 ? m_newStock[i] : nullptr; }
    ZButton2D* GetContinueButton() const { return m_continue; }
    ZNode* GetCrewBadge() const { return m_crewBadge; }
    ZLevelPreviewMini& GetMiniCard() { return m_mini; }
    const std::string& GetLastTip() const { return m_lastTip; }
    ZParticleEmitterSystem* GetSparkles() const { return m_sparkles; }
    ZParticleEmitterSystem* GetVolcanoSmoke() const { return m_smoke; }
    ZBoidGroup* GetFlock() const { return m_flock; }
    float GetFlockPhase() const { return m_flockPhase; }

private:
    struct SPalm
    {
        ZGeom* node = nullptr;
        V3 base;
        float amplitude = 1.0f;
    };

    ZButton2D* Subscribe(ZNode* node);
    ZButton2D* FindButton(const char* path);
    bool IsTop() const;
    int FindMarker(ZNode* node) const;
    bool IsStoryItem(ZNode* node) const;
    void ApplyStoryItem(ZNode* item, bool shown);
    void SlideBar(bool out);
    void UpdateLockedButtons(ZButton2D* const* buttons, int level, bool animate, int& lastLevel);
    void SetLook(int marker, int medal);
    void OpenStory(const std::string& page);
    // Sailing: the next leg when the selection lies elsewhere on the chart.
    void SailOn();
    void UpdateTrail(double dt);
    // Decoration (ZMapScreen.cpp): sparkles on the chart, the go button's glows, the badges'
    // pulse, the volcano's smoke and the flock of fish; each frame the fish follow their path and
    // face where they swim.
    void BuildSparkles();
    void BuildContinueGlows();
    void PulsateBadges();
    void BuildVolcanoSmoke();
    void BuildFlock();
    void UpdateFlock(double dt);

    SMapScreens m_screens;
    ZLevelPreview* m_preview = nullptr;

    ZNode* m_background = nullptr;
    ZGeom* m_carrier = nullptr;
    ZSprite2D* m_boat = nullptr;
    ZGeom* m_ui = nullptr;
    V3 m_uiRest;
    ZButton2D* m_continue = nullptr;
    ZButton2D* m_exit = nullptr;
    ZButton2D* m_crewButton = nullptr;
    ZButton2D* m_inventoryButton = nullptr;
    V3 m_crewPictureRest;
    V3 m_inventoryPictureRest;
    ZNode* m_crewBadge = nullptr;
    ZNode* m_bonusPanel = nullptr;
    ZButton2D* m_bonusClose = nullptr;
    ZButton2D* m_bonusOpen = nullptr;
    ZButton2D* m_shopButtons[3] = {};
    ZNode* m_newStock[3] = {};
    ZButton2D* m_bonusButtons[3] = {};
    ZButton2D* m_placeButtons[kPlaces] = {};
    ZProperty* m_placeSettings[kPlaces] = {};
    ZNode* m_storyGroup = nullptr;
    ZNode* m_amulet = nullptr;
    ZNode* m_amuletKeys[5] = {};
    ZSprite2D* m_halo = nullptr;
    ZNode* m_continueFlash = nullptr;
    ZHighlight2* m_newButtonHighlight = nullptr;
    std::map<uint32_t, ZNode*> m_storyItems;
    std::map<ZProperty*, ZNode*> m_storySettings;
    std::vector<SPalm> m_palms;
    ZSound* m_sounds[7] = {};

    // Markers and selection.
    std::vector<ZSprite2D*> m_markers;
    int m_chartMarkers = 0;
    int m_shownMarkers = 0;
    ZMaterial* m_looks[kMedalLooks] = {};
    int m_selected = 0;
    int m_bonusRemembered = 0;
    int m_pendingLevel = -1;
    ZNode* m_pressedNode = nullptr;
    int m_pressedIndex = -1;
    int m_refusedClicks = 0;
    ZNode* m_hoveredMarker = nullptr;
    ZNode* m_hoveredStory = nullptr;
    double m_miniHideClock = -1.0;
    ZLevelPreviewMini m_mini;

    // Sailing.
    ZBoatMoveController* m_boatMove = nullptr;
    ZBoatSwayController* m_boatSway = nullptr;
    ZAnimateTexture2D* m_boatFrames = nullptr;
    int m_boatFrom = 0;
    int m_boatTo = 0;
    bool m_sailing = false;
    bool m_boatSoundsRunning = false;
    V3 m_legStart;
    V3 m_legEnd;
    std::vector<ZNode*> m_segments;
    ZNode* m_pendingSegment = nullptr;
    ZNode* m_pendingPlot = nullptr;
    double m_trailTimer = -1.0;
    int m_trailNext = 1;
    int m_trailLast = 10;

    // Decoration.
    ZParticleEmitterSystem* m_sparkles = nullptr;
    ZParticleEmitterSystem* m_smoke = nullptr;
    ZBoidGroup* m_flock = nullptr;
    ZSplineNode* m_flockPath = nullptr;
    std::vector<ZAnimateTexture2D*> m_fishFrames;
    float m_flockPhase = 0.0f;

    int m_shopLevel = 0;
    int m_bonusLevel = 0;
    double m_idleTipClock = kDisarmed;
    std::string m_lastTip;
    bool m_barHidden = false;
    bool m_built = false;
    bool m_listeningPointer = false;
    bool m_listeningProfiles = false;
};
