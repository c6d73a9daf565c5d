#include "engine/render/ZRenderBase.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine/core/ZFatalError.h"
#include "engine/platform/ZPlatformTime.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZView.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZRenderSettings.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/render/resources/ZTextureLoader.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeomObject.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"

namespace
{
constexpr uint32_t kNone = ZProperty::kNoGroup;
}

ZPropertyBool g_engineRenderForcePow2("engine.render.forcepow2", "Force Pow2 Textures",
                                      "Force engine to makes engines pow2 sizes", 0, kNone, false);
ZPropertyBool g_engineRenderVsync("engine.render.vsync", "Wait for sync", "Wait for vertical screen sync", 0,
                                  kNone, true);
ZPropertyBool g_renderAtlas("render.atlas", "Render Atlas", "Render texture atlas to screen", 0, kNone,
                            false);
ZPropertyInt g_renderAtlasIndex("render.atlas.index", "Render Atlas Index",
                                "Render atlas with given index (lsatlas to list)", 0, kNone, 0, 1000, 0);
ZPropertyFloat g_renderAtlasScale("render.atlas.scale", "Scale Atlas", "Scale atlas by this much", 0, kNone,
                                  0.28f, 3.0f, 0.0f);
ZPropertyText g_renderCamera("render.camera", "Render Camera Solo", "Only render the named camera", 0, kNone,
                             "");
ZPropertyBool g_renderDisableFontCache("render.disablefontcache",
                                       "Disables the position and layout caching of the font renderer",
                                       "Disables the position and layout caching of the font renderer", 0,
                                       kNone, false);
ZPropertyInt g_debugTextColor("debug.textcolor", "Debug Text Color", "Color of debug text", 0, kNone,
                              14942463, 16777215, 0);
ZPropertyInt g_renderShowTexture("render.showtexture", "", "", 0, kNone, -1, 2048, -1);
ZPropertyInt g_renderScreenDumpTexture("render.screendumptexture",
                                       "Which texture id to dump when taking screenshot. -1 is front buffer, "
                                       "-2 is back buffer, -3 is default render "
                                       "target",
                                       "Which texture id to dump when taking screenshot. -1 is front buffer, "
                                       "-2 is back buffer, -3 is default render "
                                       "target",
                                       0, kNone, -3, 1000, -3);
ZPropertyBool
    g_renderOpaqueScreenDump("render.opaquescreendump", "Force Opaque Dump",
                             "Force opaqueness for non-alpha enabled textures when taking a texture dump", 0,
                             kNone, true);

namespace
{
// The scene's drawable classes, as the frame driver sorts them.
void RegisterSceneDrawClasses()
{
    ZRenderBase::RegisterDrawClass(
        {&ZGeomObject::kTypeRecord, EDrawKind::GeomObject,
         [](ZNode* node) { return static_cast<ZGeomObject*>(node)->GetPartCount(); },
         [](ZNode* node, uint32_t index)
         {
             ZSubPrimitive* part = static_cast<ZGeomObject*>(node)->GetPart(index);
             return part ? SDrawPart{part, part->GetMaterial(), part->GetPartFlags()}
                         : SDrawPart{nullptr, nullptr, 0};
         },
         nullptr});
    ZRenderBase::RegisterDrawClass({&ZSprite::kTypeRecord, EDrawKind::Sprite, nullptr, nullptr,
                                    [](ZNode* node) { return static_cast<ZSprite*>(node)->GetMaterial(); }});
    ZRenderBase::RegisterDrawClass({&ZFontText::kTypeRecord, EDrawKind::Text, nullptr, nullptr, nullptr});
    ZRenderBase::RegisterDrawClass(
        {&ZParticleEmitterSystem::kTypeRecord, EDrawKind::Particles, nullptr, nullptr, nullptr});
}
} // namespace

ZRenderBase::ZRenderBase()
{
    RegisterSceneDrawClasses();
    m_opaque = new DrawRecord[kBucketSize];
    m_blended = new DrawRecord[kBucketSize];
    m_flat = new DrawRecord[kBucketSize];
    ResetViewList();
    g_render = this;
}

ZRenderBase::~ZRenderBase()
{
    if (m_listenersRegistered)
    {
        g_renderAtlasIndex.RemoveListener(this);
        if (ZResourceManager* manager = ZResourceManager::PeekInstance())
            manager->RemoveContextListener(this);
    }
    DeleteAuxiliary();
    DeleteRenderState();
    for (int i = m_firstView; i >= 0; i = m_viewEntries[i].next)
        delete m_viewEntries[i].view;
    ResetViewList();
    for (ZTextureAtlas* page : m_pages)
        delete page;
    m_pages.clear();
    m_contextPages.clear();
    m_dirtyPages.clear();
    m_uploadQueue.clear();
    delete[] m_opaque;
    delete[] m_blended;
    delete[] m_flat;
    if (g_render == this)
        g_render = nullptr;
}

void ZRenderBase::DeleteRenderState()
{
    if (m_renderState)
        m_renderState->Destroy();
    m_renderState = nullptr;
}

int ZRenderBase::Init(int width, int height, bool windowed, ZPlatformWindow* window)
{
    (void)window;
    // The decoders come with the renderer: the manager gets them when the renderer starts.
    if (!m_resourceManager)
        SetResourceManager(ZResourceManager::PeekInstance());
    ReleaseDefaultQuad();
    m_width = width;
    m_height = height;
    if (windowed)
        EnableStateA(kRenderWindowed);
    else
        DisableStateA(kRenderWindowed);
    if (TestStateA(kRenderOverlays) && !m_overlay)
        m_overlay = CreateOverlay();
    if (!m_textRenderer)
        m_textRenderer = CreateTextRenderer();
    else
        OnDeviceReset();
    // The particle renderer is made anew for the new device.
    DeleteParticleRenderer();
    m_particleRenderer = CreateParticleRenderer();
    DeleteRenderState();
    m_renderState = CreateRenderState();
    if (g_renderDebug.GetValue())
        EnableStateC(kRenderDebugShapes);
    if (!m_listenersRegistered)
    {
        if (ZResourceManager* manager =
                m_resourceManager ? m_resourceManager : ZResourceManager::PeekInstance())
            manager->AddContextListener(this);
        g_renderAtlasIndex.AddListener(this);
        m_listenersRegistered = true;
    }
    return 0;
}

void ZRenderBase::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
    RefreshViews();
}

void ZRenderBase::SetOutputScale(float x, float y)
{
    m_outputScaleX = x;
    m_outputScaleY = y;
}

void ZRenderBase::SetResourceManager(ZResourceManager* manager)
{
    m_resourceManager = manager;
    if (manager && manager->GetTextureLoaderCount() == 0)
    {
        manager->AddTextureLoader(new ZTextureLoaderOpenJpeg());
        manager->AddTextureLoader(new ZTextureLoaderDevil());
    }
}

bool ZRenderBase::HasDisplayMode(int width, int height) const
{
    return std::find(m_displayModes.begin(), m_displayModes.end(), std::make_pair(width, height)) !=
           m_displayModes.end();
}

void ZRenderBase::AddDisplayMode(int width, int height)
{
    if (!HasDisplayMode(width, height))
        m_displayModes.emplace_back(width, height);
}

void ZRenderBase::OnOutOfVideoMemory()
{
    ZFatalError("The game ran out of video memory. Try closing some applications and starting again.");
}

bool ZRenderBase::ChooseDisplayMode(int& width, int& height, float aspect) const
{
    if (g_renderDesktopResolution.GetValue())
    {
        plat::DisplayMode mode;
        if (plat::GetPrimaryDesktopMode(mode))
        {
            width = mode.width;
            height = mode.height;
        }
        else
            width = height = 0;
        return true;
    }
    const std::pair<int, int>* best = nullptr;
    float tolerance = 0.05f;
    for (;;)
    {
        for (const auto& mode : m_displayModes)
        {
            const bool takes =
                aspect <= -1.0f || std::fabs(float(mode.first) / float(mode.second) - aspect) <= tolerance;
            if (!takes)
                continue;
            if (mode.first == width && mode.second == height)
                return true;
            if (mode.first >= width && mode.second >= height &&
                (!best || (mode.first - width <= best->first - width &&
                           mode.second - height <= best->second - height)))
                best = &mode;
        }
        tolerance += 0.2f;
        const int bestHeight = best ? best->second : 0;
        if (aspect <= -1.0f || bestHeight - height <= height / 3 || tolerance >= 0.8f)
            break;
    }
    if (best)
    {
        width = best->first;
        height = best->second;
    }
    return best != nullptr;
}

int ZRenderBase::RenderFrame()
{
    if (g_engineRenderVsync.GetValue())
        WaitForVerticalSync();
    if (TestStateA(kRenderScreenSprite))
        ApplyScreenSprite();
    AddDebugGrids();
    return 0;
}

void ZRenderBase::SetStateId(uint32_t id)
{
    if (m_renderState)
        m_renderState->SetId(id);
}

ZRenderState* ZRenderBase::ApplyRenderState(ZRenderState* state)
{
    if (!state || !m_renderState)
        return m_renderState;
    if (state->GetId() == m_renderState->GetId())
        return m_renderState;
    ZRenderState* result = state->ApplyFrom(m_renderState);
    m_renderState->SetId(state->GetId());
    return result;
}

void ZRenderBase::ResetViewList()
{
    for (int i = 0; i < kMaxViews; ++i)
    {
        m_viewEntries[i] = ViewEntry{};
        // Index 0 is taken first.
        m_freeViewEntries[i] = kMaxViews - 1 - i;
    }
    m_viewCount = 0;
    m_firstView = -1;
}

void ZRenderBase::AddView(ZView* view, float priority)
{
    if (!view || m_viewCount >= uint32_t(kMaxViews))
    {
        std::fprintf(stderr, "ZRenderBase: no room for another view (at most %d)\n", kMaxViews);
        return;
    }
    const int index = m_freeViewEntries[kMaxViews - 1 - int(m_viewCount)];
    ++m_viewCount;
    ViewEntry& entry = m_viewEntries[index];
    entry.view = view;
    entry.priority = priority;
    // Behind every view of a lower or equal priority.
    int prev = -1;
    int at = m_firstView;
    while (at >= 0 && m_viewEntries[at].priority <= priority)
    {
        prev = at;
        at = m_viewEntries[at].next;
    }
    entry.prev = prev;
    entry.next = at;
    if (prev >= 0)
        m_viewEntries[prev].next = index;
    else
        m_firstView = index;
    if (at >= 0)
        m_viewEntries[at].prev = index;
}

ZView* ZRenderBase::GetView(uint32_t index) const
{
    if (index >= m_viewCount)
        return nullptr;
    int at = m_firstView;
    for (uint32_t i = 0; i < index && at >= 0; ++i)
        at = m_viewEntries[at].next;
    return at >= 0 ? m_viewEntries[at].view : nullptr;
}

void ZRenderBase::RefreshViews()
{
    for (int i = m_firstView; i >= 0; i = m_viewEntries[i].next)
        m_viewEntries[i].view->Refresh();
}

ZShaderBase* ZRenderBase::CreateShaderDef(const char* name)
{
    return new ZShaderBase(name);
}

void ZRenderBase::SetScreenSpriteMode(bool on)
{
    if (on)
        EnableStateA(kRenderScreenSprite);
    else
        DisableStateA(kRenderScreenSprite);
}

void ZRenderBase::SetScreenSpriteShown(bool on)
{
    if (on)
        EnableStateC(kRenderScreenSpriteShown);
    else
        DisableStateC(kRenderScreenSpriteShown);
    ApplyScreenSprite();
}

void ZRenderBase::SetScreenSpriteOverlay(bool on)
{
    if (on)
        EnableStateC(kRenderScreenSpriteOverlay);
    else
        DisableStateC(kRenderScreenSpriteOverlay);
    ApplyScreenSprite();
}

void ZRenderBase::SetScreenFade(float value)
{
    m_screenFade = value;
    // The screen sprite carries the fade as its opacity.
    if (m_screenSprite)
        m_screenSprite->SetAlpha(value);
}

void ZRenderBase::SetScreenSprite(ZSprite* sprite)
{
    m_screenSprite = sprite;
    if (!sprite || !TestStateA(kRenderScreenOwnTexture))
        return;
    ZMaterial* material = sprite->GetMaterial();
    ZTextureResource* texture = material ? material->GetTexture(0) : nullptr;
    if (!texture)
        return;
    // A sprite showing its own texture takes that texture's size and is shown at once; it is not
    // given another texture (SetScreenTexture leaves it alone).
    sprite->SetSize(float(texture->GetImageWidth()), float(texture->GetImageHeight()));
    sprite->SetHidden(false);
}

int ZRenderBase::SetScreenTexture(ZTexture* texture)
{
    if (!texture || !m_screenSprite || TestStateA(kRenderScreenOwnTexture))
        return 0;
    if (ZMaterial* material = m_screenSprite->GetMaterial())
        material->SetTexture(0, texture, true);
    m_screenSprite->SetSize(float(texture->GetImageWidth()), float(texture->GetImageHeight()));
    return 0;
}

void ZRenderBase::ApplyScreenSprite()
{
    if (!m_screenSprite || TestStateA(kRenderScreenOwnTexture))
        return;
    const bool shown = TestStateC(kRenderScreenSpriteShown | kRenderScreenSpriteOverlay);
    // Run every frame in screen-sprite mode: listeners hear of real changes only.
    if (m_screenSprite->IsHidden() == shown)
        m_screenSprite->SetHidden(!shown);
}

void ZRenderBase::OnDeviceReset()
{
    // Nodes that keep laid-out text or device buffers rebuild them on their next draw.
    if (ZSceneTree* tree = ZSceneTree::PeekInstance())
        tree->InvalidateLayout();
}

void ZRenderBase::CommitDefaultAtlasPages()
{
    QueueContextPages(kDefaultContext);
}

int ZRenderBase::CreateTextureOfSize(int width, int height)
{
    return CreateTexture(width, height, nullptr, 0, true);
}

int ZRenderBase::ResetDeviceState(bool restoreContents)
{
    (void)restoreContents;
    if (m_renderState)
        m_renderState->Reset();
    return 0;
}

int ZRenderBase::ResetMatrices()
{
    m_cachedView.SetIdentity();
    m_cachedProjection.SetIdentity();
    SetProjectionMatrix(m_cachedProjection);
    m_cachedCamera = nullptr;
    return 0;
}

int ZRenderBase::ReloadResources()
{
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
        library->Reload();
    if (m_renderState)
        m_renderState->Reset();
    return 0;
}

int ZRenderBase::RestoreSurfaces()
{
    RefreshViews();
    return 0;
}

void ZRenderBase::OnPropertyChanged(ZProperty* property)
{
    if (property != &g_renderAtlasIndex)
        return;
    const uint32_t count = uint32_t(m_pages.size());
    const int32_t value = g_renderAtlasIndex.GetValue();
    // Without pages there is nothing to wrap into: the value stays.
    if (count == 0 || (value >= 0 && uint32_t(value) < count))
        return;
    const int32_t wrapped = int32_t((count + uint32_t(value)) % count);
    g_renderAtlasIndex.SetValue(wrapped);
}

void ZRenderBase::DebugPrintfAt(float x, float y, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    AddDebugText(x, y, text);
}

void ZRenderBase::DebugPrintf(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    AddDebugText(-1.0f, -1.0f, text);
}

uint32_t ZRenderBase::GetTicks() const
{
    return plat::GetTickCount();
}

// The upload queue.

int ZRenderBase::RequestTextureUpload(ZTexture* texture, bool now)
{
    if (!texture || (texture->GetTextureFlags() & kTextureAlphaOnly) ||
        texture->TestFlags(kResourceDataReady))
        return 0;
    if (now)
        return MakeTextureResident(texture);
    ZSpinLockGuard guard(m_uploadLock);
    m_uploadQueue.push_back(texture);
    return 0;
}

int ZRenderBase::UploadTextureNow(ZTexture* texture)
{
    if (!texture || (texture->GetTextureFlags() & kTextureAlphaOnly) ||
        texture->TestFlags(kResourceDataReady))
        return 1;
    ForgetQueuedTexture(texture);
    const int result = MakeTextureResident(texture);
    if (result == 0)
        AfterResident(texture);
    return result;
}

bool ZRenderBase::HasQueuedUploads() const
{
    ZSpinLockGuard guard(m_uploadLock);
    return !m_uploadQueue.empty();
}

size_t ZRenderBase::GetQueuedUploadCount() const
{
    ZSpinLockGuard guard(m_uploadLock);
    return m_uploadQueue.size();
}

void ZRenderBase::ForgetQueuedTexture(ZTexture* texture)
{
    ZSpinLockGuard guard(m_uploadLock);
    m_uploadQueue.erase(std::remove(m_uploadQueue.begin(), m_uploadQueue.end(), texture),
                        m_uploadQueue.end());
}

uint32_t ZRenderBase::ProcessUploadQueue(float budget)
{
    float spent = 0.0f;
    uint32_t taken = 0;
    for (;;)
    {
        const uint32_t start = GetTicks();
        ZTexture* texture = nullptr;
        m_uploadContention += m_uploadLock.Lock();
        if (!m_uploadQueue.empty())
        {
            texture = m_uploadQueue.front();
            m_uploadQueue.pop_front();
        }
        m_uploadLock.Unlock();
        if (!texture)
            break;
        if (MakeTextureResident(texture) == 0)
            AfterResident(texture);
        const uint32_t now = GetTicks();
        // Milliseconds, across a wrap of the tick counter.
        spent += float(uint32_t(now - start)) / 1000.0f;
        ++taken;
        if (spent >= budget)
            break;
    }
    return taken;
}

void ZRenderBase::AfterResident(ZTexture* texture)
{
    if (ZTextureResource* alpha = texture->GetAlphaTexture())
        texture->ApplyAlphaTexture(alpha);
}

void ZRenderBase::FlushUploadQueue()
{
    while (HasQueuedUploads())
        ProcessUploadQueue(10.0f);
}

// Atlas pages.

ZTextureAtlas* ZRenderBase::CreatePage(int width, int height, uint32_t context)
{
    ZTextureAtlas* page = new ZTextureAtlas(this, context, int(m_pages.size()));
    page->SetSize(width, height);
    m_pages.push_back(page);
    return page;
}

ZTextureAtlas* ZRenderBase::FindPage(uint32_t context) const
{
    for (ZTextureAtlas* page : m_contextPages)
    {
        if (page->GetContext() == context)
            return page;
    }
    return nullptr;
}

namespace
{
// A page side for an image side: 512 when it fits, else the next power of two (0: too large).
int PageSide(int side)
{
    if (side <= 512)
        return 512;
    return NextPowerOfTwo(uint32_t(side));
}
} // namespace

int ZRenderBase::PlaceInAtlas(ZTexture* texture)
{
    if (!texture || !texture->GetPixels() || PixelFormatBytes(texture->GetPixelFormat()) != 4)
        return 1;
    const int w = texture->GetImageWidth();
    const int h = texture->GetImageHeight();
    const int pageW = PageSide(w);
    const int pageH = PageSide(h);
    if (w <= 0 || h <= 0 || pageW == 0 || pageH == 0)
        return 1;
    const uint32_t context = texture->GetContextId();
    ZTextureAtlas* first = FindPage(context);
    if (!first)
    {
        first = CreatePage(pageW, pageH, context);
        if (first->Allocate(pageW, pageH) != 0)
            return 1;
        m_contextPages.push_back(first);
        std::sort(m_contextPages.begin(), m_contextPages.end(),
                  [](const ZTextureAtlas* a, const ZTextureAtlas* b)
                  { return a->GetContext() < b->GetContext(); });
    }
    ZTextureAtlas* last = first;
    for (ZTextureAtlas* page = first; page; page = page->GetNext())
    {
        last = page;
        if (page->Place(texture) == 0)
            return 0;
    }
    ZTextureAtlas* page = CreatePage(pageW, pageH, context);
    if (page->Allocate(pageW, pageH) != 0)
        return 1;
    last->SetNext(page);
    return page->Place(texture);
}

void ZRenderBase::QueueDirtyPage(ZTextureAtlas* page)
{
    ZSpinLockGuard guard(m_atlasLock);
    if (std::find(m_dirtyPages.begin(), m_dirtyPages.end(), page) == m_dirtyPages.end())
        m_dirtyPages.push_back(page);
}

size_t ZRenderBase::GetDirtyPageCount()
{
    ZSpinLockGuard guard(m_atlasLock);
    return m_dirtyPages.size();
}

void ZRenderBase::CommitAtlasPages()
{
    std::vector<ZTextureAtlas*> pages;
    {
        ZSpinLockGuard guard(m_atlasLock);
        pages.swap(m_dirtyPages);
    }
    for (ZTextureAtlas* page : pages)
        page->Commit();
}

void ZRenderBase::CommitPageNow(ZTextureAtlas* page)
{
    if (!page || !page->IsDirty())
        return;
    {
        ZSpinLockGuard guard(m_atlasLock);
        m_dirtyPages.erase(std::remove(m_dirtyPages.begin(), m_dirtyPages.end(), page), m_dirtyPages.end());
    }
    page->Commit();
}

void ZRenderBase::QueueContextPages(uint32_t context)
{
    for (ZTextureAtlas* page = FindPage(context); page; page = page->GetNext())
    {
        if (page->IsDirty())
            QueueDirtyPage(page);
    }
}

void ZRenderBase::OnContextChanged(uint32_t previousId, uint32_t newId)
{
    (void)newId;
    QueueContextPages(previousId);
}

// The frame driver.

namespace
{
std::vector<SDrawClass>& DrawClasses()
{
    static std::vector<SDrawClass> classes;
    return classes;
}

// The entry for the node's class: the kinds are tested in order, geometry objects first.
const SDrawClass* ClassOf(const ZNode* node)
{
    if (!node)
        return nullptr;
    const SDrawClass* found = nullptr;
    for (const SDrawClass& entry : DrawClasses())
    {
        if (node->IsA(*entry.type) && (!found || entry.kind < found->kind))
            found = &entry;
    }
    return found;
}

// The render state flag that the 2D bucket is drawn without.
constexpr uint32_t kDepthStateFlag = 1;
} // namespace

void ZRenderBase::RegisterDrawClass(const SDrawClass& entry)
{
    if (!entry.type)
        return;
    UnregisterDrawClass(entry.type);
    DrawClasses().push_back(entry);
}

void ZRenderBase::UnregisterDrawClass(const ZTypeRecord* type)
{
    auto& classes = DrawClasses();
    classes.erase(std::remove_if(classes.begin(), classes.end(),
                                 [type](const SDrawClass& entry) { return entry.type->id == type->id; }),
                  classes.end());
}

void ZRenderBase::BuildDrawList(ZCamera* camera, DrawRecord* opaque, uint32_t& opaqueCount,
                                DrawRecord* blended, uint32_t& blendedCount, DrawRecord* flat,
                                uint32_t& flatCount)
{
    opaqueCount = blendedCount = flatCount = 0;
    if (!camera)
        return;
    const SDrawEntry* entries = camera->GetEntries();
    const uint32_t count = camera->GetEntryCount();
    const auto add = [this](DrawRecord* bucket, uint32_t& n, const SDrawEntry& entry, ZSubPrimitive* part,
                            ZMaterial* material, ZShaderBase* shader)
    {
        // A full bucket takes no more: later items of this camera are not drawn this frame.
        if (n >= kBucketSize)
            return;
        DrawRecord& record = bucket[n++];
        record.part = part;
        record.node = entry.node;
        record.lights = &m_lights;
        record.shader = shader;
        record.material = material;
        record.world = entry.world;
        record.alpha = 1.0f;
    };
    for (uint32_t i = 0; i < count; ++i)
    {
        const SDrawEntry& entry = entries[i];
        ZNode* node = entry.node;
        const SDrawClass* kind = ClassOf(node);
        if (!kind)
            continue;
        const bool is2D = node->TestFlags(kNode2D);
        switch (kind->kind)
        {
        case EDrawKind::GeomObject:
        {
            const uint32_t parts = kind->partCount ? kind->partCount(node) : 0;
            for (uint32_t p = 0; p < parts && kind->getPart; ++p)
            {
                const SDrawPart part = kind->getPart(node, p);
                ZShaderBase* shader = part.material ? part.material->GetShader() : nullptr;
                if (is2D)
                {
                    add(flat, flatCount, entry, part.part, part.material, shader);
                    continue;
                }
                const ZRenderState* state = part.material ? part.material->GetRenderState() : nullptr;
                const ZTextureResource* texture = part.material ? part.material->GetTexture(0) : nullptr;
                // A part with see-through vertex colours (0x8) is blended like a translucent texture:
                // drawn front to back with depth writes it would hide what lies behind it.
                const bool opaqueItem = (!state || (state->GetId() & 0x1) == 0) &&
                                        (!texture || texture->IsOpaque()) &&
                                        (part.stateWord & ~uint16_t(kSubPrimBlended)) != 0 &&
                                        (part.stateWord & kSubPrimBlended) == 0;
                if (opaqueItem)
                    add(opaque, opaqueCount, entry, part.part, part.material, shader);
                else
                    add(blended, blendedCount, entry, part.part, part.material, shader);
            }
            break;
        }
        case EDrawKind::Sprite:
        {
            ZMaterial* material = kind->material ? kind->material(node) : nullptr;
            if (!material || material->GetOpacity() == 0.0f)
                break;
            if (is2D)
                add(flat, flatCount, entry, nullptr, material, material->GetShader());
            else
                add(blended, blendedCount, entry, nullptr, material, material->GetShader());
            break;
        }
        case EDrawKind::Text:
        case EDrawKind::Particles:
            add(flat, flatCount, entry, nullptr, nullptr, nullptr);
            break;
        }
    }
}

void ZRenderBase::DrawSpriteRecord(ZCamera* camera, const DrawRecord& record)
{
    if (record.shader)
        record.shader->Draw(camera, record);
}

void ZRenderBase::DrawBucket(ZCamera* camera, DrawRecord* records, uint32_t count, bool backwards)
{
    for (uint32_t i = 0; i < count; ++i)
    {
        const DrawRecord& record = records[backwards ? count - 1 - i : i];
        const SDrawClass* kind = ClassOf(record.node);
        if (kind && kind->kind == EDrawKind::Sprite)
        {
            DrawSpriteRecord(camera, record);
            continue;
        }
        const bool text =
            kind && kind->kind == EDrawKind::Text && record.node->GetTypeRecord()->id == kind->type->id;
        if (!text || !TextJoinsRuns())
            FlushSprites();
        if (text)
            DrawTextNode(record.node, camera, record);
        else if (kind && kind->kind == EDrawKind::Particles)
            DrawParticleSystem(record.node, camera, record);
        else if (record.shader)
            record.shader->Draw(camera, record);
    }
    FlushSprites();
}

void ZRenderBase::DrawCamera(ZCamera* camera)
{
    uint32_t opaqueCount = 0, blendedCount = 0, flatCount = 0;
    BuildDrawList(camera, m_opaque, opaqueCount, m_blended, blendedCount, m_flat, flatCount);
    DrawBucket(camera, m_opaque, opaqueCount, false);
    DrawBucket(camera, m_blended, blendedCount, true);
    if (flatCount > 0)
    {
        SetRenderStateFlag(kDepthStateFlag, false);
        DrawBucket(camera, m_flat, flatCount, true);
        SetRenderStateFlag(kDepthStateFlag, true);
    }
}

namespace
{
bool TakesPart(const ZCamera* camera)
{
    if (!camera->IsActive())
        return false;
    return !camera->GetParent() || camera->IsActiveInHierarchy();
}
} // namespace

void ZRenderBase::RenderViews()
{
    for (int i = m_firstView; i >= 0; i = m_viewEntries[i].next)
    {
        ZView* view = m_viewEntries[i].view;
        SetViewport(view);
        const uint16_t flags = view->GetFlags();
        if (flags & ZView::kViewClear)
            Clear(view, true, true, true);
        else if (flags & ZView::kViewClearDepth)
            Clear(view, i == m_firstView, true, true);
        for (ZCamera* camera : view->GetCameras())
        {
            if (!TakesPart(camera) || camera->GetRenderTarget() != -1)
                continue;
            if (camera->GetOptions() & kCameraClearDepth)
                Clear(view, false, true, true);
            SetupCamera(camera);
            if (camera->BuildDrawList() && camera->GetEntryCount() > 0)
                DrawCamera(camera);
            if (m_overlay && TestStateC(kRenderOverlayPerCamera))
                DrawOverlay(camera);
        }
    }
    ResetRenderTarget();
    if (ZSceneTree* tree = ZSceneTree::PeekInstance())
        tree->SetChanged(false, true);
}

void ZRenderBase::RenderTargetViews()
{
    bool drawn = false;
    for (int i = m_firstView; i >= 0; i = m_viewEntries[i].next)
    {
        ZView* view = m_viewEntries[i].view;
        for (ZCamera* camera : view->GetCameras())
        {
            if (!TakesPart(camera) || camera->GetRenderTarget() == -1)
                continue;
            const bool built = camera->BuildDrawList() && camera->GetEntryCount() > 0;
            SetRenderTarget(camera->GetRenderTarget());
            drawn = true;
            const bool offsets = !TestStateB(kRenderNonPowerOfTwo);
            if (offsets)
            {
                ZTexture* target = GetRenderTargetTexture(camera->GetRenderTarget());
                if (target && target->GetImageWidth() > 0 && target->GetImageHeight() > 0)
                    view->SetTextureOffsets(float(target->GetTextureWidth() - target->GetImageWidth()) *
                                                0.5f / float(target->GetImageWidth()),
                                            float(target->GetTextureHeight() - target->GetImageHeight()) *
                                                0.5f / float(target->GetImageHeight()));
            }
            SetViewport(view);
            // A render target holds only what its camera draws.
            if (view->GetFlags() & (ZView::kViewClear | ZView::kViewClearDepth))
                Clear(view, true, true, true);
            else if (camera->GetOptions() & kCameraClearDepth)
                Clear(view, false, true, true);
            if (built)
            {
                SetupCamera(camera);
                BeginRenderTargetScene();
                DrawCamera(camera);
                if (offsets)
                    view->SetTextureOffsets(0.0f, 0.0f);
                EndRenderTargetScene();
            }
        }
    }
    if (drawn)
        ResetRenderTarget();
}

_M44 ZRenderBase::GetRecordWorldMatrix(const DrawRecord& record) const
{
    _M44 matrix = record.world;
    if (record.node && record.node->TestFlags(kNode2D))
        matrix.m[3][2] = 0.0f;
    return matrix;
}

_M44 ZRenderBase::ComputeWorldMatrix(ZCamera* camera, const DrawRecord& record) const
{
    const SDrawClass* kind = ClassOf(record.node);
    ZGeom* geom = ZEntityCast<ZGeom>(static_cast<ZEntity*>(record.node));
    if (camera && geom && kind && kind->kind == EDrawKind::Sprite)
    {
        // Sprites face the camera.
        _M44 cameraWorld;
        camera->GetWorldMatrix(cameraWorld);
        _M44 facing;
        facing.SetOrientation(cameraWorld.GetRow(1), cameraWorld.GetRow(2));
        _M44 local;
        geom->GetLocalMatrix(local);
        local.m[3][0] = local.m[3][1] = local.m[3][2] = 0.0f;
        _M44::Multiply(local, facing, facing);
        V3 origin;
        geom->LocalToWorld(origin);
        facing.m[3][0] = origin.x;
        facing.m[3][1] = origin.y;
        facing.m[3][2] = origin.z;
        facing.m[3][3] = 1.0f;
        return facing;
    }
    return GetRecordWorldMatrix(record);
}

void ZRenderBase::SendWorldMatrix(ZCamera* camera, const DrawRecord& record)
{
    SetWorldMatrix(ComputeWorldMatrix(camera, record));
}

namespace
{
// The camera placed in the world: its node space with its world origin as the translation.
_M44 CameraPlacement(ZCamera* camera)
{
    _M44 matrix;
    camera->WorldToLocalMatrix(matrix);
    V3 origin;
    camera->LocalToWorld(origin);
    matrix.m[3][0] = origin.x;
    matrix.m[3][1] = origin.y;
    matrix.m[3][2] = origin.z;
    matrix.m[3][3] = 1.0f;
    return matrix;
}
} // namespace

_M44 ZRenderBase::ComputeViewMatrix(ZCamera* camera) const
{
    _M44 view;
    if (camera)
        view.SetViewFromWorld(CameraPlacement(camera));
    return view;
}

void ZRenderBase::SendViewMatrix(ZCamera* camera)
{
    if (!camera)
        return;
    const _M44 matrix = CameraPlacement(camera);
    if (matrix.Equals(m_cachedView) && camera == m_cachedCamera)
        return;
    m_cachedView = matrix;
    m_cachedCamera = camera;
    _M44 view;
    view.SetViewFromWorld(matrix);
    SetViewMatrix(view);
}

void ZRenderBase::SendProjectionMatrix(ZCamera* camera)
{
    if (!camera)
        return;
    if (camera->GetProjection().Equals(m_cachedProjection) && TestStateA(kRenderWindowed))
        return;
    m_cachedProjection = camera->GetProjection();
    SetProjectionMatrix(m_cachedProjection);
}

void ZRenderBase::UpdateViews()
{
    // Nothing is done per camera here; the walk stays for back ends that extend it.
    for (int i = m_firstView; i >= 0; i = m_viewEntries[i].next)
    {
        for (ZCamera* camera : m_viewEntries[i].view->GetCameras())
            (void)camera;
    }
}
