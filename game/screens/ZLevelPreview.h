#pragma once
// The level card seen before a dive, stacked over the sea map when a marker is chosen: the
// level's token kinds, hazards, air time (or "unlimited" in relaxed play), title and description,
// the board drawn square by square, the difficulty, the medal already won, the diver and the tool
// belt; its buttons dive, go to the crew or the inventory, fill the belt, or close the card.
// Beside it the small card (ZLevelPreviewMini) that the map shows while the pointer rests on a
// marker.
#include <memory>
#include <string>

#include "engine/app/ZGameState.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZSingleton.h"
#include "engine/ui/ZButton2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/screens/map/ZLevelMapDrawer.h"

class ZBlink;
class ZFontText;
class ZGroup;
class ZLevel;
class ZLevelLoader;
class ZNode;
class ZSound;
class ZSprite2D;

// The time text of both cards: "unlimited" in relaxed play, else "%2.f:%02.f" of the board's air
// over the upgrade and crew factors.
std::string FormatLevelTime(float boardSeconds, bool relaxed, int airless, float crewFactor,
                            const char* unlimited);

class ZLevelPreview : public ZGameState,
                      public ZSingleton<ZLevelPreview>,
                      public IButtonListener,
                      public IMousePointerListener,
                      public IPropertyListener
{
    QV_TYPE_RECORD(ZLevelPreview, &ZGameState::kTypeRecord)

public:
    static constexpr const char* kLayout = "resources:levelpreview.xml";
    static constexpr int kIcons = 5;
    static constexpr double kEquipDelay = 0.6;
    static constexpr float kCountBlinkSeconds = 0.75f;

    ZLevelPreview();
    ~ZLevelPreview() override;

    const char* GetName() const override { return "ZLevelPreview"; }
    int Build() override;
    void Update(double dt) override;
    void OnEnter() override;
    void OnLeave() override;

    // Fills the card for a level (null: the card shows nothing of a level and its dive button
    // does nothing).
    void ShowLevel(ZLevel* level);
    ZLevel* GetLevel() const { return m_level; }
    // Draws the board of the reader's grid with the drawer.
    static void DrawLevelMap(ZLevelMapDrawer& drawer, const ZLevelLoader& reader);
    // The crew member's air factor (1.0 without a crew screen).
    static float CrewAirFactor();

    void OnClicked(ZButton2D* button) override;
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    void OnPropertyChanged(ZProperty* property) override;

    const ZLevelMapDrawer& GetDrawer() const { return m_drawer; }
    const std::string& GetTimeText() const { return m_timeText; }
    float GetLevelSeconds() const { return m_levelSeconds; }
    // The belt slot's count blinks (its item has run out).
    bool IsCountBlinking(int slot) const;

private:
    void RefreshBelt();
    void ApplyButtons();
    void WriteTime();
    ZButton2D* FindButton(const char* path);
    void Close();

    ZSprite2D* m_tokens[kIcons] = {};
    ZSprite2D* m_hazards[kIcons] = {};
    ZNode* m_hazardGroup = nullptr;
    ZFontText* m_time = nullptr;
    ZFontText* m_headline = nullptr;
    ZFontText* m_description = nullptr;
    ZNode* m_completion = nullptr;
    ZNode* m_medals[4] = {};
    ZSprite2D* m_background = nullptr;
    ZNode* m_portraits[kIcons] = {};
    ZNode* m_difficulty[kIcons] = {};
    ZNode* m_equipment = nullptr;
    ZSprite2D* m_tools[kIcons] = {};
    ZNode* m_rings[kIcons] = {};
    ZFontText* m_counts[kIcons] = {};
    // Each slot's count blinks while none of its item is left.
    ZBlink* m_blinks[kIcons] = {};
    ZButton2D* m_buttonCharacters = nullptr;
    ZButton2D* m_buttonCharacters2 = nullptr;
    ZButton2D* m_buttonPlay = nullptr;
    ZButton2D* m_buttonBelt = nullptr;
    ZButton2D* m_buttonEquipment2 = nullptr;
    ZButton2D* m_buttonClose = nullptr;
    ZButton2D* m_buttonAutoEquip = nullptr;
    ZLevelMapDrawer m_drawer;
    ZSound* m_equipSound = nullptr;
    float m_levelSeconds = 0.0f;
    double m_autoEquipTime = -1e38;
    ZLevel* m_level = nullptr;
    std::string m_timeText;
    bool m_listening = false;
    bool m_propertiesHooked = false;
};

// The small card over the map: title, level number, time, difficulty and the board drawing.
class ZLevelPreviewMini
{
public:
    static constexpr const char* kLayout = "resources:levelpreviewmini.xml";

    ZLevelPreviewMini() = default;
    // Reads the layout into a new group "levelpreviewmini" (returned; null when the layout fails).
    ZGroup* Create();
    void Show(ZLevel* level);
    // Beside the pointer; force puts it on the side used for the bonus panel.
    void Place(float x, float y, bool force);
    void SetShown(bool shown);
    bool IsShown() const;
    ZGroup* GetRoot() const { return m_root; }
    int GetSide() const { return m_side; }
    const ZLevelMapDrawer& GetDrawer() const { return m_drawer; }

private:
    ZGroup* m_root = nullptr;
    ZNode* m_rating[ZLevelPreview::kIcons] = {};
    ZFontText* m_headline = nullptr;
    ZFontText* m_time = nullptr;
    ZFontText* m_level = nullptr;
    V3 m_anchors[3] = {};
    int m_side = 0;
    ZLevelMapDrawer m_drawer;
};
