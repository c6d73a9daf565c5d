#include "engine/controllers/ZAnimateGeom.h"

#include <algorithm>
#include <cmath>

#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZMath.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"

namespace
{

float FrameDelta()
{
    return float(g_frameTimer ? g_frameTimer->frameDelta : 0.0);
}

} // namespace

ZAnimateGeom::~ZAnimateGeom()
{
    if (!g_nodeListenersMuted)
    {
        for (ZNode* frame : m_frames)
        {
            if (frame && frame != m_target)
                frame->RemoveStateListener(this);
        }
    }
    m_frames.clear();
}

ZAnimateGeom* ZAnimateGeom::Create(ZNode* target)
{
    auto* controller = new ZAnimateGeom(target);
    ZSceneTree::GetInstance()->AddChild(controller);
    controller->SetActive(false);
    return controller;
}

void ZAnimateGeom::AddFrame(ZNode* node)
{
    m_frames.push_back(node);
    if (node)
        node->AddStateListener(this);
}

void ZAnimateGeom::NodeGone(ZNode* node)
{
    ZControllerNodeBase::NodeGone(node);
    std::replace(m_frames.begin(), m_frames.end(), node, static_cast<ZNode*>(nullptr));
}

void ZAnimateGeom::ShowFrame(int index)
{
    if (m_frames.empty())
        return;
    if (index < 0 || size_t(index) >= m_frames.size())
        index = 0;
    for (size_t i = 0; i < m_frames.size(); ++i)
    {
        if (m_frames[i])
            m_frames[i]->SetActive(int(i) == index);
    }
}

void ZAnimateGeom::Start()
{
    position = 0.0f;
    ShowFrame(0);
}

void ZAnimateGeom::Stop()
{
    ShowFrame(0);
}

void ZAnimateGeom::Update()
{
    // Nothing to show, and fmod by 0 would make the frame index undefined.
    if (m_frames.empty())
        return;
    const float count = float(m_frames.size());
    position += FrameDelta() * frameRate;
    ShowFrame(int(std::fmod(position, count)));
    if (stopAt > -1.0f && position / count >= stopAt)
        SetActive(false);
}

ZSprite2DRotate* ZSprite2DRotate::Create(ZGeom* target)
{
    auto* controller = new ZSprite2DRotate();
    controller->target = target;
    if (target)
        target->AddChild(controller);
    controller->SetActive(true);
    return controller;
}

void ZSprite2DRotate::Update()
{
    angle = std::fmod(angle + angularSpeed * FrameDelta(), kTwoPi);
    if (target)
        target->SetRotationZ(angle);
}
