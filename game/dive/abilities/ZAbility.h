#pragma once
// The player's powers during a dive. Every item that can be bought, carried on the tool belt or
// charged by a crew member is an ability: a small object that the ability manager arms, aims at
// the board, fires and then either drops at once (one-shot) or keeps running for a while (lasting).
// Each concrete class has one static factory that knows its item id and key name, makes instances
// and takes them back for reuse; the factories link themselves into one chain at program start,
// and the manager walks it once. Nothing else lists the abilities.
//
// A concrete class declares itself with QV_ABILITY(Class, id, "key", category, flags) and registers
// its factory with QV_REGISTER_ABILITY(Class) in its source file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/ZInstanceChain.h"

class ZSound;
class ZTile;
class ZAbilityFactoryBase;

using ZTileList = std::vector<ZTile*>;

class ZAbility
{
public:
    // Effect flags: what a lasting ability changes while it runs.
    static constexpr uint32_t kAirEffect = 0x02;
    static constexpr uint32_t kTreasureEffect = 0x08;
    static constexpr uint32_t kRotationEffect = 0x10;
    static constexpr uint32_t kHaltsFreeze = 0x20;

    // Categories: how the ability is aimed.
    static constexpr int kBoardWide = 0;   // fires on the next click anywhere on the board
    static constexpr int kRotation = 1;    // dropped on the rotation target
    static constexpr int kAimed = 2;       // fired at a clicked tile
    static constexpr int kLevel = 3;       // dropped on the level target
    static constexpr int kAir = 5;         // dropped on the air target
    static constexpr int kTreasure = 6;    // dropped on the treasure target

    ZAbility() = default;
    virtual ~ZAbility() = default;
    ZAbility(const ZAbility&) = delete;
    ZAbility& operator=(const ZAbility&) = delete;

    // The sound the board plays when the ability was used successfully ("ability_<key>"); null
    // when there is none. Found by name when asked for, since instances outlive the resources.
    virtual ZSound* GetSound();
    // Feeds the in-game effect indicators with 1 - progress for each effect flag it carries.
    virtual void Update(float progress);
    // Back to a fresh instance (taken again from its factory's pool). Always false.
    virtual bool Reset();
    virtual int GetId() const = 0;
    virtual const char* GetName() const = 0;
    // True: finished as soon as it has been applied successfully. False: applying starts a lasting
    // effect that stays on the manager's running list.
    virtual bool IsOneShot() const { return true; }
    // True: the lasting effect counts `remaining` down and ends at 0; a lasting ability that
    // answers false lasts until the manager stops every ability at the end of the dive.
    virtual bool IsTimed() const { return false; }
    // True: acts on two tiles chosen one after the other.
    virtual bool IsPairAbility() const { return false; }
    virtual int ModifyInt(int value) { return value; }
    virtual float ModifyAirRate(float rate) { return rate; }
    virtual int ModifyTreasureValue(int value) { return value; }
    virtual void StartEffect() {}
    virtual void EndEffect() {}
    // The tiles to highlight while the pointer is over `tile` with the ability armed.
    virtual void Preview(ZTile* tile, ZTile* second, ZTileList& out) { (void)tile, (void)second, (void)out; }
    // Applies the ability; `out` receives the tiles the board must break. False: it cannot be used
    // there and is not spent.
    virtual bool Apply(ZTile* tile, ZTile* second, ZTileList& out)
    {
        (void)tile, (void)second, (void)out;
        return true;
    }
    // False makes the manager disarm the ability when the player picks that tile.
    virtual bool CanTarget(ZTile* tile) { (void)tile; return true; }
    virtual bool AcceptsPair(ZTile* first, ZTile* second) { (void)first, (void)second; return false; }
    virtual int GetCategory() const { return kAimed; }

    bool IsRunning() const { return m_running; }
    void SetRunning(bool on) { m_running = on; }
    bool IsSpent() const { return m_spent; }
    void SetSpent(bool on) { m_spent = on; }
    bool IsArmed() const { return m_armed; }
    void SetArmed(bool on) { m_armed = on; }
    uint32_t GetFlags() const { return m_flags; }
    bool HasFlag(uint32_t flag) const { return (m_flags & flag) != 0; }
    float GetProgress() const { return m_progress; }
    void SetProgress(float progress) { m_progress = progress; }
    float GetRemaining() const { return m_remaining; }
    void SetRemaining(float seconds) { m_remaining = seconds; }
    float GetDuration() const { return m_duration; }
    ZAbilityFactoryBase* GetFactory() const { return m_factory; }

protected:
    // Sets both the duration and the countdown of a timed effect.
    void SetDuration(float seconds)
    {
        m_duration = seconds;
        m_remaining = seconds;
    }

private:
    friend class ZAbilityFactoryBase;

    bool m_running = false;
    bool m_spent = false;
    bool m_armed = false;
    uint32_t m_flags = 0;
    float m_progress = 0.0f;
    float m_remaining = 0.0f;
    float m_duration = 0.0f;
    ZAbilityFactoryBase* m_factory = nullptr;
};

// One per concrete ability class; a static object that links itself into the chain.
class ZAbilityFactoryBase : public ZInstanceChain<ZAbilityFactoryBase>
{
public:
    ZAbilityFactoryBase(int id, const char* name) : m_id(id), m_name(name) {}
    virtual ~ZAbilityFactoryBase();
    ZAbilityFactoryBase(const ZAbilityFactoryBase&) = delete;
    ZAbilityFactoryBase& operator=(const ZAbilityFactoryBase&) = delete;

    // A fresh instance: the most recently released one, reset, or a new one.
    virtual ZAbility* Create() = 0;
    // Takes an instance back for reuse. An instance already in the pool is not taken twice.
    virtual void Release(ZAbility* ability);
    virtual int GetId() const { return m_id; }
    virtual const char* GetName() const { return m_name; }

    // The localized "<key>.popuptext", looked up once (null when the table has no such text).
    const char* GetPopupText();
    // Looks the popup text up again on its next use (after the text table changed).
    void ForgetPopupText()
    {
        m_popupText = nullptr;
        m_popupLooked = false;
    }
    size_t GetPoolSize() const { return m_pool.size(); }

protected:
    // The last released instance, reset and taken out of the pool; null when the pool is empty.
    ZAbility* TakeFromPool();
    // Fills in what every new instance carries: its factory and flags.
    void Prepare(ZAbility* ability, uint32_t flags);

private:
    int m_id;
    const char* m_name;
    const char* m_popupText = nullptr;
    bool m_popupLooked = false;
    std::vector<ZAbility*> m_pool;
};

template <class T> class ZAbilityFactory : public ZAbilityFactoryBase
{
public:
    ZAbilityFactory() : ZAbilityFactoryBase(T::kId, T::kName) {}

    ZAbility* Create() override
    {
        if (ZAbility* reused = TakeFromPool())
            return reused;
        T* ability = new T();
        Prepare(ability, T::kFlags);
        return ability;
    }
};

// In a concrete class body: its id, key name, category and effect flags.
#define QV_ABILITY(Class, Id, Name, Category, Flags)                                                         \
public:                                                                                                      \
    static constexpr int kId = Id;                                                                           \
    static constexpr const char* kName = Name;                                                               \
    static constexpr uint32_t kFlags = Flags;                                                                \
    int GetId() const override { return kId; }                                                               \
    const char* GetName() const override { return kName; }                                                   \
    int GetCategory() const override { return Category; }                                                    \
                                                                                                             \
private:

// In the class's source file: its one factory.
#define QV_REGISTER_ABILITY(Class) static ZAbilityFactory<Class> s_factory##Class
