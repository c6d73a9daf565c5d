#include "engine/render/opengl/ZRenderOpenGL.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZRenderDebug.h"
#include "engine/render/ZRenderFont.h"
#include "engine/render/ZRenderOverlay.h"
#include "engine/render/ZRenderParticles.h"
#include "engine/render/ZShaderLibrary.h"
#include "engine/render/ZView.h"
#include "engine/render/opengl/ZRenderOpenGLBatch.h"
#include "engine/render/opengl/ZRenderOpenGLDebug.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZParticleEmitterSystem.h"

const char* const ZRenderOpenGL::kRequiredExtensions[5] = {"GL_ARB_multitexture", "GL_ARB_texture_env_add",
                                                           "GL_ARB_texture_env_combine", "GL_EXT_bgra",
                                                           "GL_ARB_vertex_buffer_object"};

// ---------------------------------------------------------------------------------------------
// Render state

void ZRenderOpenGLState::Reset()
{
    m_words[0] = 0;
    m_words[1] = 0;
    m_fogOn = true;
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
    glDisable(GL_STENCIL_TEST);
    glStencilFunc(GL_LEQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_ALPHA_TEST);
    if (m_owner)
    {
        m_owner->BindTexture(1, -1);
        m_owner->BindTexture(0, -1);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

void ZRenderOpenGLState::SetFogEnabled(bool on)
{
    m_fogOn = on;
    if (on)
        glEnable(GL_FOG);
    else
        glDisable(GL_FOG);
}

ZRenderState* ZRenderOpenGLState::Apply(ZRenderState* previous)
{
    const uint32_t flags = m_words[0];
    const bool havePrevious = previous != nullptr;
    const uint32_t old = havePrevious ? previous->m_words[0] : ~flags;
    const uint32_t changed = flags ^ old;
    constexpr uint32_t blendKinds = kAdditive | kColorBlend | kNoColor;
    if (!havePrevious || (changed & blendKinds))
    {
        if (flags & kAdditive)
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        else if (flags & kColorBlend)
            glBlendFunc(GL_SRC_COLOR, GL_DST_COLOR);
        else if (flags & kNoColor)
            glBlendFunc(GL_ZERO, GL_ONE);
        else
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    auto toggle = [&](uint32_t bit, GLenum cap, bool enableWhenSet)
    {
        if (havePrevious && !(changed & bit))
            return;
        const bool set = (flags & bit) != 0;
        if (set == enableWhenSet)
            glEnable(cap);
        else
            glDisable(cap);
    };
    toggle(kNoBlend, GL_BLEND, false);
    toggle(kNoCull, GL_CULL_FACE, false);
    toggle(kUnlit, GL_LIGHTING, false);
    // Stencil writing only where texels are not fully transparent: the alpha test goes on with it.
    if (!havePrevious || (changed & (kAlphaTest | kStencilWrite)))
    {
        if (flags & (kAlphaTest | kStencilWrite))
        {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.0f);
        }
        else
            glDisable(GL_ALPHA_TEST);
    }
    if (!havePrevious || (changed & (kStencilWrite | kStencilTest)))
    {
        if (flags & kStencilWrite)
        {
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GL_ALWAYS, 1, 1);
            glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
        }
        else if (flags & kStencilTest)
        {
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(GL_LEQUAL, 1, 1);
            glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        }
        else
            glDisable(GL_STENCIL_TEST);
    }
    if (!havePrevious || (changed & kNoDepthWrite))
        glDepthMask((flags & kNoDepthWrite) ? GL_FALSE : GL_TRUE);
    return this;
}

// ---------------------------------------------------------------------------------------------
// Back end

ZRenderOpenGL::ZRenderOpenGL()
    : m_textures(size_t(decltype(m_textureIds)::Size())),
      m_vertexBuffers(size_t(decltype(m_vertexBufferIds)::Size())),
      m_quads(size_t(decltype(m_quadIds)::Size()), 0u)
{
    m_driverDescription = "OpenGL";
}

ZRenderOpenGL::~ZRenderOpenGL()
{
    // The auxiliary drawers give their glyph quads and textures back while the context lives.
    DeleteAuxiliary();
    // The base's destructor may still hand textures back: they must not reach a dead context.
    ReleaseDevice();
}

void ZRenderOpenGL::ReleaseDevice()
{
    if (!m_context.IsCreated())
        return;
    m_context.MakeCurrent();
    for (TextureSlot& slot : m_textures)
        if (slot.name)
        {
            glDeleteTextures(1, &slot.name);
            slot = TextureSlot{};
        }
    for (uint32_t& quad : m_quads)
        if (quad)
        {
            if (m_deleteBuffers)
                m_deleteBuffers(1, &quad);
            quad = 0;
        }
    m_textureIds.Reset();
    m_quadIds.Reset();
    m_defaultQuad = -1;
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
    // A second Init (window mode switched) starts on a fresh context.
    ReleaseDevice();
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
    if (!m_cursorHidden)
    {
        plat::ShowCursor(false);
        m_cursorHidden = true;
    }
    ResetDeviceState(false);
    m_defaultQuad = CreateQuad(100.0f, 100.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    glClearStencil(0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // Shader definitions need the device: definitions naming back-end code are resolved now.
    if (ZShaderLibrary* library = ZShaderLibrary::GetInstance())
        library->LoadAllDefinitions();
    InitAuxiliary();
    return 0;
}

int ZRenderOpenGL::RenderFrame()
{
    if (!m_context.IsCreated())
        return 1;
    ZRenderBase::RenderFrame();
    RenderViews();
    DrawDebugText();
    m_context.SwapBuffers();
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
    return new ZRenderOpenGLState(this);
}

uint32_t ZRenderOpenGL::GetGLTexture(int id) const
{
    if (id < 0 || size_t(id) >= m_textures.size())
        return 0;
    return m_textures[size_t(id)].name;
}

int ZRenderOpenGL::CreateTexture(int width, int height, const uint8_t* pixels, int format, bool renderTarget)
{
    (void)format, (void)renderTarget;
    if (!m_context.IsCreated() || width <= 0 || height <= 0)
        return -1;
    const int32_t id = AllocTextureId();
    if (id < 0)
        return -1;
    TextureSlot& slot = m_textures[size_t(id)];
    glGenTextures(1, &slot.name);
    glBindTexture(GL_TEXTURE_2D, slot.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    slot.width = width;
    slot.height = height;
    m_textureMemory += uint32_t(width) * uint32_t(height) * 4u;
    if (m_textureMemory > m_textureMemoryPeak)
        m_textureMemoryPeak = m_textureMemory;
    return id;
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
    (void)texture;
    // Textures reach this back end through CreateTexture with RGBA pixels already.
    return texture ? 0 : 1;
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
    unsigned name = 0;
    m_genBuffers(1, &name);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, name);
    m_bufferData(GL_ARRAY_BUFFER_ARB, sizeof bytes, bytes, GL_STATIC_DRAW_ARB);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    m_quads[size_t(id)] = name;
    return id;
}

void ZRenderOpenGL::DeleteQuad(int id)
{
    if (id < 0 || size_t(id) >= m_quads.size() || !m_quads[size_t(id)])
        return;
    if (m_context.IsCreated())
        m_deleteBuffers(1, &m_quads[size_t(id)]);
    m_quads[size_t(id)] = 0;
    FreeQuadId(id);
    if (id == m_defaultQuad)
        m_defaultQuad = -1;
}

void ZRenderOpenGL::ReleaseDefaultQuad()
{
    DeleteQuad(m_defaultQuad);
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
    const int id = quadId >= 0 ? quadId : m_defaultQuad;
    if (!m_context.IsCreated() || id < 0 || size_t(id) >= m_quads.size() || !m_quads[size_t(id)])
        return;
    BindTexture(0, textureId);
    const float tint[4] = {color[0], color[1], color[2], color[3] * alpha};
    // The colour tints the texture: its alpha carries the record's opacity too.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_MODELVIEW);
    m_bindBuffer(GL_ARRAY_BUFFER_ARB, m_quads[size_t(id)]);
    glDisableClientState(GL_INDEX_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(tint[0], tint[1], tint[2], tint[3]);
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
        on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
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
    (void)view;
    if (!m_context.IsCreated())
        return;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
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

uint32_t* ZRenderOpenGL::GrabScreen(uint32_t& width, uint32_t& height)
{
    width = height = 0;
    if (!m_context.IsCreated() || GetWidth() <= 0 || GetHeight() <= 0)
        return nullptr;
    const uint32_t w = uint32_t(GetWidth()), h = uint32_t(GetHeight());
    uint32_t* pixels = static_cast<uint32_t*>(std::malloc(size_t(w) * h * 4u));
    if (!pixels)
        return nullptr;
    std::vector<uint8_t> rows(size_t(w) * h * 4u);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // GL rows run bottom-up; the caller gets top-down ARGB words.
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint8_t* p = rows.data() + (size_t(h - 1 - y) * w + x) * 4u;
            pixels[size_t(y) * w + x] =
                (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
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
    if (m_overlay)
        m_overlay->InitFpsOverlay();
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
    if (!m_context.IsCreated())
        return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The model-view matrix was just reset: the view matrix goes out whatever was sent before.
    m_cachedCamera = nullptr;
    SendViewMatrix(camera);
    SendProjectionMatrix(camera);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void ZRenderOpenGL::SetBoundTextureFilter(bool linear)
{
    const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void ZRenderOpenGL::DrawTriangleArray(const float* vertices, int count)
{
    if (!m_context.IsCreated() || !vertices || count <= 0)
        return;
    constexpr GLsizei stride = 9 * sizeof(float);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
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
    glDrawArrays(GL_TRIANGLES, 0, count);
    CountDrawCall();
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
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
