#pragma once
// The overlay of hints and feedback drawn over the board: after ten seconds without a pop it
// finds a possible swap and pulses its two tokens; popped tokens throw off pop sprites; popped or
// broken chains and ice get a pulse; the medal reached during the dive shows with its sound.
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZSingleton.h"
#include "engine/core/ZVector.h"

class ZGameSprite;
class ZGroup;
class ZMedalPopup;
class ZNode;
class ZPulseController;
class ZSound;
class ZSprite;
class ZTextureResource;
class ZTile;
class ZToken;

class ZBoardHints : public ZSingleton<ZBoardHints>
{
public:
    static constexpr int kPopSprites = 32;
    static constexpr int kTileHighlights = 6;
    static constexpr double kHintDelay = 10.0;

    ZBoardHints();
    ~ZBoardHints();

    // Makes the layer's groups, sprites, sounds and controllers under the given root.
    void LoadVisuals(ZGroup* root);

    // Counts the hint countdown down (frame seconds) and shows a hint when it runs out.
    void UpdateHintTimer(double dt);
    // Pulses the two tokens of a possible swap, or fires the fallback ability when there is none;
    // true when a swap was shown.
    bool FindHint();
    // Every possible swap on the board, as (this tile, neighbour) pairs in grid order.
    static void CollectHintCandidates(std::vector<std::pair<ZTile*, ZTile*>>& out);

    // The board popped or broke these tiles: pop sprites, pulses on chains and ice, and a new
    // countdown.
    void SpawnPopSprites(const std::vector<ZTile*>& tiles, int groupSize);
    void SpawnPopSprite(const V3& worldPosition, ZTextureResource* texture, int groupSize);
    void ReturnPopSprite(ZGameSprite* sprite);
    void ShowTileHighlight(ZToken* token);
    // A floating text at a world point (treasure counts).
    void ShowScorePopup(const char* text, const V3& at);
    // Medal 0 complete, 1 bronze, 2 silver, 3 gold; others are ignored. A medal from bronze up
    // is presented by a medal popup on its sprite.
    void ShowMedal(int index);
    bool IsMedalPopupActive() const;
    ZMedalPopup* GetMedalPopup() const { return m_medalPopup; }
    void HideHalos();
    void HideAll();
    // Ends the pulses the hint started (the board clears its preview).
    void ClearHighlight();

    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused != 0; }
    double GetHintCountdown() const { return m_countdown; }
    void SetHintCountdown(double seconds) { m_countdown = seconds; }
    ZGroup* GetRoot() const { return m_root; }
    ZGroup* GetLayer() const { return m_root; }
    int GetMedalShown() const { return m_medalIndex; }
    int GetFreePopSprites() const { return int(m_freePop.size()); }
    int GetBusyPopSprites() const { return int(m_busyPop.size()); }
    int GetHintsShown() const { return m_hintsShown; }
    const std::pair<ZToken*, ZToken*>& GetLastHint() const { return m_lastHint; }
    std::vector<ZNode*>& GetInFlight() { return m_inFlight; }

private:
    ZGroup* m_root = nullptr;
    ZGroup* m_tileHighlights = nullptr;
    ZGroup* m_completionHints = nullptr;
    ZGroup* m_popParticles = nullptr;
    ZSprite* m_halos[2] = {};
    std::vector<ZGameSprite*> m_freePop;
    std::vector<ZGameSprite*> m_busyPop;
    ZTextureResource* m_popTexture = nullptr;
    ZSound* m_interestHalo = nullptr;
    ZSprite* m_medals[3] = {};
    ZSound* m_medalSounds[4] = {};
    int m_medalIndex = -1;
    double m_medalTime = 0.0;
    ZMedalPopup* m_medalPopup = nullptr;
    ZPulseController* m_highlightPool[kTileHighlights] = {};
    int m_highlightCursor = 0;
    std::vector<ZNode*> m_inFlight;
    double m_countdown = kHintDelay;
    uint8_t m_paused = 0;
    int m_hintsShown = 0;
    std::pair<ZToken*, ZToken*> m_lastHint = {nullptr, nullptr};
};
