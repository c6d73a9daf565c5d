#include "engine/render/resources/ZTextureAtlas.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/core/ZNameId.h"
#include "engine/platform/ZPlatformFolders.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZTexture.h"

namespace
{
std::string s_cacheFolder;
ZSerializerRTTI<ZTextureAtlas> s_atlasSerializer;

bool ReadNumber(const char* text, long long& value)
{
    if (!text)
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return end != text && errno == 0;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0)
    {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool ReadAll(int fd, uint8_t* data, size_t size)
{
    while (size > 0)
    {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    // Anything beyond the page's size means the file is not this page's.
    uint8_t extra;
    return ::read(fd, &extra, 1) == 0;
}
} // namespace

ZTextureAtlas::ZTextureAtlas(IRender* renderer, uint32_t context, int index)
    : m_context(context), m_index(index), m_renderer(renderer)
{
}

ZTextureAtlas::~ZTextureAtlas()
{
    std::free(m_pixels);
    DeleteTree(m_root);
    if (!m_cachePath.empty())
        ::unlink(m_cachePath.c_str());
}

void ZTextureAtlas::DeleteTree(Node* node)
{
    if (!node)
        return;
    DeleteTree(node->first);
    DeleteTree(node->second);
    delete node;
}

int ZTextureAtlas::Allocate(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 1;
    DeleteTree(m_root);
    m_width = width;
    m_height = height;
    m_root = new Node;
    m_root->page = this;
    m_root->x0 = 0.0f;
    m_root->y0 = 0.0f;
    m_root->x1 = float(width);
    m_root->y1 = float(height);
    std::free(m_pixels);
    m_pixelBytes = size_t(width) * size_t(height) * 4;
    m_pixels = static_cast<uint8_t*>(std::calloc(m_pixelBytes, 1));
    m_swappedOut = false;
    if (m_renderer && m_renderTextureId < 0)
        m_renderTextureId = m_renderer->CreateTexture(width, height, m_pixels, 3, false);
    m_dirty = true;
    return 0;
}

void ZTextureAtlas::EnsurePixels()
{
    if (!m_pixels && !m_swappedOut && m_pixelBytes > 0)
        m_pixels = static_cast<uint8_t*>(std::calloc(m_pixelBytes, 1));
    else if (m_swappedOut)
        SwapIn();
}

ZTextureAtlas::Node* ZTextureAtlas::InsertImage(const uint8_t* pixels, int width, int height,
                                                ZTexture* occupant)
{
    if (!m_root)
        return nullptr;
    EnsurePixels();
    return InsertAt(m_root, pixels, width, height, occupant);
}

ZTextureAtlas::Node* ZTextureAtlas::InsertAt(Node* node, const uint8_t* pixels, int width, int height,
                                             ZTexture* occupant)
{
    const float w = float(width);
    const float h = float(height);
    for (;;)
    {
        if (node->first)
        {
            if (Node* placed = InsertAt(node->first, pixels, width, height, occupant))
                return placed;
            node = node->second;
            continue;
        }
        if (node->used)
            return nullptr;
        const float freeW = node->x1 - node->x0;
        const float freeH = node->y1 - node->y0;
        if (freeW < w || freeH < h)
            return nullptr;
        if (freeW == w && freeH == h)
        {
            node->used = true;
            node->occupant = occupant;
            if (pixels)
                CopyPixels(pixels, width, height, *node);
            return node;
        }
        Node* first = new Node;
        Node* second = new Node;
        first->parent = second->parent = node;
        first->page = second->page = this;
        if (freeW - w <= freeH - h)
        {
            first->x0 = node->x0;
            first->x1 = node->x1;
            first->y0 = node->y0;
            first->y1 = node->y0 + h;
            second->x0 = node->x0;
            second->x1 = node->x1;
            second->y0 = node->y0 + h + float(kGutter);
            second->y1 = node->y1;
        }
        else
        {
            first->x0 = node->x0;
            first->x1 = node->x0 + w;
            first->y0 = node->y0;
            first->y1 = node->y1;
            second->x0 = node->x0 + w + float(kGutter);
            second->x1 = node->x1;
            second->y0 = node->y0;
            second->y1 = node->y1;
        }
        // A gutter that runs past the page leaves an empty (never fitting) second child.
        if (second->x0 > second->x1)
            second->x0 = second->x1;
        if (second->y0 > second->y1)
            second->y0 = second->y1;
        node->first = first;
        node->second = second;
        node = first;
    }
}

void ZTextureAtlas::CopyPixels(const uint8_t* pixels, int width, int height, const Node& node)
{
    if (!m_pixels || !pixels)
        return;
    const int x0 = int(node.x0);
    const int y0 = int(node.y0);
    const int x1 = x0 + width;
    const int y1 = y0 + height;
    const size_t pitch = size_t(m_width) * 4;
    for (int row = 0; row < height; ++row)
        std::memcpy(m_pixels + size_t(y0 + row) * pitch + size_t(x0) * 4,
                    pixels + size_t(row) * size_t(width) * 4, size_t(width) * 4);
    const int left = x0 == 0 ? 0 : std::min(kBorder, x0);
    const int top = y0 == 0 ? 0 : std::min(kBorder, y0);
    const int right = x1 >= m_width ? 0 : std::min(kBorder, m_width - x1);
    const int bottom = y1 >= m_height ? 0 : std::min(kBorder, m_height - y1);
    for (int i = 1; i <= top; ++i)
        std::memcpy(m_pixels + size_t(y0 - i) * pitch + size_t(x0) * 4,
                    m_pixels + size_t(y0) * pitch + size_t(x0) * 4, size_t(width) * 4);
    for (int i = 0; i < bottom; ++i)
        std::memcpy(m_pixels + size_t(y1 + i) * pitch + size_t(x0) * 4,
                    m_pixels + size_t(y1 - 1) * pitch + size_t(x0) * 4, size_t(width) * 4);
    for (int row = y0 - top; row < y1 + bottom; ++row)
    {
        uint8_t* line = m_pixels + size_t(row) * pitch;
        for (int i = 1; i <= left; ++i)
            std::memcpy(line + size_t(x0 - i) * 4, line + size_t(x0) * 4, 4);
        for (int i = 0; i < right; ++i)
            std::memcpy(line + size_t(x1 + i) * 4, line + size_t(x1 - 1) * 4, 4);
    }
    MarkDirty();
}

void ZTextureAtlas::MarkDirty()
{
    m_dirty = true;
    const bool quiet = GetRenderHost()->IsLoading();
    if (!quiet && m_renderer)
        m_renderer->QueueDirtyPage(this);
}

bool ZTextureAtlas::IsOccupied(const Node* node)
{
    if (!node)
        return false;
    return node->used || IsOccupied(node->first) || IsOccupied(node->second);
}

bool ZTextureAtlas::FreeNode(Node* node, ZTexture* texture)
{
    if (!node)
        return false;
    bool found = false;
    if (!node->first && node->used && node->occupant == texture)
    {
        node->used = false;
        node->occupant = nullptr;
        found = true;
    }
    else
        found = FreeNode(node->first, texture) || FreeNode(node->second, texture);
    if (found && node->first && node->second && !IsOccupied(node->first) && !IsOccupied(node->second))
    {
        DeleteTree(node->first);
        DeleteTree(node->second);
        node->first = node->second = nullptr;
    }
    return found;
}

void ZTextureAtlas::Release()
{
    DeleteTree(m_root);
    m_root = nullptr;
    std::free(m_pixels);
    m_pixels = nullptr;
    if (m_renderer && m_renderTextureId >= 0)
        m_renderer->DeleteTextureObject(m_renderTextureId);
    m_renderTextureId = -1;
    m_swappedOut = false;
    if (!m_cachePath.empty())
        ::unlink(m_cachePath.c_str());
}

std::string ZTextureAtlas::GetCacheFolder()
{
    if (s_cacheFolder.empty())
    {
        std::string temp = plat::GetTempFolder();
        if (!temp.empty() && temp.back() == '/')
            temp.pop_back();
        s_cacheFolder = temp + "/quorvane-atlas-" + std::to_string(unsigned(::getuid()));
    }
    // Private to this user: a folder someone else made (or a link) is not used.
    if (::mkdir(s_cacheFolder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info;
    if (::lstat(s_cacheFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & 077) != 0)
        return {};
    return s_cacheFolder;
}

void ZTextureAtlas::SetCacheFolder(const std::string& folder)
{
    s_cacheFolder = folder;
}

std::string ZTextureAtlas::MakeCachePath() const
{
    const std::string folder = GetCacheFolder();
    if (folder.empty())
        return {};
    char name[1024];
    std::snprintf(name, sizeof(name), "%s/atlas_id%u_%i.dat", folder.c_str(), m_context, m_index);
    return name;
}

void ZTextureAtlas::SwapOut()
{
    if (GetRenderHost()->IsLowMemory())
        SwapOutNow();
}

bool ZTextureAtlas::SwapOutNow()
{
    if (!m_pixels || m_swappedOut)
        return false;
    m_cachePath = MakeCachePath();
    if (m_cachePath.empty())
        return false;
    // The folder is private; whatever an earlier run left under this name is ours to replace.
    ::unlink(m_cachePath.c_str());
    const int fd = ::open(m_cachePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, m_pixels, m_pixelBytes);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
    {
        ::unlink(m_cachePath.c_str());
        return false;
    }
    std::free(m_pixels);
    m_pixels = nullptr;
    m_swappedOut = true;
    return true;
}

bool ZTextureAtlas::SwapIn()
{
    if (!m_swappedOut)
        return true;
    m_swappedOut = false;
    m_pixels = static_cast<uint8_t*>(std::calloc(m_pixelBytes, 1));
    bool ok = false;
    const int fd = ::open(m_cachePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
    {
        ok = ReadAll(fd, m_pixels, m_pixelBytes);
        ::close(fd);
    }
    ::unlink(m_cachePath.c_str());
    if (!ok)
    {
        // The parked copy is lost: start from a clean page and have every texture copied in again.
        std::memset(m_pixels, 0, m_pixelBytes);
        RebuildFromTextures();
    }
    return ok;
}

ZTextureAtlas::Node* ZTextureAtlas::Insert(ZTexture* texture)
{
    if (!texture || !m_root)
        return nullptr;
    Node* node =
        InsertImage(texture->GetPixels(), texture->GetImageWidth(), texture->GetImageHeight(), texture);
    if (!node)
        return nullptr;
    texture->SetAtlasRect(node->x0, node->y1, node->x1, node->y0);
    _M44 transform;
    transform.m[0][0] = (node->x1 - node->x0) / float(m_width);
    transform.m[1][1] = (node->y1 - node->y0) / float(m_height);
    transform.m[2][0] = node->x0 / float(m_width);
    transform.m[2][1] = node->y0 / float(m_height);
    texture->SetAtlasTransform(transform);
    {
        ZSpinLockGuard guard(texture->GetExchangeLock());
        texture->SetTextureSize(texture->GetImageWidth(), texture->GetImageHeight());
        texture->SetRenderTextureId(m_renderTextureId);
        texture->SetAtlasPage(this);
    }
    texture->FireLoaded();
    return node;
}

int ZTextureAtlas::Place(ZTexture* texture)
{
    // A page given up by its last texture is made whole again before it takes another.
    if (!m_root && Allocate(m_width, m_height) != 0)
        return 1;
    EnsurePixels();
    if (!Insert(texture))
        return 1;
    m_textures.push_back(texture);
    return 0;
}

void ZTextureAtlas::Remove(ZTexture* texture)
{
    if (GetRenderHost()->IsBeingDestroyed())
        return;
    FreeNode(m_root, texture);
    m_textures.erase(std::remove(m_textures.begin(), m_textures.end(), texture), m_textures.end());
    if (texture && texture->GetAtlasPage() == this)
    {
        texture->SetAtlasPage(nullptr);
        texture->SetRenderTextureId(-1);
    }
    if (m_textures.empty())
        Release();
}

void ZTextureAtlas::Commit()
{
    if (m_swappedOut)
        SwapIn();
    if (m_renderer && m_pixels && m_renderTextureId >= 0)
    {
        int pitch = 0;
        uint8_t* bits = nullptr;
        if (m_renderer->LockTexture(m_renderTextureId, pitch, bits) == 0 && bits)
        {
            for (int row = 0; row < m_height; ++row)
                std::memcpy(bits + size_t(row) * size_t(pitch), m_pixels + size_t(row) * size_t(m_width) * 4,
                            size_t(m_width) * 4);
            m_renderer->UnlockTexture(m_renderTextureId);
        }
    }
    for (ZTexture* texture : m_textures)
    {
        ZTextureResource* alpha = texture->GetAlphaTexture();
        if (texture->IsLoaded() && (!alpha || alpha->IsLoaded()))
            texture->AfterUpload();
    }
    m_dirty = false;
    SwapOut();
}

void ZTextureAtlas::RebuildFromTextures()
{
    for (ZTexture* texture : m_textures)
    {
        if (!texture->GetPixels() || PixelFormatBytes(texture->GetPixelFormat()) != 4)
            continue;
        const float* rect = texture->GetAtlasRect();
        Node node;
        node.x0 = rect[0];
        node.y1 = rect[1];
        node.x1 = rect[2];
        node.y0 = rect[3];
        CopyPixels(texture->GetPixels(), texture->GetImageWidth(), texture->GetImageHeight(), node);
    }
    m_dirty = true;
}

ZTextureAtlas* ZTextureAtlas::Create()
{
    return g_render ? g_render->CreatePage(0, 0, IRender::kDefaultContext) : nullptr;
}

ZSerializerBase* ZTextureAtlas::GetSerializer() const
{
    return &s_atlasSerializer;
}

bool ZTextureAtlas::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    long long number = 0;
    if (id == ZNameId("contextid").Value())
    {
        if (ReadNumber(value, number) && number >= 0 && number <= 0xffffffffLL)
            m_context = uint32_t(number);
        return true;
    }
    if (id == ZNameId("width").Value() || id == ZNameId("height").Value())
    {
        // Sides a device texture can have; anything else would size the copy wrongly.
        if (ReadNumber(value, number) && number > 0 && number <= 32768)
            (id == ZNameId("width").Value() ? m_width : m_height) = int(number);
        return true;
    }
    if (id == ZNameId("texture").Value())
    {
        if (const ZTexture* texture = SerializedChild<ZTexture>(value))
            m_textures.push_back(const_cast<ZTexture*>(texture));
        return true;
    }
    return false;
}

void ZTextureAtlas::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    visitor->Attribute("contextid", std::to_string(m_context).c_str());
    visitor->Attribute("width", std::to_string(m_width).c_str());
    visitor->Attribute("height", std::to_string(m_height).c_str());
}

void ZTextureAtlas::SaveChildren(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    for (ZTexture* texture : m_textures)
    {
        visitor->BeginElement("texture", "texture");
        texture->SaveAttributes(visitor);
        visitor->CloseStartTag();
        texture->SaveChildren(visitor);
        visitor->EndElement("texture", "texture");
    }
}
