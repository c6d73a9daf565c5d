#pragma once
// The 2D layer table: up to eight named screen layers, each a group node (hidden from the scene's
// own cameras) drawn by a 2D camera of its own inside the one 2D screen view. The manager also makes
// the screen cameras of game states and the fader, the pointer's camera and the tool-tip camera.
//
// While a manager exists it is the user interface's side of the screen host (engine/app/
// ZScreenHost.h): game states and the fader get their cameras into the 2D view through it, the
// game-state stack locks the pointer through it and the fader draws a real 2D sprite. It also hands
// the effect controllers their 2D sprites (halo and highlight ring).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ZStaticArray.h"
#include "engine/scene/ZNode.h"

class ZCamera;
class ZGroup;
class ZMousePointer;
class ZView;

struct ZLayer2D
{
    // Puts a node into the layer (under its group); nothing once the group is gone.
    void AddChild(ZNode* node);
    // Renames the layer together with its group and its camera ("screen2d_camera_" + name), as
    // the game names its first layer "game".
    void SetName(const char* newName);

    ZGroup* group = nullptr;
    ZCamera* camera = nullptr;
    std::string name;
    uint32_t index = 0;
};

class ZLayer2DManager : public INodeStateListener
{
public:
    static constexpr int kMaxLayers = 8;
    static constexpr float kViewPriority = 100.0f;
    static constexpr float kPointerPriority = 1000.0f;

    // Makes the manager for the logical screen size, the 2D view when a renderer exists, the layer
    // "default", and publishes it (replacing any earlier one).
    static ZLayer2DManager* Create(float width, float height);
    static ZLayer2DManager* GetInstance();

    ZLayer2DManager(const ZLayer2DManager&) = delete;
    ZLayer2DManager& operator=(const ZLayer2DManager&) = delete;
    // Clear, then it is no longer published.
    ~ZLayer2DManager() override;

    // depth -1 means (count + 1) x 100. Null when all eight layers exist: a ninth is refused.
    // The new layer becomes current; the pointer and the tool tips stay on the first layer.
    ZLayer2D* AddLayer(const char* name, float depth = -1.0f);
    // A new 2D camera (orthographic, logical screen size) in no view yet; the caller names it,
    // sets its root and order and adds it to the 2D view.
    ZCamera* CreateScreenCamera();
    // A copy of the first layer's camera, "tooltip_cam", shown and in the 2D view; the tool tips
    // own it. Null without a layer.
    ZCamera* CreateToolTipCamera();
    // The pointer's camera "mousepointer_camera" (a copy of the first layer's at 1000) with its
    // root "mousepointer_group" under the first layer's group; made once. Returns the group.
    ZGroup* CreatePointerCamera();
    // The view every 2D camera draws in (priority 100), made on first use once a renderer exists.
    ZView* GetScreenView();
    void AddToScreenView(ZCamera* camera);
    // The pointer the manager releases in Clear.
    void HoldPointer(ZMousePointer* pointer);
    // Releases the pointer held and every layer (its camera first) and empties the table.
    void Clear();

    size_t GetLayerCount() const { return m_layers.Size(); }
    ZLayer2D* GetLayer(size_t index) const { return index < m_layers.Size() ? m_layers[index] : nullptr; }
    ZLayer2D* FindLayer(const char* name) const;
    ZLayer2D* GetCurrentLayer() const { return m_current; }
    // The first layer (made with the manager): screens, the pointer and the tool tips live in it,
    // whatever layers are added later.
    ZLayer2D* GetDefaultLayer() const { return GetLayer(0); }
    ZCamera* GetPointerCamera() const { return m_pointerCamera; }
    ZGroup* GetPointerGroup() const { return m_pointerGroup; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }

    void NodeGone(ZNode* node) override;

private:
    ZLayer2DManager() = default;
    void Watch(ZNode* node);

    ZCamera* m_pointerCamera = nullptr;
    ZGroup* m_pointerGroup = nullptr;
    ZStaticArray<ZLayer2D*, kMaxLayers> m_layers;
    ZMousePointer* m_pointer = nullptr;
    ZLayer2D* m_current = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    ZView* m_view = nullptr;
    std::vector<ZNode*> m_watched;
};

// Screen edges in logical pixels, from the 2D view's extent and the logical screen size.
float HalfHeightMinus2D(float y);
float HeightMinusHalfHeight2D();
float HalfWidthMinus2D(float x);
float MinusHalfWidth2D(float x);
