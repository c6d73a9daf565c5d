#pragma once
// The treasure chest of the dive's HUD. Treasure popped on the board flies into it and adds its
// value; the chest shows its content as a number and a bar, comes in five sizes with the player's
// chest upgrade, closes when full and then refuses more. After the dive the end-of-level screen
// drains it at a given rate and plays a stream of coins along a path of its own.
#include <cstdint>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZProperty.h"
#include "engine/core/ZVector.h"

class ZFontText;
class ZGroup;
class ZHighlight2;
class ZProgressBar;
class ZSound;
class ZSplineNode;
class ZSprite;
class ZTextureResource;

class ZTreasureBar : public ZControllerNodeBase, public IPropertyListener
{
    QV_TYPE_RECORD(ZTreasureBar, &ZControllerNodeBase::kTypeRecord)

public:
    static constexpr int kSizes = 5;
    static constexpr int kCoinPool = 120;
    static constexpr float kCoinsPerSecond = 100.0f;
    static constexpr double kFlightSeconds = 0.9;

    // Made once with the dive's HUD on the treasure widget (its display is imported from
    // "resources:treasurebar_resources.xml" under it); a null root gives a chest without pictures.
    static ZTreasureBar* Create(ZNode* root);
    static ZTreasureBar* PeekInstance() { return s_instance; }
    // Capacity of a chest size (0..4; others clamp).
    static uint32_t Capacity(int size);

    ZTreasureBar() = default;
    ~ZTreasureBar() override;
    ZControllerBase* CreateInstance() override { return new ZTreasureBar(); }

    void Update() override;
    // A new level: the chest shows its content again and opens.
    void Reset();
    // The chest of `profile.chest`: capacity, picture, the content cut to the new capacity.
    void SetChestLevel();
    // Content = max(n, 0) up to the capacity; a chest that fills closes with a slam. Returns
    // whether the chest is open.
    bool SetValue(int64_t n);
    // Treasure arriving (after the running abilities' treasure modifiers): a closed chest refuses
    // it with its "full" sound.
    void AddTreasure(int amount);
    void SetFull(bool open);
    // Treasure popped at a world point flies to the chest and is added when it arrives.
    void EmitCoinParticles(const V3& from, int amount, ZTextureResource* texture);
    // The end-of-level screen empties the chest at `rate` treasure per second.
    void StartDrain(float rate);

    // The coin stream of the end-of-level screen along `path` (a spline node).
    void InitCoinStream(ZSplineNode* path);
    void UpdateCoinStream(float fill);
    void ClearCoinStream();
    void ReleaseCoinPool();

    // `profile.chest` changed.
    void OnPropertyChanged(ZProperty* property) override;

    uint32_t GetContent() const { return m_content; }
    uint32_t GetCapacity() const { return m_capacity; }
    int GetChestSize() const { return m_size; }
    bool IsOpen() const { return m_open; }
    bool IsBumping() const { return m_bump; }
    bool IsDraining() const { return m_draining; }
    ZFontText* GetText() const { return m_text; }
    ZNode* GetChestNode() const { return m_sizeNode; }
    ZNode* GetSizeNode(int size) const { return size >= 0 && size < kSizes ? m_sizeNodes[size] : nullptr; }
    float GetHaloScale() const;
    int GetLiveCoins() const { return int(m_liveCoins.size()); }
    int GetFreeCoins() const { return int(m_freeCoins.size()); }
    // Coin sprites in the stream and their alpha, for tests and the end screen's fades.
    const std::vector<ZSprite*>& GetCoinSprites() const { return m_coinSprites; }
    int GetFlightsInAir() const { return m_flights; }
    // Counts of the chest's sounds played (slam when it fills, full when it refuses).
    int GetSlamCount() const { return m_slams; }
    int GetFullCount() const { return m_fulls; }

private:
    friend class ZTreasureInterpolateController;

    struct Coin
    {
        ZSprite* sprite = nullptr;
        float progress = 0.0f;
        float speed = 0.0f;
        V2 offset;
    };

    void Load(ZNode* root);
    void ShowContent();
    void StartHalo();
    void Open(bool open);
    void SpawnCoin();

    static inline ZTreasureBar* s_instance = nullptr;
    ZNode* m_root = nullptr;
    ZFontText* m_text = nullptr;
    ZProgressBar* m_progress = nullptr;
    ZNode* m_sizeNodes[kSizes] = {};
    ZNode* m_sizeNode = nullptr;
    int m_size = -1;
    uint32_t m_capacity = 1000;
    uint32_t m_content = 0;
    bool m_open = true;
    bool m_bump = false;
    float m_bumpPhase = 0.0f;
    bool m_draining = false;
    float m_drainRate = 0.0f;
    ZSound* m_fullSound = nullptr;
    ZSound* m_slamSound = nullptr;
    ZHighlight2* m_highlight = nullptr;
    ZPropertyInt* m_chestSetting = nullptr;
    int m_slams = 0;
    int m_fulls = 0;
    int m_flights = 0;

    // Coin stream.
    ZGroup* m_stream = nullptr;
    std::vector<ZSprite*> m_coinSprites;
    std::vector<Coin> m_freeCoins;
    std::vector<Coin> m_liveCoins;
    float m_spawn = 0.0f;
    bool m_streamActive = false;
    ZSplineNode* m_path = nullptr;
};
