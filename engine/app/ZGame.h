#pragma once
// The top-level game object and its stack of screens (game states). The stack performs one
// switch at a time (push, pop, replace the whole stack, insert beneath the top), holds a switch
// back while resources load, fades states in and out, blocks input while a transition runs, sets
// every state's layer and camera drawing order, dims the screen beneath dialog-like states with
// the fader and each frame updates the active states from the top down. The game derives from
// ZGame and is its one instance; the engine calls the hooks below.
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "engine/core/ZEventProducer.h"
#include "engine/core/ZSingleton.h"

class ZGameState;
class ZNode;

class ZGameStateListener
{
public:
    virtual ~ZGameStateListener() = default;
    virtual void OnStateSwitched(ZGameState* current, ZGameState* previous) { (void)current, (void)previous; }
    virtual void OnSwitchPending(ZGameState* state) { (void)state; }
    // Every frame while the pending switch waits for loading to end.
    virtual void OnStillWaiting(ZGameState* state) { (void)state; }
    virtual void OnPendingSwitchStarted(ZGameState* state) { (void)state; }
};

class ZGame : public ZEventProducer<ZGameStateListener>, public ZSingleton<ZGame>
{
public:
    ZGame();
    // Clears the engine's reference to the game; deletes no state.
    virtual ~ZGame();

    // Runs once before the scene start-up phases.
    virtual void OnEngineStart() {}
    // The per-frame step: pending switch, input blocking, switch completion, active states from
    // the top down, the fader.
    virtual void Update(double dt);
    // True when the game handles focus itself; the engine then neither pauses nor resumes.
    virtual bool OnFocusLost() { return false; }
    virtual bool OnFocusGained() { return false; }

    // Switches to the state, keeping the stack. Callers use GotoState.
    void PushState(ZGameState* state, bool fromPop);
    // Pushes a waiting next state onto the stack first, then switches to the state.
    static void GotoState(ZGameState* state);
    // Switches back to the state beneath the top and removes the top; returns the new top. A pop
    // during a switch (or while one waits for loading) runs when that switch completes. With
    // fewer than two stacked states nothing happens and null is returned.
    ZGameState* PopState();
    // Removes every stacked state and switches to the given one.
    void ClearStates(ZGameState* state);
    // With behind, prepares the state and inserts it directly beneath the top (the stack must
    // not be empty) without activating it; otherwise as GotoState.
    void PushStateBehind(ZGameState* state, bool behind);
    ZGameState* GetTopState() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    // Called by ZGameState::Init: enters the state in the maps, makes the fader when needed.
    void RegisterState(ZGameState* state);

    // The roots the pointer may pick in, topmost first: walking the stack from the top, the root
    // of every active state with the pickable flag that is the first such state or is picked
    // while covered.
    void CollectPickRoots(std::vector<ZNode*>& out) const;

    // By name without its first character, lower-cased ("ZInGame" -> "ingame"); null if absent.
    ZGameState* FindState(const char* name) const;
    // The state whose root is the node; null if none.
    ZGameState* FindStateByRoot(const ZNode* root) const;

    ZGameState* GetCurrentState() const { return m_current; }
    ZGameState* GetNextState() const { return m_next; }
    ZGameState* GetPendingState() const { return m_pending; }
    const std::deque<ZGameState*>& GetStack() const { return m_stack; }
    bool IsInputBlocked() const { return m_inputBlocked != 0; }
    void SetBlockInputDuringTransitions(bool on) { m_blockDuringTransitions = on ? 1 : 0; }
    bool GetBlockInputDuringTransitions() const { return m_blockDuringTransitions != 0; }
    void SetWaitForLoading(bool on) { m_waitForLoading = on ? 1 : 0; }
    bool GetWaitForLoading() const { return m_waitForLoading != 0; }
    uint32_t GetDeferredPops() const { return m_deferredPops; }

protected:
    // Resources, texture uploads or sound work are still under way.
    virtual bool IsEngineLoading() const;

private:
    void CompleteSwitch();
    void UpdateLayers();
    void BlockInput();
    void UnblockInput();
    void FinishRemovalNow(ZGameState* state);

    ZGameState* m_current = nullptr;
    ZGameState* m_next = nullptr;
    ZGameState* m_pending = nullptr;
    std::deque<ZGameState*> m_stack;
    std::map<uint32_t, ZGameState*> m_byName;
    std::map<const ZNode*, ZGameState*> m_byRoot;
    uint8_t m_blockDuringTransitions = 1;
    uint8_t m_inputBlocked = 0;
    uint8_t m_pendingFromPop = 0;
    uint8_t m_waitForLoading = 0;
    uint32_t m_deferredPops = 0;
};
