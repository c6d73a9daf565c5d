#pragma once
// A camera looks at one subtree of the scene (by default the whole scene tree), holds its
// projection and builds, when the renderer asks, a flat list of the nodes to draw with their world
// matrices, sorted by a 32-bit key. A 2D camera orders its 2D nodes by depth and culls them against
// the logical screen; a 3D camera orders by distance.
//
// The renderer's views own the cameras' drawing order; a camera only keeps what it needs of its
// view: the view (to leave it when the camera dies) and the view's rectangle (for the projection).
#include <cstdint>

#include "engine/core/ZBoundingBox.h"
#include "engine/core/ZProperty.h"
#include "engine/scene/ZGeom.h"

class ZCamera;

// What a camera calls on the view that holds it. The renderer's view implements it; a view that
// goes before its cameras hands each of them SetView(nullptr, ...).
class ICameraView
{
public:
    virtual ~ICameraView() = default;
    virtual void RemoveCamera(ZCamera* camera) = 0;
};

enum ECameraOptions : uint16_t
{
    // The renderer clears depth and stencil before drawing this camera.
    kCameraClearDepth = 0x1,
    // Orthographic projection; 2D sprites are drawn at z 0 under it.
    kCameraOrthographic = 0x4,
    kCameraInView = 0x20,
};

// One node to draw: its world matrix and its sort key.
struct SDrawEntry
{
    ZNode* node = nullptr;
    uint32_t key = 0;
    // Collection order: equal keys keep it, so nodes at one depth do not swap from frame to frame.
    uint32_t order = 0;
    alignas(16) _M44 world;
};

// The fog a camera draws with: kind 0 none, 1 linear from start to end, 2 exponential and 3 squared
// exponential with the density; the colour is r, g, b, a.
struct SCameraFog
{
    int32_t kind = 0;
    float start = 0.0f;
    float end = 1.0f;
    float density = 1.0f;
    V4 color{0.0f, 0.0f, 0.0f, 1.0f};
};

extern ZPropertyBool g_cameraDumpCache;

class ZCamera : public ZGeom
{
    QV_TYPE_RECORD(ZCamera, &ZGeom::kTypeRecord)

public:
    static constexpr uint32_t kMaxEntries = 4096;

    ZCamera();
    ~ZCamera() override;

    // Orthographic unless perspective; a 2D orthographic camera has flag kNode2D and depth range
    // [-1, 1]. A null root means the scene tree.
    static ZCamera* Create(const char* name, ZNode* root, bool perspective, bool is2D);

    void CopyFrom(ZNode* source) override;
    ZNode* Clone() override;
    virtual void UpdateProjection();

    void UpdateViewMatrix();
    // True when the list holds at least one entry.
    bool BuildDrawList();

    // Called by the view that takes the camera (null when it leaves); the viewport is the view's
    // rectangle as fractions of the screen: x, y, width, height.
    void SetView(ICameraView* view, const V4& viewport);
    ICameraView* GetView() const { return m_view; }

    // The depth key of a 2D node: z clamped to [-1000, 1000], mapped onto 16 bits, shifted left by 8.
    static uint32_t DepthKey(float z);
    // The key of a geometric node: the depth key when both the camera and the node are 2D, else
    // the distance from the camera to the nearest point of the node's bounds, shifted left by 8.
    uint32_t GeometryKey(ZGeom& node, const _M44& world) const;
    uint32_t DistanceKey(ZGeom& node, const _M44& world) const;
    // A sprite with the rectangle `local` (its pivot-placed extent in its own space). In 2D it is
    // culled when that rectangle, in camera space, lies wholly off the logical screen.
    bool SpriteKey(ZGeom& node, const _M44& world, const Rectangle2D& local, uint32_t& key) const;
    // Texts at one depth come together by font.
    static uint32_t TextKey(const _M44& world, uint8_t fontId) { return DepthKey(world.m[3][2]) + fontId; }
    static uint32_t ParticleKey(const _M44& world) { return DepthKey(world.m[3][2]); }

    uint16_t GetOptions() const { return m_options; }
    void SetOptions(uint16_t options) { m_options = options; }
    const _M44& GetProjection() const { return m_projection; }
    const _M44& GetCameraWorldMatrix() const { return m_cameraWorld; }
    const _M44& GetOrientationMatrix() const { return m_orientationMatrix; }
    float GetNear() const { return m_near; }
    float GetFar() const { return m_far; }
    float GetFieldOfView() const { return m_fieldOfView; }
    void SetFieldOfView(float radians) { m_fieldOfView = radians; }
    float GetAspect() const { return m_aspect; }
    ZNode* GetRoot() const { return m_root; }
    void SetRoot(ZNode* root) { m_root = root; }
    float GetPriority() const { return m_priority; }
    void SetPriority(float priority) { m_priority = priority; }
    int32_t GetRenderTarget() const { return m_renderTarget; }
    void SetRenderTarget(int32_t target) { m_renderTarget = target; }
    const V3& GetWorldPositionAtBuild() const { return m_worldPosition; }
    const SCameraFog& GetFog() const { return m_fog; }
    void SetFog(const SCameraFog& fog) { m_fog = fog; }

    const SDrawEntry* GetEntries() const { return m_entries; }
    uint32_t GetEntryCount() const { return m_entryCount; }

private:
    void Collect(ZNode* node, const _M44& parent);
    void SortEntries();

    uint16_t m_options = kCameraClearDepth;
    _M44 m_projection;
    _M44 m_cameraWorld;
    _M44 m_orientationMatrix;
    float m_near = 1.0f;
    float m_far = 10000.0f;
    float m_fieldOfView = 0.7853982f;
    float m_aspect = 1.0f;
    ZNode* m_root = nullptr;
    ICameraView* m_view = nullptr;
    V4 m_viewport{0.0f, 0.0f, 1.0f, 1.0f};
    SDrawEntry* m_entries = nullptr;
    uint32_t m_entryCount = 0;
    // Sorting moves small (key, order) pairs, then the entries once through the spare buffer, which
    // then swaps with the list: no whole entry (matrix included) is moved more than once a frame.
    struct SSortKey
    {
        uint32_t key;
        uint32_t order;
    };
    SDrawEntry* m_spareEntries = nullptr;
    SSortKey* m_sortKeys = nullptr;
    float m_priority = 0.0f;
    // -1 draws to the screen.
    int32_t m_renderTarget = -1;
    V3 m_worldPosition;
    bool m_full = false;
    SCameraFog m_fog;
};
