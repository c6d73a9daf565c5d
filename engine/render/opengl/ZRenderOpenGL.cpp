#include "engine/render/opengl/ZRenderOpenGL.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/core/ZAllocBase.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZLight.h"
#include "engine/render/ZRenderDebug.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"
#include "engine/render/ZView.h"
#include "engine/render/opengl/ZRenderOpenGLBatch.h"
#include "engine/render/opengl/ZRenderOpenGLDebug.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZPrimitive.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"

const char* const ZRenderOpenGL::kRequiredExtensions[5] = {"GL_ARB_multitexture", "GL_ARB_texture_env_add",
                                                           "GL_ARB_texture_env_combine", "GL_EXT_bgra",
                                                           "GL_ARB_vertex_buffer_object"};

// ---------------------------------------------------------------------------------------------
// Render state

namespace
{
void SetCap(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

// Texture environment of the active unit: `rgb` and `alpha` combine operations on the texture and
// a second source.
void Combine(GLenum rgb, GLenum rgbSource, GLenum alphaSource)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GLint(rgb));
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GLint(rgbSource));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA_ARB, GLint(alphaSource));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA_ARB, GL_SRC_ALPHA);
}
} // namespace

void ZRenderOpenGLState::Reset()
{
    ZRenderOpenGL* owner = ZRenderOpenGL::GetActive();
    // The flags that describe the defaults below (lighting and depth test off), so that the first
    // state applied after a reset writes what differs from them.
    m_words[0] = kStateUnlit | kStateNoDepthTest;
    m_words[1] = 0;
    SetId(kNoStateId);
    glPolygonMode(GL_FRONT, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_STENCIL_TEST);
    glStencilFunc(GL_LEQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_ALPHA_TEST);
    if (owner)
    {
        owner->ActiveTexture(1);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        owner->BindTexture(1, -1);
        owner->BindTexture(0, -1);
        owner->ActiveTexture(0);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void ZRenderOpenGLState::SetFogEnabled(bool on)
{
    if (!on)
    {
        if (!IsFogOff())
        {
            glDisable(GL_FOG);
            m_words[1] |= 1u;
        }
    }
    else if (IsFogOff())
    {
        glEnable(GL_FOG);
        m_words[1] &= ~1u;
    }
}

ZRenderState* ZRenderOpenGLState::Apply(ZRenderState* previous)
{
    // The running renderer, not the one that made this object: pool materials outlive renderers.
    ZRenderOpenGL* owner = ZRenderOpenGL::GetActive();
    auto* before = dynamic_cast<ZRenderOpenGLState*>(previous);
    const uint32_t flags = m_words[0];
    const uint32_t old = before ? before->m_words[0] : 0;
    const auto has = [flags](uint32_t bit) { return (flags & bit) != 0; };
    // With no previous state everything is written.
    const auto changed = [&](uint32_t bits) { return !before || ((flags ^ old) & bits) != 0; };

    // The multiply flag has no blend of its own here.
    if (changed(kStateAdditive | kStateColorBlend | kStateNoColor))
    {
        if (has(kStateAdditive))
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        else if (has(kStateColorBlend))
            glBlendFunc(GL_SRC_COLOR, GL_DST_COLOR);
        else if (has(kStateNoColor))
            glBlendFunc(GL_ZERO, GL_ONE);
        else
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (changed(kStateNoBlend))
        SetCap(GL_BLEND, !has(kStateNoBlend));
    if (changed(kStateNoCull))
        SetCap(GL_CULL_FACE, !has(kStateNoCull));
    if (changed(kStateUnlit))
        SetCap(GL_LIGHTING, !has(kStateUnlit));
    // Stencil writing only where texels are not fully transparent: the alpha test goes on with it.
    if (changed(kStateAlphaTest | kStateStencilWrite))
    {
        SetCap(GL_ALPHA_TEST, has(kStateAlphaTest) || has(kStateStencilWrite));
        glAlphaFunc(GL_GREATER, 0.0f);
    }
    if (owner && changed(kStateStage0Textured | kStateStage1Textured))
    {
        owner->ActiveTexture(1);
        SetCap(GL_TEXTURE_2D, has(kStateStage1Textured));
        owner->ActiveTexture(0);
        SetCap(GL_TEXTURE_2D, has(kStateStage0Textured));
    }
    if (changed(kStateMaterialSource))
        SetCap(GL_COLOR_MATERIAL, has(kStateMaterialSource));
    if (changed(kStateTexTransform) && !has(kStateTexTransform))
    {
        if (owner)
            owner->ActiveTexture(0);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
    if (changed(kStateModulateFactor | kStateAddFactor | kStateModulateVertex))
    {
        if (owner)
            owner->ActiveTexture(0);
        if (has(kStateModulateFactor))
            Combine(GL_MODULATE, GL_CONSTANT_ARB, GL_CONSTANT_ARB);
        else if (has(kStateAddFactor))
        {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
            Combine(GL_ADD, GL_CONSTANT_ARB, GL_CONSTANT_ARB);
        }
        else if (has(kStateModulateVertex))
            Combine(GL_MODULATE, GL_PRIMARY_COLOR_ARB, GL_PRIMARY_COLOR_ARB);
        else
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    if (owner && changed(kStateStage1BlendAlpha | kStateStage1Modulate | kStateStage1Add))
    {
        owner->ActiveTexture(1);
        if (has(kStateStage1BlendAlpha))
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        else if (!has(kStateStage1Modulate) && !has(kStateStage1Add))
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    if (changed(kStateNoFog))
    {
        // Clearing the flag brings fog back unless the camera switched it off.
        if (has(kStateNoFog))
            glDisable(GL_FOG);
        else if (before && !before->IsFogOff())
            glEnable(GL_FOG);
    }
    // While the frame driver holds the depth test off (the 2D bucket), no material turns it on.
    if (changed(kStateNoDepthTest))
        SetCap(GL_DEPTH_TEST, !has(kStateNoDepthTest) && (!owner || owner->IsDepthTestAllowed()));
    if (changed(kStateNoDepthWrite))
        glDepthMask(has(kStateNoDepthWrite) ? GL_FALSE : GL_TRUE);
    if (changed(kStateStencilTest))
        SetCap(GL_STENCIL_TEST, has(kStateStencilTest));
    if (changed(kStateStencilWrite | kStateStencilClear))
    {
        if (has(kStateStencilWrite))
        {
            glStencilFunc(GL_ALWAYS, 1, 1);
            glStencilOp(GL_ZERO, GL_KEEP, GL_REPLACE);
        }
        else if (has(kStateStencilClear))
        {
            glStencilFunc(GL_ALWAYS, 1, 1);
            glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
        }
        else
        {
            glStencilFunc(GL_LEQUAL, 1, 1);
            glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        }
    }
    // Texture calls that follow address unit 0.
    if (owner)
        owner->ActiveTexture(0);
    return this;
}

void ZRenderOpenGLState::AfterApply(ZRenderState* previous)
{
    // The renderer's own state object stands for what the device holds now.
    if (auto* current = dynamic_cast<ZRenderOpenGLState*>(previous); current && current != this)
        current->m_words[0] = m_words[0];
}

// ---------------------------------------------------------------------------------------------
// Shader codes

namespace
{
bool HasStageMatrix(const ZMaterial* material)
{
    return material->GetSwitch(ZMaterial::kSwitchTextureTransform) && material->IsTextureMatrixSet(0) &&
           !material->GetTextureMatrix(0).IsIdentity();
}

void LoadMatrix(const _M44& matrix)
{
    glLoadMatrixf(&matrix.m[0][0]);
}
} // namespace

ZRenderOpenGLShaderCode::ZRenderOpenGLShaderCode(const char* name) : ZShaderCodeBase(name)
{
    m_flags = kWantsWorld | kWantsView;
}

uint32_t ZRenderOpenGLShaderCode::MaterialFlags(const ZMaterial* material, uint32_t current)
{
    if (!material)
        return current;
    uint32_t flags = material->GetStateFlags(current);
    if (material->GetTexture(0) && HasStageMatrix(material))
        flags |= kStateTexTransform;
    else
        flags &= ~kStateTexTransform;
    return flags;
}

void ZRenderOpenGLShaderCode::UpdateState(ZMaterial* material)
{
    auto* state = material ? dynamic_cast<ZRenderOpenGLState*>(material->GetRenderState()) : nullptr;
    if (!state)
        return;
    const uint32_t flags = StateFlags(material, state->GetFlags());
    state->SetFlags(flags);
    state->SetId(flags | ZRenderOpenGLState::kMaterialIdBit);
}

void ZRenderOpenGLShaderCode::MaterialChanged(ZMaterial* material)
{
    UpdateState(material);
}

void ZRenderOpenGLShaderCode::SetMaterial(ZMaterial* material)
{
    m_material = material;
    // A material set up before this code existed has never been mapped.
    if (material && material->GetRenderState() &&
        !(material->GetRenderState()->GetId() & ZRenderOpenGLState::kMaterialIdBit))
        UpdateState(material);
}

void ZRenderOpenGLShaderCode::BindTextures(ZMaterial* material, const DrawRecord& record)
{
    (void)record;
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    if (!render || !material)
        return;
    auto* texture = ZEntityCast<ZTexture>(static_cast<ZEntity*>(material->GetTexture(0)));
    if (!texture)
        return;
    render->ActiveTexture(0);
    // A texture decoded since the last frame is made resident on first use.
    if (texture->GetRenderTextureId() < 0 && texture->GetPixels())
        render->MakeTextureResident(texture);
    const uint32_t name = render->GetGLTexture(texture->GetRenderTextureId());
    if (name)
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
        const uint32_t flags = material->GetRenderState() ? material->GetRenderState()->m_words[0] : 0;
        ZRenderOpenGL::SetTextureFilter((flags & kStateLinearFilter) != 0);
    }
    else
        glDisable(GL_TEXTURE_2D);
    if (HasStageMatrix(material))
        ZRenderOpenGL::LoadTextureMatrix(material->GetTextureMatrix(0));
}

_M44 ZRenderOpenGLShaderCode::WorldMatrix(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    return render ? render->ComputeWorldMatrix(camera, record) : record.world;
}

void ZRenderOpenGLShaderCode::SetTransforms(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    if (!render || !camera)
        return;
    // Every item starts from the identity: the view, then the item's world matrix.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    render->SetViewMatrix(render->ComputeViewMatrix(camera));
    render->SetWorldMatrix(WorldMatrix(camera, record));
    render->SetProjectionMatrix(camera->GetProjection());
}

int ZRenderOpenGLShaderCode::Draw(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    if (!render)
        return 0;
    BindTextures(m_material, record);
    SetLights(camera, record);
    if (record.part)
    {
        const int32_t buffer = record.part->GetVertexBufferId();
        if (buffer >= 0)
            render->DrawVertexBuffer(buffer, int(record.part->GetKind()));
    }
    else if (record.node && record.node->IsA<ZSprite>())
    {
        if (m_material && m_material->IsColorSet(0))
        {
            const V4& color = m_material->GetColor(0);
            glColor4f(color.x, color.y, color.z, color.w * record.alpha);
        }
        render->DrawQuadBuffer(record.quad);
    }
    return 0;
}

void ZRenderOpenGLShaderFFP::SetLights(ZCamera* camera, const DrawRecord& record)
{
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    if (!render || !camera || !record.lights)
        return;
    const _M44 view = render->ComputeViewMatrix(camera);
    const size_t count = std::min<size_t>(record.lights->Size(), 8);
    for (size_t n = 0; n < count; ++n)
    {
        const ZLight* light = (*record.lights)[n];
        if (!light)
            continue;
        const GLenum id = GLenum(GL_LIGHT0 + n);
        // Positions are given in world space: the model-view matrix holds only the view meanwhile.
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        LoadMatrix(view);
        glEnable(id);
        _M44 world;
        light->GetWorldMatrix(world);
        const bool direction = light->GetType() == ZLight::kDirection;
        const float position[4] = {world.m[3][0], world.m[3][1], world.m[3][2], direction ? 0.0f : 1.0f};
        glLightfv(id, GL_POSITION, position);
        if (light->GetType() == ZLight::kSpot)
        {
            V3 axis{0.0f, 1.0f, 0.0f};
            light->LocalToWorldDirection(axis);
            const float spot[4] = {axis.x, axis.y, axis.z, 0.0f};
            glLightfv(id, GL_SPOT_DIRECTION, spot);
            const float cutoff = light->GetFalloffAngle() * 180.0f / 3.14159265f;
            // GL takes cones up to 90 degrees; wider ones light the whole sphere.
            glLightf(id, GL_SPOT_CUTOFF, cutoff >= 0.0f && cutoff <= 90.0f ? cutoff : 180.0f);
        }
        else
            glLightf(id, GL_SPOT_CUTOFF, 180.0f);
        const V4& c = light->GetColor();
        const float color[4] = {c.x, c.y, c.z, c.w};
        glLightfv(id, GL_AMBIENT, color);
        glLightfv(id, GL_DIFFUSE, color);
        glLightfv(id, GL_SPECULAR, color);
        glLightf(id, GL_CONSTANT_ATTENUATION, light->GetAttenuation(0));
        glLightf(id, GL_LINEAR_ATTENUATION, light->GetAttenuation(1));
        glLightf(id, GL_QUADRATIC_ATTENUATION, light->GetAttenuation(2));
        glPopMatrix();
    }
}

uint32_t ZRenderOpenGLShaderFFPSprite::StateFlags(const ZMaterial* material, uint32_t current) const
{
    // The quad's colour is the material colour given as the current colour (what an untextured
    // sprite shows) and the texture environment's constant: lighting would replace the first with
    // the lit material, near black without lights, and opaque. This code sets up no lights, so a
    // sprite is never lit, whatever lights earlier geometry left switched on.
    return MaterialFlags(material, current) | kStateUnlit;
}

void ZRenderOpenGLShaderFFPSprite::BindTextures(ZMaterial* material, const DrawRecord& record)
{
    ZRenderOpenGLShaderCode::BindTextures(material, record);
    if (!material || !material->IsColorSet(0))
        return;
    // The record's opacity fades the material colour, as the texture factor does elsewhere.
    const V4& c = material->GetColor(0);
    const float color[4] = {c.x, c.y, c.z, c.w * record.alpha};
    if (ZRenderOpenGL* render = ZRenderOpenGL::GetActive())
        render->ActiveTexture(0);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, color);
    glColor4f(color[0], color[1], color[2], color[3]);
}

_M44 ZRenderOpenGLShaderFFPSprite::WorldMatrix(ZCamera* camera, const DrawRecord& record)
{
    _M44 world = ZRenderOpenGLShaderCode::WorldMatrix(camera, record);
    const ZSprite* sprite = ZEntityCast<ZSprite>(static_cast<ZEntity*>(record.node));
    if (!sprite)
        return world;
    // The rectangle sits where the pivot puts it, as picking and culling see it.
    V2 offset{0.0f, 0.0f};
    sprite->GetBounds(offset);
    for (int column = 0; column < 3; ++column)
        world.m[3][column] += offset.x * world.m[0][column] + offset.y * world.m[1][column];
    SpritePlacement placement;
    placement.width = sprite->GetSize().x;
    placement.height = sprite->GetSize().y;
    placement.defaultQuad = record.quad < 0;
    placement.scaleX = sprite->GetScale().x;
    placement.scaleY = sprite->GetScale().y;
    placement.flatZ = sprite->TestFlags(kNode2D) && camera && (camera->GetOptions() & kCameraOrthographic);
    placement.snap = sprite->TestFlags(kNodeSnapToPixels);
    placement.texelOffset = 0.0f;
    return SpriteWorldMatrix(world, placement);
}

int ZRenderOpenGLShaderFFPSprite::Draw(ZCamera* camera, const DrawRecord& record)
{
    (void)camera;
    ZRenderOpenGL* render = ZRenderOpenGL::GetActive();
    if (!render)
        return 0;
    BindTextures(m_material, record);
    render->DrawQuadBuffer(record.quad);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Back end

ZRenderOpenGL* ZRenderOpenGL::s_active = nullptr;

ZRenderOpenGL::ZRenderOpenGL()
    : m_textures(size_t(decltype(m_textureIds)::Size())),
      m_vertexBuffers(size_t(decltype(m_vertexBufferIds)::Size())),
      m_quads(size_t(decltype(m_quadIds)::Size()))
{
    m_driverDescription = "OpenGL";
}

ZRenderOpenGL::~ZRenderOpenGL()
{
    // The auxiliary drawers give their glyph quads and textures back while the context lives.
    DeleteAuxiliary();
    if (s_active == this)
        s_active = nullptr;
    // The base's destructor may still hand textures back: they must not reach a dead context.
    ReleaseDevice(false);
}

void ZRenderOpenGL::KeepDeviceContents()
{
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (TextureSlot& slot : m_textures)
    {
        if (!slot.name || slot.width <= 0 || slot.height <= 0)
            continue;
        slot.kept.assign(size_t(slot.width) * size_t(slot.height) * 4u, 0);
        glBindTexture(GL_TEXTURE_2D, slot.name);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, slot.kept.data());
    }
}

void ZRenderOpenGL::RestoreDeviceContents()
{
    for (size_t id = 0; id < m_textures.size(); ++id)
    {
        TextureSlot& slot = m_textures[id];
        if (slot.kept.empty())
            continue;
        std::vector<uint8_t> pixels;
        pixels.swap(slot.kept);
        MakeGLTexture(int(id), slot.width, slot.height, pixels.data(), GL_RGBA);
    }
    for (QuadSlot& quad : m_quads)
    {
        if (quad.name || quad.vertices.empty())
            continue;
        m_genBuffers(1, &quad.name);
        m_bindBuffer(GL_ARRAY_BUFFER_ARB, quad.name);
        m_bufferData(GL_ARRAY_BUFFER_ARB, std::ptrdiff_t(quad.vertices.size()), quad.vertices.data(),
                     GL_STATIC_DRAW_ARB);
        m_bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    }
}

void ZRenderOpenGL::ReleaseDevice(bool keepContents)
{
    if (!m_context.IsCreated())
        return;
    m_context.MakeCurrent();
    // A window-mode switch keeps every id: textures and quads come back on the next device.
    if (keepContents)
        KeepDeviceContents();
    for (TextureSlot& slot : m_textures)
        if (slot.name)
        {
            glDeleteTextures(1, &slot.name);
            slot.name = 0;
            if (!keepContents)
                slot = TextureSlot{};
        }
    for (QuadSlot& quad : m_quads)
    {
        if (quad.name && m_deleteBuffers)
            m_deleteBuffers(1, &quad.name);
        quad.name = 0;
        if (!keepContents)
            quad.vertices.clear();
    }
    if (!keepContents)
    {
        m_textureIds.Reset();
        m_quadIds.Reset();
        m_defaultQuad = -1;
    }
    m_lockedTexture = -1;
    m_lockBuffer.clear();
    m_context.Destroy();
    if (m_cursorHidden)
    {
        plat::ShowCursor(true);
        m_cursorHidden = false;
    }
}

bool ZRenderOpenGL::HasExtension(const char* extensions, const char* name)
{
    if (!extensions || !name || !*name || std::strchr(name, ' '))
        return false;
    const size_t length = std::strlen(name);
    for (const char* at = extensions; (at = std::strstr(at, name)) != nullptr; at += length)
    {
        const bool startOk = at == extensions || at[-1] == ' ';
        const bool endOk = at[length] == ' ' || at[length] == '\0';
        if (startOk && endOk)
            return true;
    }
    return false;
}

int ZRenderOpenGL::CreateContext()
{
    if (!m_window || m_context.Create(*m_window) != 0)
        return 1;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    for (const char* name : kRequiredExtensions)
        if (!HasExtension(extensions, name) || m_hiddenExtension == name)
            return 1;
    auto load = [&](auto& entry, const char* name)
    {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(m_context.GetProcAddress(name));
        return entry != nullptr;
    };
    if (!load(m_activeTexture, "glActiveTextureARB") ||
        !load(m_clientActiveTexture, "glClientActiveTextureARB") ||
        !load(m_multiTexCoord2f, "glMultiTexCoord2fARB") || !load(m_bindBuffer, "glBindBufferARB") ||
        !load(m_genBuffers, "glGenBuffersARB") || !load(m_bufferData, "glBufferDataARB") ||
        !load(m_deleteBuffers, "glDeleteBuffersARB"))
        return 1;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    m_driverDescription =
        std::string("OpenGL ") + (version ? version : "") + " " + (renderer ? renderer : "");
    // Mesa and every 2.0 driver take textures of any size: loaders then keep image sizes.
    uint16_t b = GetStateB() & uint16_t(~kRenderNonPowerOfTwo);
    if (HasExtension(extensions, "GL_ARB_texture_non_power_of_two") || (version && version[0] >= '2'))
        b |= kRenderNonPowerOfTwo;
    SetStateB(b);
    return 0;
}

int ZRenderOpenGL::Init(int width, int height, bool windowed, ZPlatformWindow* window)
{
    // A second Init (window mode switched) starts on a fresh context, with the old one's contents.
    ReleaseDevice(true);
    if (ZRenderBase::Init(width, height, windowed, window) != 0)
        return 1;
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
        library->SetCodeExtension(".gls");
    m_window = window;
    if (CreateContext() != 0)
    {
        m_context.Destroy();
        return 1;
    }
    RestoreDeviceContents();
    s_active = this;
    if (!m_cursorHidden)
    {
        plat::ShowCursor(false);
        m_cursorHidden = true;
    }
    ResetDeviceState(false);
    m_defaultQuad = CreateQuad(100.0f, 100.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    glClearStencil(0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // Shader definitions need the device: definitions naming back-end code are resolved now, once.
    AddShaderCodes();
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance(); library && library->GetShaders().empty())
        library->LoadAllDefinitions();
    InitAuxiliary();
    return 0;
}

void ZRenderOpenGL::AddShaderCodes()
{
    ZShaderLibrary* library = ZShaderLibrary::GetInstance();
    if (!library)
        return;
    // The library owns the built-in codes and keeps them across reloads and device changes.
    for (const char* name : {"standard_ffp", "sprite_ffp"})
        if (!library->FindShaderCode(name))
            library->AddShaderCode(CreateShaderCode(name));
}

ZShaderCodeBase* ZRenderOpenGL::CreateShaderCode(const char* name)
{
    if (!name)
        return nullptr;
    if (std::strcmp(name, "standard_ffp") == 0)
        return new ZRenderOpenGLShaderFFP();
    if (std::strcmp(name, "sprite_ffp") == 0)
        return new ZRenderOpenGLShaderFFPSprite();
    // Code files are not compiled by this back end.
    return nullptr;
}

int ZRenderOpenGL::RenderFrame()
{
    if (!m_context.IsCreated())
        return 1;
    m_frameShown = false;
    ZRenderBase::RenderFrame();
    // What the loader decoded goes to the device before it is drawn.
    FlushUploadQueue();
    RenderViews();
    DrawDebugText();
    m_context.SwapBuffers();
    m_frameShown = true;
    ++m_frameCount;
    return 0;
}

int ZRenderOpenGL::ResetDeviceState(bool restoreContents)
{
    if (!m_context.IsCreated())
        return 0;
    return ZRenderBase::ResetDeviceState(restoreContents);
}

ZRenderState* ZRenderOpenGL::CreateRenderState()
{
    return new ZRenderOpenGLState();
}

uint32_t ZRenderOpenGL::GetGLTexture(int id) const
{
    if (id < 0 || size_t(id) >= m_textures.size())
        return 0;
    return m_textures[size_t(id)].name;
}

int ZRenderOpenGL::MakeGLTexture(int id, int width, int height, const uint8_t* pixels, uint32_t layout)
{
    TextureSlot& slot = m_textures[size_t(id)];
    glGenTextures(1, &slot.name);
    glBindTexture(GL_TEXTURE_2D, slot.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GLenum(layout), GL_UNSIGNED_BYTE, pixels);
    slot.width = width;
    slot.height = height;
    return id;
}

int ZRenderOpenGL::CreateTexture(int width, int height, const uint8_t* pixels, int format, bool renderTarget)
{
    (void)renderTarget;
    if (!m_context.IsCreated() || width <= 0 || height <= 0)
        return -1;
    const int32_t id = AllocTextureId();
    if (id < 0)
        return -1;
    // R, G, B, A bytes; B, G, R, A ones go up as they are.
    MakeGLTexture(id, width, height, pixels, format == kPixelBGRA ? GL_BGRA_EXT : GL_RGBA);
    m_textureMemory += uint32_t(width) * uint32_t(height) * 4u;
    if (m_textureMemory > m_textureMemoryPeak)
        m_textureMemoryPeak = m_textureMemory;
    return id;
}

int ZRenderOpenGL::MakeTextureResident(ZTexture* texture)
{
    if (!texture || !m_context.IsCreated())
        return 1;
    if (texture->GetRenderTextureId() >= 0 && GetGLTexture(texture->GetRenderTextureId()))
        return 0;
    const int32_t format = texture->GetPixelFormat();
    if (format != kPixelRGBA && format != kPixelBGRA && texture->ConvertPixelFormat(kPixelRGBA) != 0)
        return 1;
    const uint8_t* pixels = texture->GetPixels();
    // Textures of any size are taken: the image goes up at its own size, never padded.
    const int width = texture->GetImageWidth() > 0 ? texture->GetImageWidth() : texture->GetTextureWidth();
    const int height =
        texture->GetImageHeight() > 0 ? texture->GetImageHeight() : texture->GetTextureHeight();
    if (!pixels || width <= 0 || height <= 0)
        return 1;
    const int id = CreateTexture(width, height, pixels, texture->GetPixelFormat(), false);
    if (id < 0)
        return 1;
    texture->SetRenderTextureId(id);
    texture->AddTextureFlags(kTextureResident);
    AfterResident(texture);
    texture->AfterUpload();
    return 0;
}

int ZRenderOpenGL::GetTextureSize(int id) const
{
    if (id < 0 || size_t(id) >= m_textures.size() || !m_textures[size_t(id)].name)
        return 0;
    return m_textures[size_t(id)].width * m_textures[size_t(id)].height * 4;
}

void ZRenderOpenGL::DeleteTexture(int id)
{
    if (id < 0 || size_t(id) >= m_textures.size())
        return;
    TextureSlot& slot = m_textures[size_t(id)];
    if (slot.name && m_context.IsCreated())
    {
        glDeleteTextures(1, &slot.name);
        m_textureMemory -= std::min(m_textureMemory, uint32_t(slot.width) * uint32_t(slot.height) * 4u);
    }
    if (m_lockedTexture == id)
    {
        m_lockedTexture = -1;
        m_lockBuffer.clear();
    }
    slot = TextureSlot{};
    FreeTextureId(id);
}

int ZRenderOpenGL::ReconvertTexture(ZTextureResource* texture)
{
    // Decoding may run on the loader thread, where no GL call may be made: the device texture is
    // made on the main thread, when the upload queue is taken or the texture is first drawn.
    if (!texture)
        return 1;
    return texture->Decode(kPixelRGBA);
}

int ZRenderOpenGL::LockTexture(int id, int& pitch, uint8_t*& bits)
{
    if (id < 0 || m_lockedTexture >= 0 || !GetGLTexture(id))
        return 1;
    glGetError();
    glBindTexture(GL_TEXTURE_2D, GetGLTexture(id));
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    m_lockBuffer.assign(size_t(w) * size_t(h) * 4u, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, m_lockBuffer.data());
    m_lockedTexture = id;
    m_lockWidth = w;
    m_lockHeight = h;
    if (glGetError() != GL_NO_ERROR)
        return 1;
    bits = m_lockBuffer.data();
    pitch = w * 4;
    return 0;
}

int ZRenderOpenGL::UnlockTexture(int id)
{
    if (id < 0 || m_lockedTexture < 0 || id != m_lockedTexture)
        return 1;
    TextureSlot& slot = m_textures[size_t(id)];
    glGetError();
    glDeleteTextures(1, &slot.name);
    glGenTextures(1, &slot.name);
    glBindTexture(GL_TEXTURE_2D, slot.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, m_lockWidth, m_lockHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 m_lockBuffer.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (glGetError() != GL_NO_ERROR)
        return 1;
    m_lockBuffer.clear();
    m_lockedTexture = -1;
    return 0;
}

int ZRenderOpenGL::CreateVertexBuffer(const void* vertices, uint32_t count, bool dynamic)
{
    (void)dynamic;
    const int32_t id = AllocVertexBufferId();
    if (id < 0)
        return -1;
    VertexBuffer& buffer = m_vertexBuffers[size_t(id)];
    buffer.bytes.assign(size_t(count) * kVertexSize, 0);
    if (vertices && count)
        std::memcpy(buffer.bytes.data(), vertices, buffer.bytes.size());
    buffer.count = count;
    buffer.used = true;
    return id;
}

void* ZRenderOpenGL::LockVertexBuffer(int id)
{
    if (id < 0 || size_t(id) >= m_vertexBuffers.size() || !m_vertexBuffers[size_t(id)].used)
        return nullptr;
    return m_vertexBuffers[size_t(id)].bytes.data();
}

void ZRenderOpenGL::DeleteVertexBuffer(int id)
{
    if (id < 0 || size_t(id) >= m_vertexBuffers.size() || !m_vertexBuffers[size_t(id)].used)
        return;
    m_vertexBuffers[size_t(id)] = VertexBuffer{};
    FreeVertexBufferId(id);
}

static void PutVertex(uint8_t* at, float x, float y, float u, float v)
{
    const float values[6] = {x, y, 0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(at, values, sizeof values);
    const uint8_t white[4] = {255, 255, 255, 255};
    std::memcpy(at + 24, white, 4);
    std::memcpy(at + 28, &u, 4);
    std::memcpy(at + 32, &v, 4);
}

int ZRenderOpenGL::CreateQuad(float width, float height, float u0, float v0, float u1, float v1)
{
    if (!m_context.IsCreated())
        return -1;
    const int32_t id = AllocQuadId();
    if (id < 0)
        return -1;
    uint8_t bytes[4 * kVertexSize];
    const float w = width * 0.5f, h = height * 0.5f;
    // A triangle strip; v grows downwards on screen while y grows upwards.
    PutVertex(bytes + 0 * kVertexSize, -w, -h, u0, v1);
    PutVertex(bytes + 1 * kVertexSize, -w, h, u0, v0);
    PutVertex(bytes + 2 * kVertexSize, w, -h, u1, v1);
    PutVertex(bytes + 3 * kVertexSize, w, h, u1, v0);
    QuadSlot& quad = m_quads[size_t(id)];
    quad.vertices.assign(bytes, bytes + sizeof bytes);
    m_genBuffers(1, &quad.name);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, quad.name);
    m_bufferData(GL_ARRAY_BUFFER_ARB, sizeof bytes, bytes, GL_STATIC_DRAW_ARB);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    return id;
}

bool ZRenderOpenGL::GetQuadCorners(int quadId, float& width, float& height, float uv[4]) const
{
    const int id = quadId >= 0 ? quadId : m_defaultQuad;
    if (id < 0 || size_t(id) >= m_quads.size() || m_quads[size_t(id)].vertices.size() < 4 * kVertexSize)
        return false;
    // Corner 1 is (-w, h) with (u0, v0), corner 2 (w, -h) with (u1, v1): see CreateQuad.
    const uint8_t* bytes = m_quads[size_t(id)].vertices.data();
    float x = 0.0f, y = 0.0f;
    std::memcpy(&x, bytes + 2 * kVertexSize, 4);
    std::memcpy(&y, bytes + 1 * kVertexSize + 4, 4);
    width = x * 2.0f;
    height = y * 2.0f;
    std::memcpy(&uv[0], bytes + 1 * kVertexSize + 28, 4);
    std::memcpy(&uv[1], bytes + 1 * kVertexSize + 32, 4);
    std::memcpy(&uv[2], bytes + 2 * kVertexSize + 28, 4);
    std::memcpy(&uv[3], bytes + 2 * kVertexSize + 32, 4);
    return true;
}

void ZRenderOpenGL::DrawSpriteRecord(ZCamera* camera, const DrawRecord& record)
{
    if (m_spriteBatching && m_batch && m_batch->AddSprite(camera, record))
        return;
    if (m_batch)
        m_batch->Flush();
    ZRenderBase::DrawSpriteRecord(camera, record);
}

void ZRenderOpenGL::FlushSprites()
{
    if (m_batch)
        m_batch->Flush();
}

void ZRenderOpenGL::DeleteQuad(int id)
{
    if (id < 0 || size_t(id) >= m_quads.size() || m_quads[size_t(id)].vertices.empty())
        return;
    QuadSlot& quad = m_quads[size_t(id)];
    if (m_context.IsCreated() && quad.name)
        m_deleteBuffers(1, &quad.name);
    quad = QuadSlot{};
    FreeQuadId(id);
    if (id == m_defaultQuad)
        m_defaultQuad = -1;
}

void ZRenderOpenGL::ReleaseDefaultQuad()
{
    DeleteQuad(m_defaultQuad);
}

void ZRenderOpenGL::ActiveTexture(int unit)
{
    if (m_activeTexture && m_context.IsCreated())
        m_activeTexture(GLenum(GL_TEXTURE0_ARB + unit));
}

void ZRenderOpenGL::SetTextureFilter(bool linear)
{
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void ZRenderOpenGL::BindTexture(int unit, int textureId)
{
    if (!m_context.IsCreated() || !m_activeTexture)
        return;
    m_activeTexture(GLenum(GL_TEXTURE0_ARB + unit));
    const uint32_t name = GetGLTexture(textureId);
    if (name)
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    else
        glDisable(GL_TEXTURE_2D);
    m_activeTexture(GL_TEXTURE0_ARB);
}

void ZRenderOpenGL::ToGLTextureMatrix(const _M44& matrix, float out[16])
{
    // The engine's 2D texture matrices keep their translation in the third row, while GL texture
    // coordinates carry r = 0: move it to the fourth row or it is lost.
    _M44 m = matrix;
    m.m[3][0] += m.m[2][0];
    m.m[3][1] += m.m[2][1];
    m.m[2][0] = 0.0f;
    m.m[2][1] = 0.0f;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[r * 4 + c] = m.m[r][c];
}

void ZRenderOpenGL::LoadTextureMatrix(const _M44& matrix)
{
    float values[16];
    ToGLTextureMatrix(matrix, values);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(values);
    glMatrixMode(GL_MODELVIEW);
}

void ZRenderOpenGL::DrawQuad(int quadId, int textureId, const float color[4], float alpha)
{
    if (!m_context.IsCreated())
        return;
    BindTexture(0, textureId);
    // The colour tints the texture: its alpha carries the record's opacity too.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(color[0], color[1], color[2], color[3] * alpha);
    DrawQuadBuffer(quadId);
}

void ZRenderOpenGL::DrawQuadBuffer(int quadId)
{
    const int id = quadId >= 0 ? quadId : m_defaultQuad;
    if (!m_context.IsCreated() || id < 0 || size_t(id) >= m_quads.size() || !m_quads[size_t(id)].name)
        return;
    glMatrixMode(GL_MODELVIEW);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, m_quads[size_t(id)].name);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kVertexSize, reinterpret_cast<const void*>(0));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, kVertexSize, reinterpret_cast<const void*>(12));
    for (unsigned unit = 0; unit < 2; ++unit)
    {
        m_clientActiveTexture(GL_TEXTURE0_ARB + unit);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, kVertexSize, reinterpret_cast<const void*>(28));
    }
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    CountDrawCall();
    for (unsigned unit = 0; unit < 2; ++unit)
    {
        m_clientActiveTexture(GL_TEXTURE0_ARB + unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    m_clientActiveTexture(GL_TEXTURE0_ARB);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
}

void ZRenderOpenGL::DrawVertexBuffer(int id, int kind)
{
    if (!m_context.IsCreated() || id < 0 || size_t(id) >= m_vertexBuffers.size())
        return;
    const VertexBuffer& buffer = m_vertexBuffers[size_t(id)];
    if (!buffer.used || buffer.count == 0)
        return;
    GLenum mode = 0;
    switch (kind)
    {
    case kLines:
        mode = GL_LINES;
        glLineWidth(2.0f);
        break;
    case kTriangles:
        mode = GL_TRIANGLES;
        break;
    case kTriangleStrip:
        mode = GL_TRIANGLE_STRIP;
        break;
    case kTriangleFan:
        mode = GL_TRIANGLE_FAN;
        break;
    default:
        return;
    }
    glBegin(mode);
    for (uint32_t i = 0; i < buffer.count; ++i)
    {
        const uint8_t* v = buffer.bytes.data() + size_t(i) * kVertexSize;
        float f[8];
        std::memcpy(f, v, 24);
        std::memcpy(f + 6, v + 28, 8);
        uint32_t argb = 0;
        std::memcpy(&argb, v + 24, 4);
        const float a = float((argb >> 24) & 0xFF) / 255.0f, r = float((argb >> 16) & 0xFF) / 255.0f,
                    g = float((argb >> 8) & 0xFF) / 255.0f, b = float(argb & 0xFF) / 255.0f;
        if (kind == kLines)
            glColor3f(r, g, b);
        else
            glColor4f(r, g, b, a);
        glNormal3f(f[3], f[4], f[5]);
        glTexCoord2f(f[6], f[7]);
        glVertex3f(f[0], f[1], f[2]);
    }
    glEnd();
    CountDrawCall();
}

void ZRenderOpenGL::SetWorldMatrix(const _M44& matrix)
{
    glMatrixMode(GL_MODELVIEW);
    glMultMatrixf(&matrix.m[0][0]);
}

void ZRenderOpenGL::SetViewMatrix(const _M44& matrix)
{
    glMatrixMode(GL_MODELVIEW);
    glMultMatrixf(&matrix.m[0][0]);
}

void ZRenderOpenGL::SetProjectionMatrix(const _M44& matrix)
{
    if (!m_context.IsCreated())
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMultMatrixf(&matrix.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
}

void ZRenderOpenGL::SetRenderStateFlag(uint32_t state, bool on)
{
    if (!m_context.IsCreated())
        return;
    if (state & 1)
    {
        m_depthTestAllowed = on;
        on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
    }
    if (state & 4)
        on ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
}

void ZRenderOpenGL::SetViewport(ZView* view)
{
    if (!view || !m_context.IsCreated())
        return;
    const float w = float(GetWidth()), h = float(GetHeight());
    glViewport(GLint(w * (view->GetX() + view->GetOffsetU())), GLint(h * (view->GetY() + view->GetOffsetV())),
               GLsizei(w * view->GetWidth()), GLsizei(h * view->GetHeight()));
    glDepthRange(0.0, 1.0);
}

void ZRenderOpenGL::Clear(ZView* view, bool color, bool depth, bool stencil)
{
    if (!m_context.IsCreated())
        return;
    const V4 background = view ? view->GetClearColor() : V4{0.0f, 0.0f, 0.0f, 0.0f};
    glClearColor(background.x, background.y, background.z, 0.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    GLbitfield bits = 0;
    if (color)
        bits |= GL_COLOR_BUFFER_BIT;
    if (depth)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    if (bits)
    {
        // A disabled depth mask would keep the depth buffer from clearing.
        glDepthMask(GL_TRUE);
        glClear(bits);
    }
}

void ZRenderOpenGL::SetupCamera(ZCamera* camera)
{
    if (!camera || !m_context.IsCreated())
        return;
    const SCameraFog& fog = camera->GetFog();
    if (fog.kind == 0)
    {
        if (m_renderState)
            m_renderState->SetFogEnabled(false);
        return;
    }
    if (m_renderState)
        m_renderState->SetFogEnabled(true);
    switch (fog.kind)
    {
    case 1:
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, fog.start);
        glFogf(GL_FOG_END, fog.end);
        break;
    case 2:
        glFogi(GL_FOG_MODE, GL_EXP);
        glFogf(GL_FOG_DENSITY, fog.density);
        break;
    case 3:
        glFogi(GL_FOG_MODE, GL_EXP2);
        glFogf(GL_FOG_DENSITY, fog.density);
        break;
    default:
        break;
    }
    const float color[4] = {fog.color.x, fog.color.y, fog.color.z, fog.color.w};
    glFogfv(GL_FOG_COLOR, color);
}

uint32_t* ZRenderOpenGL::GrabScreen(uint32_t& width, uint32_t& height)
{
    width = height = 0;
    if (!m_context.IsCreated() || GetWidth() <= 0 || GetHeight() <= 0)
        return nullptr;
    const uint32_t w = uint32_t(GetWidth()), h = uint32_t(GetHeight());
    // The caller frees the pixels through the allocator hook.
    auto* pixels = static_cast<uint32_t*>(GetAllocHook()->Alloc(size_t(w) * h * 4u));
    if (!pixels)
        return nullptr;
    // After the swap the back buffer holds nothing defined, and what is on screen cannot be read
    // back everywhere (a hidden or covered window): the views are drawn once more, unchanged since.
    if (m_frameShown)
        RenderViews();
    std::vector<uint8_t> rows(size_t(w) * h * 4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // The back buffer's alpha means nothing on screen.
    const uint32_t opaque = g_renderOpaqueScreenDump.GetValue() ? 0xFF000000u : 0u;
    // GL rows run bottom-up; the caller gets top-down ARGB words.
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint8_t* p = rows.data() + (size_t(h - 1 - y) * w + x) * 4u;
            pixels[size_t(y) * w + x] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) |
                                        (uint32_t(p[1]) << 8) | uint32_t(p[2]) | opaque;
        }
    width = w;
    height = h;
    return pixels;
}

// ---------------------------------------------------------------------------------------------
// Text, particles, the frame-rate overlay and debug drawing

void ZRenderOpenGL::InitAuxiliary()
{
    if (!m_batch)
        m_batch = new ZRenderOpenGLBatch(this);
    // The drawers' device resources (glyph quads, the built-in font's page) are made again.
    if (m_textRenderer)
        m_textRenderer->Init();
    if (!m_debugDraw)
        m_debugDraw = CreateDebugDrawer();
    else
        m_debugDraw->RebuildDeviceBuffers();
    // The overlay exists only when its setting was on: then it shows.
    if (m_overlay && m_overlay->InitFpsOverlay() == 0)
        EnableStateC(kRenderOverlayPerCamera);
}

ZRenderFont* ZRenderOpenGL::CreateTextRenderer()
{
    return new ZRenderOpenGLFont(this);
}

ZRenderOverlay* ZRenderOpenGL::CreateOverlay()
{
    return new ZRenderOpenGLOverlay(this);
}

ZRenderParticles* ZRenderOpenGL::CreateParticleRenderer()
{
    return new ZRenderOpenGLParticles(this);
}

ZRenderDebug* ZRenderOpenGL::CreateDebugDrawer()
{
    // One debug drawer at a time.
    if (ZRenderDebug::GetInstance())
        return nullptr;
    return new ZRenderOpenGLDebug(this);
}

void ZRenderOpenGL::DeleteParticleRenderer()
{
    delete m_particleRenderer;
    m_particleRenderer = nullptr;
}

void ZRenderOpenGL::DeleteAuxiliary()
{
    if (m_context.IsCreated())
        m_context.MakeCurrent();
    DeleteParticleRenderer();
    delete m_overlay;
    m_overlay = nullptr;
    delete m_debugDraw;
    m_debugDraw = nullptr;
    delete m_textRenderer;
    m_textRenderer = nullptr;
    delete m_batch;
    m_batch = nullptr;
}

void ZRenderOpenGL::DrawTextNode(ZNode* node, ZCamera* camera, const DrawRecord& record)
{
    if (m_textRenderer)
        m_textRenderer->DrawTextNode(static_cast<ZFontText*>(node), camera, record);
}

void ZRenderOpenGL::DrawParticleSystem(ZNode* node, ZCamera* camera, const DrawRecord& record)
{
    auto* emitter = ZEntityCast<ZParticleEmitterSystem>(static_cast<ZEntity*>(node));
    if (m_particleRenderer && emitter)
        m_particleRenderer->DrawEmitter(emitter, camera, record);
}

void ZRenderOpenGL::DrawOverlay(ZCamera* camera)
{
    if (m_overlay)
        m_overlay->DrawFpsOverlay(camera);
}

void ZRenderOpenGL::AddDebugGrids()
{
    if (m_debugDraw && TestStateC(kRenderDebugShapes))
        m_debugDraw->AddReferenceGrids();
}

void ZRenderOpenGL::AddDebugText(float x, float y, const char* text)
{
    if (!m_debugDraw || !text)
        return;
    if (x == -1.0f && y == -1.0f)
        m_debugDraw->DebugPrintf("%s", text);
    else
        m_debugDraw->AddText(text, x, y);
}

void ZRenderOpenGL::DrawDebugText()
{
    if (!m_debugDraw)
        return;
    ZCamera* camera = m_textRenderer ? m_textRenderer->GetScreenCamera() : nullptr;
    if (camera)
        camera->UpdateProjection();
    m_debugDraw->EndFrame(camera, GetStateC());
}

void ZRenderOpenGL::LoadCameraMatrices(ZCamera* camera)
{
    if (!m_context.IsCreated() || !camera)
        return;
    // As the shader codes do: the view on a fresh model-view matrix, then the projection.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetViewMatrix(ComputeViewMatrix(camera));
    SetProjectionMatrix(camera->GetProjection());
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void ZRenderOpenGL::DrawTriangleArray(const float* vertices, int count, const uint16_t* indices, int indexCount)
{
    if (!m_context.IsCreated() || !vertices || count <= 0)
        return;
    constexpr GLsizei stride = 9 * sizeof(float);
    // The render-state object tracks the texture environment: it gets back what it set.
    GLint mode = GL_MODULATE;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The colour is the vertices' own, as the sprite code's constant colour is: never lit.
    const GLboolean lit = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    // Client memory, not a buffer object.
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    m_clientActiveTexture(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    m_clientActiveTexture(GL_TEXTURE0_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, vertices + 7);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, vertices + 3);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, vertices);
    if (indices)
        glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, indices);
    else
        glDrawArrays(GL_TRIANGLES, 0, count);
    CountDrawCall();
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
    if (lit)
        glEnable(GL_LIGHTING);
}

void ZRenderOpenGL::UpdateTexturePixels(int id, int width, int height, const uint8_t* pixels, bool bgra)
{
    const uint32_t name = GetGLTexture(id);
    if (!m_context.IsCreated() || !name || !pixels)
        return;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, bgra ? GL_BGRA_EXT : GL_RGBA, GL_UNSIGNED_BYTE,
                    pixels);
}
