#pragma once
// The whale of the underwater background: a chain of ten jointed parts that swims now and then
// along one of its paths, each part following the one ahead like a body, the tail beating and the
// fluke turning, its tint darkening from a lighter to a deeper sea-green as it goes. The background
// owns the mover, builds it once from the whale layout and advances it every frame.
#include <cstdint>
#include <vector>

#include "engine/core/ZVector.h"

class ZGeom;
class ZGroup;
class ZNode;
class ZSplineNode;
class ZSprite;

class ZWhaleMover
{
public:
    static constexpr int kParts = 10;
    // Seconds of clock time one swim takes.
    static constexpr double kSwimSeconds = 60.0;
    // Tints at the start and the end of a swim (ARGB).
    static constexpr uint32_t kTintStart = 0xFF015F79;
    static constexpr uint32_t kTintEnd = 0xFF004153;

    // The whale's root node and the parent of the last part (the fluke); the root serves for both
    // when the second is null.
    void SetNodes(ZGeom* root, ZNode* tailParent);
    // A path to swim along (its sample table is rebuilt); not owned: the layout keeps it.
    void AddPath(ZSplineNode* path);

    // Builds the chain from "whale_1".."whale_10" and their pivots "center_1".."center_11" below
    // the root. 0 on success; 1 when the root or a part or pivot is missing (nothing then moves).
    int Build();
    // The first swim starts at the given clock time on a path drawn at random.
    void Start(double now);
    // Moves the chain for the clock time T (seconds).
    void Update(double now);

    // Each of the four channels a x (1 - f) + b x f.
    static V4 BlendColour(const V4& a, const V4& b, float f);

    bool IsBuilt() const { return m_built; }
    size_t GetPathCount() const { return m_paths.size(); }
    int GetCurrentPath() const { return m_current; }
    double GetStartTime() const { return m_start; }
    ZGroup* GetJoint(int i) const { return i >= 0 && i < kParts ? m_joints[i] : nullptr; }
    ZSprite* GetPart(int i) const { return i >= 0 && i < kParts ? m_parts[i] : nullptr; }
    float GetSegmentLength(int i) const { return i >= 0 && i < kParts ? m_lengths[i] : 0.0f; }
    const V4& GetTint() const { return m_tint; }

private:
    void DrawNextPath();

    ZGeom* m_root = nullptr;
    ZNode* m_tailParent = nullptr;
    ZGroup* m_joints[kParts] = {};
    ZSprite* m_parts[kParts] = {};
    // m_lengths[i]: from part i's pivot to the next pivot towards the tail (the last one to the
    // tail's end).
    float m_lengths[kParts] = {};
    std::vector<ZSplineNode*> m_paths;
    int m_current = 0;
    double m_start = 0.0;
    V4 m_tint{1.0f, 1.0f, 1.0f, 1.0f};
    bool m_built = false;
};
