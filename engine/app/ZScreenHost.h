#pragma once
// What the game-state stack, the game states and the fader need of the user interface and the
// renderer: 2D screen cameras and the 2D view, the pointer's input lock, the input module's
// enabled switch and the fader's full-screen sprite. The 2D layer manager and the mouse pointer
// install a host when they exist; until then the default host makes plain 2D cameras (in no view),
// re-sorts a camera's view and switches the input module's keyboard, so the stack runs whole, only
// without drawing or locking the pointer.
class ZCamera;
class ZNode;

class IScreenHost
{
public:
    virtual ~IScreenHost() = default;
    // A new camera set up for the 2D screen (orthographic, logical screen size), in no view yet.
    virtual ZCamera* CreateScreenCamera();
    // Adds the camera to the 2D view.
    virtual void AddToScreenView(ZCamera* camera) { (void)camera; }
    // The camera's drawing order changed: its view re-sorts its cameras.
    virtual void OnCameraOrderChanged(ZCamera* camera);
    // One more (true) or one fewer (false) pointer-input lock; never below 0.
    virtual void LockPointerInput(bool lock) { (void)lock; }
    // The input module's input-enabled switch (its keyboard switch).
    virtual void SetInputEnabled(bool enabled);
    // The fader's sprite: sized to the screen, black, "fade_texture", named "fade_sprite"; null
    // when no 2D sprite can be made (the fader then keeps its alpha without drawing it).
    virtual ZNode* CreateFadeSprite(float width, float height)
    {
        (void)width, (void)height;
        return nullptr;
    }
    virtual void SetFadeSpriteAlpha(ZNode* sprite, float alpha) { (void)sprite, (void)alpha; }
};

// Never null: the installed host, or the default one.
IScreenHost* GetScreenHost();
// Null restores the default host. The host is not owned.
void SetScreenHost(IScreenHost* host);
