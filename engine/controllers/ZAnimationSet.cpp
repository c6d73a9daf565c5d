#include "engine/controllers/ZAnimationSet.h"

#include <algorithm>

#include "engine/core/ZFrameTimer.h"
#include "engine/import/ZMatPosAnimationImport.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticle.h"

namespace
{

// The two material switches of keyframed nodes.
constexpr int kSwitchKeyframedA = 22;
constexpr int kSwitchKeyframedB = 23;

std::vector<std::unique_ptr<ZAnimation>>& AnimationStore()
{
    static std::vector<std::unique_ptr<ZAnimation>> store;
    return store;
}

} // namespace

ZAnimation* ZAnimation::Make()
{
    AnimationStore().push_back(std::make_unique<ZAnimation>());
    return AnimationStore().back().get();
}

ZAnimationSet* ZAnimationSet::Create(ZNode* target)
{
    auto* set = new ZAnimationSet();
    set->SetTarget(target);
    return set;
}

ZGroup* ZAnimationSet::Load(const char* sceneFile, const char* groupName, int count, const char* const* names,
                            const char* const* files, const char* defaultName)
{
    ZGroup* group = ZGroup::Create();
    group->SetName(groupName);
    if (!sceneFile || ImportSceneFile(ZResourcePath(sceneFile), group) != 0)
        return group;
    for (int i = 0; i < count && names && files; ++i)
    {
        ZAnimation* animation = nullptr;
        ZMatPosAnimationImport importer;
        importer.ImportFile(animation, group, ZNameId(names[i]).Value(), files[i]);
    }
    if (!defaultName)
        return group;
    // By the record's id: geometry objects live in the renderer's library.
    static constexpr ZTypeRecord kGeomObject{"ZGeomObject", nullptr};
    for (ZNode* c = group->GetFirstChild(); c; c = c->GetNextSibling())
    {
        if (!c->IsA(kGeomObject))
            continue;
        if (auto* set = ZEntityCast<ZAnimationSet>(c->FindChildAnimationSet()))
        {
            if (ZAnimation* animation = set->FindAnimation(ZNameId(defaultName).Value()))
                set->Play(animation);
        }
        break;
    }
    return group;
}

ZAnimation* ZAnimationSet::FindAnimation(uint32_t id) const
{
    auto it = m_animations.find(id);
    return it == m_animations.end() ? nullptr : it->second;
}

void ZAnimationSet::SetAnimation(uint32_t id, ZAnimation* animation)
{
    m_animations[id] = animation;
}

void ZAnimationSet::SetRateForAll(float rate)
{
    for (auto& [id, animation] : m_animations)
    {
        if (animation)
            animation->rate = rate;
    }
}

void ZAnimationSet::PlayAnimation(ZAnimation* animation)
{
    if (!animation)
        return;
    animation->finished = false;
    for (auto& [node, track] : animation->tracks)
    {
        ZMatPosAnimController* controller = nullptr;
        for (ZNode* c = node->GetFirstChild(); c && !controller; c = c->GetNextSibling())
            controller = ZEntityCast<ZMatPosAnimController>(c);
        if (controller)
            controller->ResetPlayback();
        else
            controller = ZMatPosAnimController::Create(node, track);
        controller->track = track;
        controller->time = 0.0;
        controller->current = 0;
        controller->lastApplied = -1;
        controller->animation = animation;
        controller->loop = animation->loop;
        controller->startTime = animation->startTime;
        if (animation->rate > -1.0f)
            controller->rate = animation->rate;
        controller->SetActive(true);
    }
}

ZMatPosAnimController* ZMatPosAnimController::Create(ZNode* node, ZAnimTrack* track)
{
    auto* controller = new ZMatPosAnimController(node);
    controller->track = track;
    return controller;
}

void ZMatPosAnimController::ResetPlayback()
{
    time = 0.0;
    current = 0;
    lastApplied = -1;
    track = nullptr;
    animation = nullptr;
    interpolate = false;
    startTime = 0.0f;
    loop = true;
}

void ZMatPosAnimController::Start()
{
    current = 0;
    lastApplied = -1;
    m_stopAfterStart = false;
    const uint32_t count = track ? track->KeyCount() : 0;
    if (count == 0)
    {
        m_stopAfterStart = true;
        return;
    }
    if (count == 1)
    {
        ApplyKey(0, 0.0f);
        if (m_target)
            m_target->SetHidden((track->keys[0].flags & 1) != 0);
        m_stopAfterStart = true;
    }
    time = startTime;
    OnTargetSet(m_target);
}

void ZMatPosAnimController::OnActivate()
{
    ZControllerNodeBase::OnActivate();
    if (m_stopAfterStart)
    {
        m_stopAfterStart = false;
        SetActive(false);
    }
}

void ZMatPosAnimController::OnTargetSet(ZNode* node)
{
    // Tells the target's material that it is keyframed (what that changes is the renderer's).
    auto* geom = ZEntityCast<ZGeom>(node);
    if (!geom)
        return;
    if (auto* material = static_cast<ZMaterial*>(geom->QueryGeometry()))
    {
        material->SetSwitch(kSwitchKeyframedA, 1);
        material->SetSwitch(kSwitchKeyframedB, 1);
    }
}

void ZMatPosAnimController::Update()
{
    const uint32_t count = track ? track->KeyCount() : 0;
    if (count == 0 || !m_target)
    {
        SetActive(false);
        return;
    }
    time += float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
    if (current < count && time > track->keys[current].time)
    {
        ++current;
        // The bound is tested first: the key past the last one does not exist.
        while (current < count - 1 && time >= track->keys[current].time)
            ++current;
    }
    if (current >= count)
    {
        if (loop)
        {
            current = 0;
            time = 0.0;
            lastApplied = -1;
        }
        else
        {
            // Off first, so that the next animation may take this controller over.
            SetActive(false);
            ZAnimation* finishing = animation;
            if (finishing && !finishing->finished)
            {
                finishing->finished = true;
                if (finishing->next)
                    ZAnimationSet::PlayAnimation(finishing->next);
            }
            return;
        }
    }
    const ZAnimKey& key = track->keys[current];
    const double prev = current > 0 ? track->keys[current - 1].time : 0.0;
    if (interpolate)
    {
        const double span = key.time - prev;
        const float f = span > 0.0 ? float(std::clamp((time - prev) / span, 0.0, 1.0)) : 1.0f;
        ApplyKey(current, f);
    }
    else if (int32_t(current) != lastApplied)
    {
        ApplyKey(current, 0.0f);
    }
    const bool hidden = (key.flags & 1) != 0;
    if (m_target && hidden != m_target->IsHidden())
        m_target->SetHidden(hidden);
}

void ZMatPosAnimController::ApplyKey(uint32_t k, float f)
{
    if (!track || k >= track->KeyCount())
        return;
    lastApplied = int32_t(k);
    auto* geom = ZEntityCast<ZGeom>(m_target);
    if (!geom)
        return;
    const ZAnimKey& key = track->keys[k];
    V3 position = key.pose.GetRow(3);
    M33 orientation;
    for (int r = 0; r < 3; ++r)
        orientation.SetRow(r, key.pose.GetRow(r));
    if (interpolate)
    {
        const uint32_t count = track->KeyCount();
        const uint32_t otherIndex = k + 1 < count ? k + 1 : (loop ? 0 : k);
        const ZAnimKey& other = track->keys[otherIndex];
        const V3 otherPosition = other.pose.GetRow(3);
        position = position * (1.0f - f) + otherPosition * f;
        M33 otherOrientation;
        for (int r = 0; r < 3; ++r)
            otherOrientation.SetRow(r, other.pose.GetRow(r));
        const ZQuaternion qk = QuaternionFromMatrix(orientation);
        const ZQuaternion qo = QuaternionFromMatrix(otherOrientation);
        ZQuaternion q{qk.w + f * (qo.w - qk.w), qk.x + f * (qo.x - qk.x), qk.y + f * (qo.y - qk.y),
                      qk.z + f * (qo.z - qk.z)};
        QuaternionNormalize(q);
        QuaternionToMatrix(q, orientation);
    }
    geom->SetPositionXYZ(position.x, position.y, position.z);
    geom->SetOrientation(orientation);
    geom->InvalidateAndNotify();
}
