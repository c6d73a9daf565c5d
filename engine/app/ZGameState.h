#pragma once
// A screen: a unit with a root group in the scene tree, optionally its own 2D camera, the
// resources made while it loads and an optional pair of fade controllers. The game-state stack
// (ZGame) decides when a state is initialized, loaded, entered, covered, left and removed; the
// state carries out each step on its root, camera, controllers and resources. Concrete screens
// override the hooks.
#include <cstdint>
#include <vector>

#include "engine/controllers/ZControllerBase.h"
#include "engine/core/ZEntity.h"
#include "engine/resource/ZResourceManager.h"

class ZCamera;
class ZGroup;
class ZResource;

enum EGameStateFlags : uint32_t
{
    kStateInitialized = 0x1,
    kStateFadingIn = 0x2,
    kStateFadingOut = 0x4,
    kStateVisible = 0x20, // root and camera are activated on entry
    kStateEnteredThisFrame = 0x40,
    kStateCovered = 0x80, // not the focused top state
    kStateLoaded = 0x100, // Build succeeded
    kStateSwitchingIn = 0x200,
    kStateInPlay = 0x400, // from the start of a switch to it until its removal
    kStateOwnCamera = 0x800,
    kStatePickable = 0x1000,
    kStatePickedWhileCovered = 0x2000,
    kStateDims = 0x4000, // the fader darkens the screen beneath it while it is on top
    kStateResourcesWhileStacked = 0x8000,
    kStateRemoving = 0x10000,
    kStateResourcesAcquired = 0x20000,
    kStateWaiting = 0x40000, // its switch waits until loading ends
};

class ZGameState : public ZEntity, public ZTransientListener, public ZResourceContext
{
    QV_TYPE_RECORD(ZGameState, &ZEntity::kTypeRecord)

public:
    static constexpr uint32_t kInitialFlags = kStatePickable | kStateOwnCamera | kStateVisible;

    // Makes the root (inactive, under the scene tree) with the state as its subtree value.
    ZGameState();
    // Frees only the resource list: root, camera and controllers stay in the scene tree.
    ~ZGameState() override;

    // The state's name, by convention its class name ("ZMainMenu").
    const char* GetName() const override = 0;
    // Creates the state's content (typically reads its layout into the root); 0 on success.
    virtual int Build() { return 0; }
    virtual void Init();
    // Once per frame while active.
    virtual void Update(double dt) { (void)dt; }
    virtual bool IsActive() const { return m_active != 0; }
    virtual bool IsActiveOrEntering() const { return IsActive() || TestFlags(kStateSwitchingIn); }
    virtual bool IsInPlay() const { return TestFlags(kStateInPlay | kStateRemoving | kStateWaiting); }
    virtual void SetActive(bool active, ZGameState* related);
    // Subscribe to widgets and events.
    virtual void OnEnter() {}
    virtual void OnFadeInDone() {}
    virtual void OnLeaving() {}
    // Unsubscribe.
    virtual void OnLeave() {}
    // Covered by a state above, or left.
    virtual void OnLoseFocus() {}
    // Became the focused top state.
    virtual void OnGainFocus() {}
    // A switch to this state begins.
    virtual void OnShow() {}
    // The state has left the stack for good.
    virtual void OnRemoved() {}
    // The stack is removing the state (before it leaves).
    virtual void OnRemove() {}
    virtual void OnNotify(int a, int b) { (void)a, (void)b; }
    virtual bool KeepsResources() const { return !TestFlags(kStateResourcesWhileStacked); }

    // ZTransientListener: the end of a fade.
    void Ended(ZControllerBase* controller) override;
    // ZResourceContext: resources made or destroyed while this state's context is current.
    void OnResourceAdded(ZResource* resource) override;
    void OnResourceRemoved(ZResource* resource) override;

    // The stack's steps.
    int Load();
    void AcquireResources();
    void ReleaseResources();
    void PrepareResources();
    void CreateCamera();
    void Enter();
    void Leave();
    void FinishRemoval();

    // The fades run on entering and leaving; the state listens to their end. Either may be null.
    // They stay where they are in the scene tree (the state does not own them).
    void SetFadeControllers(ZTransientController* fadeIn, ZTransientController* fadeOut);
    ZTransientController* GetFadeIn() const { return m_fadeIn; }
    ZTransientController* GetFadeOut() const { return m_fadeOut; }

    uint32_t GetFlags() const { return m_flags; }
    bool TestFlags(uint32_t mask) const { return (m_flags & mask) != 0; }
    void SetFlags(uint32_t mask) { m_flags |= mask; }
    void ClearFlags(uint32_t mask) { m_flags &= ~mask; }
    // Fading in or out and not entered this very frame.
    bool IsInTransition() const
    {
        return TestFlags(kStateFadingIn | kStateFadingOut) && !TestFlags(kStateEnteredThisFrame);
    }

    bool IsOpaque() const { return m_opaque != 0; }
    void SetOpaque(bool opaque) { m_opaque = opaque ? 1 : 0; }
    // The spare switch: lets the buttons of lower states react while this one is on top.
    bool GetSpare() const { return m_spare != 0; }
    void SetSpare(bool on) { m_spare = on ? 1 : 0; }

    ZGroup* GetRoot() const { return m_root; }
    ZCamera* GetCamera() const { return m_camera; }
    int32_t GetLayer() const { return m_layer; }
    void SetLayer(int32_t layer) { m_layer = layer; }
    // Sets the own camera's drawing order and lets its view re-sort.
    void SetCameraOrder(float order);
    ZGameState* GetRelated() const { return m_related; }
    double GetTimeEntered() const { return m_timeEntered; }
    uint32_t GetFrameEntered() const { return m_frameEntered; }
    const std::vector<ZResource*>& GetResources() const { return m_resources; }

    // Releasing resources on removal: the machine has little memory or "developer" is on.
    static bool ShouldReleaseOnRemoval();

private:
    // Restarts a controller from its beginning (activating a node starts it).
    static void StartController(ZTransientController* controller);
    void StopFadeIn();
    // The end of leaving, at once or after the fade-out: covered, focus and the state gone, the
    // removal finished when asked for, the view switched off.
    void FinishLeaving();

    ZTransientController* m_fadeIn = nullptr;
    ZTransientController* m_fadeOut = nullptr;
    ZGroup* m_root = nullptr;
    double m_timeEntered = 0.0;
    uint32_t m_frameEntered = 0;
    int32_t m_layer = -1;
    uint32_t m_flags = kInitialFlags;
    uint8_t m_unused = 1;
    uint8_t m_opaque = 1;
    uint8_t m_active = 0;
    uint8_t m_spare = 0;
    ZCamera* m_camera = nullptr;
    ZGameState* m_related = nullptr;
    std::vector<ZResource*> m_resources;
};
