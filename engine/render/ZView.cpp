#include "engine/render/ZView.h"

#include <algorithm>

#include "engine/render/ZRenderBase.h"

ZView::ZView(float x, float y, float width, float height) : m_x(x), m_y(y), m_width(width), m_height(height)
{
}

ZView::~ZView()
{
    for (ZCamera* camera : m_cameras)
    {
        if (camera->GetView() == this)
            camera->SetView(nullptr, GetRectangle());
    }
}

ZView* ZView::Create(const V4& rectangle, float priority)
{
    ZRenderBase* renderer = dynamic_cast<ZRenderBase*>(g_render);
    if (!renderer || renderer->GetViewCount() >= uint32_t(ZRenderBase::kMaxViews))
        return nullptr;
    ZView* view = new ZView(rectangle.x, rectangle.y, rectangle.z, rectangle.w);
    renderer->AddView(view, priority);
    return view;
}

void ZView::Refresh()
{
    for (ZCamera* camera : m_cameras)
        camera->SetView(this, GetRectangle());
}

void ZView::AddCamera(ZCamera* camera)
{
    if (!camera)
        return;
    m_cameras.push_back(camera);
    if (camera->GetView() != this)
        camera->SetView(this, GetRectangle());
    camera->SetOptions(uint16_t(camera->GetOptions() | kCameraInView));
    SortCameras();
}

void ZView::SortCameras()
{
    std::stable_sort(m_cameras.begin(), m_cameras.end(),
                     [](const ZCamera* a, const ZCamera* b) { return a->GetPriority() < b->GetPriority(); });
}

void ZView::RemoveCamera(ZCamera* camera)
{
    // Every entry goes: a camera listed twice calls this once, from its destructor.
    m_cameras.erase(std::remove(m_cameras.begin(), m_cameras.end(), camera), m_cameras.end());
}
