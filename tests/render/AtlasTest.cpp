#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/render/resources/ZTextureAtlas.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TestFiles.h"

using test::RecordingRender;

namespace
{
// A texture of w x h RGBA pixels, each pixel's bytes (x, y, seed, 255).
ZTexture* MakeTexture(const char* name, int w, int h, uint8_t seed, uint32_t context = 65535)
{
    auto* pixels = static_cast<uint8_t*>(std::malloc(size_t(w) * size_t(h) * 4));
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
        {
            uint8_t* p = pixels + (size_t(y) * size_t(w) + size_t(x)) * 4;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = seed, p[3] = 255;
        }
    }
    auto* texture = new ZTexture();
    texture->SetName(name);
    texture->SetContextId(context);
    texture->StoreImage(pixels, kPixelRGBA, w, h, w, h, true);
    texture->SetFlags(kResourceLoaded);
    return texture;
}

const uint8_t* PixelAt(const ZTextureAtlas& page, int x, int y)
{
    return page.GetPixels() + (size_t(y) * size_t(page.GetWidth()) + size_t(x)) * 4;
}

class AtlasTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        ZTextureAtlas::SetCacheFolder(m_dir + "/cache");
    }
    void TearDown() override
    {
        ZTextureAtlas::SetCacheFolder("");
    }
    qvtest::TempDir m_temp{"qv_atlas"};
    std::string m_dir = m_temp.Path();
    RecordingRender render;
};
} // namespace

TEST_F(AtlasTest, PackerSplitsOffAStripAndLeavesAGutter)
{
    ZTextureAtlas page(&render, 65535, 0);
    ASSERT_EQ(page.Allocate(512, 512), 0);
    const ZTextureAtlas::Node* node = page.InsertImage(nullptr, 100, 50, nullptr);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->x0, 0.0f);
    EXPECT_EQ(node->y0, 0.0f);
    EXPECT_EQ(node->x1, 100.0f);
    EXPECT_EQ(node->y1, 50.0f);
    const ZTextureAtlas::Node* root = page.GetRoot();
    ASSERT_TRUE(root->first && root->second);
    EXPECT_EQ(root->first->x1 - root->first->x0, 512.0f) << "the first child is the full-width strip";
    EXPECT_EQ(root->first->y1 - root->first->y0, 50.0f);
    EXPECT_EQ(root->second->y0, 54.0f) << "the rest starts 4 texels lower";
    EXPECT_EQ(root->second->y1 - root->second->y0, 458.0f);

    const ZTextureAtlas::Node* next = page.InsertImage(nullptr, 100, 50, nullptr);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->x0, 104.0f) << "beside the first, past the gutter";
}

TEST_F(AtlasTest, AFullPageImageTakesTheRootWithoutSplitting)
{
    ZTextureAtlas page(&render, 65535, 0);
    ASSERT_EQ(page.Allocate(512, 512), 0);
    EXPECT_EQ(page.InsertImage(nullptr, 512, 512, nullptr), page.GetRoot());
    EXPECT_EQ(page.InsertImage(nullptr, 1, 1, nullptr), nullptr);
}

TEST_F(AtlasTest, BordersReplicateEdgeTexelsExceptAtThePageEdge)
{
    ZTextureAtlas page(&render, 65535, 0);
    ASSERT_EQ(page.Allocate(16, 16), 0);
    std::vector<uint8_t> image(3 * 3 * 4);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(i + 1);
    ZTextureAtlas::Node corner;
    corner.x0 = 0, corner.y0 = 0, corner.x1 = 3, corner.y1 = 3;
    page.CopyPixels(image.data(), 3, 3, corner);
    EXPECT_EQ(std::memcmp(PixelAt(page, 3, 0), PixelAt(page, 2, 0), 4), 0);
    EXPECT_EQ(std::memcmp(PixelAt(page, 4, 0), PixelAt(page, 2, 0), 4), 0);
    EXPECT_EQ(PixelAt(page, 5, 0)[3], 0) << "two border texels, no more";
    EXPECT_EQ(std::memcmp(PixelAt(page, 1, 4), PixelAt(page, 1, 2), 4), 0);
    EXPECT_EQ(std::memcmp(PixelAt(page, 4, 4), PixelAt(page, 2, 2), 4), 0)
        << "corners fill from the corner texel";

    // Ending one texel before the right edge: a right border of 1; left and top borders of 2.
    ZTextureAtlas::Node inner;
    inner.x0 = 12, inner.y0 = 8, inner.x1 = 15, inner.y1 = 11;
    page.CopyPixels(image.data(), 3, 3, inner);
    EXPECT_EQ(std::memcmp(PixelAt(page, 15, 8), PixelAt(page, 14, 8), 4), 0);
    EXPECT_EQ(std::memcmp(PixelAt(page, 10, 8), PixelAt(page, 12, 8), 4), 0);
    EXPECT_EQ(std::memcmp(PixelAt(page, 12, 6), PixelAt(page, 12, 8), 4), 0);
    EXPECT_EQ(PixelAt(page, 9, 8)[3], 0);
    EXPECT_TRUE(page.IsDirty());
}

TEST_F(AtlasTest, PlacedTexturesShareThePageAndGetItsTransform)
{
    render.Init(800, 600, true, nullptr);
    ZTexture* a = MakeTexture("a", 100, 50, 1);
    ZTexture* b = MakeTexture("b", 64, 64, 2);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ASSERT_EQ(render.PlaceInAtlas(b), 0);
    ASSERT_EQ(render.GetPageCount(), 1u);
    ZTextureAtlas* page = render.GetPage(0);
    EXPECT_EQ(page->GetWidth(), 512);
    EXPECT_EQ(a->GetAtlasPage(), page);
    EXPECT_EQ(a->GetRenderTextureId(), page->GetRenderTextureId());
    EXPECT_EQ(b->GetRenderTextureId(), page->GetRenderTextureId());
    const _M44& transform = a->GetAtlasTransform();
    EXPECT_FLOAT_EQ(transform.m[0][0], 100.0f / 512.0f);
    EXPECT_FLOAT_EQ(transform.m[1][1], 50.0f / 512.0f);
    // Too tall for the rest of a's strip, b goes below it, past the gutter.
    EXPECT_FLOAT_EQ(b->GetAtlasTransform().m[2][0], 0.0f);
    EXPECT_FLOAT_EQ(b->GetAtlasTransform().m[2][1], 54.0f / 512.0f);
    EXPECT_EQ(PixelAt(*page, 5, 54 + 7)[1], 7) << "b's pixels sit at its rectangle";
    EXPECT_EQ(PixelAt(*page, 5, 54 + 7)[2], 2);

    // Commit writes the page's copy to its device texture.
    EXPECT_EQ(render.GetDirtyPageCount(), 1u);
    render.CommitAtlasPages();
    EXPECT_EQ(render.GetDirtyPageCount(), 0u);
    const auto& device = render.textures.at(page->GetRenderTextureId());
    EXPECT_EQ(std::memcmp(device.pixels, page->GetPixels(), 512 * 512 * 4), 0);
    EXPECT_FALSE(page->IsDirty());
    delete a;
    delete b;
}

TEST_F(AtlasTest, LargeTexturesGetPagesOfTheirPowerOfTwo)
{
    ZTexture* big = MakeTexture("big", 600, 300, 3);
    ASSERT_EQ(render.PlaceInAtlas(big), 0);
    EXPECT_EQ(render.GetPage(0)->GetWidth(), 1024);
    EXPECT_EQ(render.GetPage(0)->GetHeight(), 512);
    ZTexture* other = MakeTexture("other", 600, 300, 4);
    ASSERT_EQ(render.PlaceInAtlas(other), 0);
    ASSERT_EQ(render.GetPageCount(), 2u) << "a second page is chained when the first is full";
    EXPECT_EQ(render.GetPage(0)->GetNext(), render.GetPage(1));
    delete big;
    delete other;
}

TEST_F(AtlasTest, ContextsKeepTheirOwnPages)
{
    ZTexture* a = MakeTexture("a", 8, 8, 1, 7);
    ZTexture* b = MakeTexture("b", 8, 8, 1, 9);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ASSERT_EQ(render.PlaceInAtlas(b), 0);
    EXPECT_NE(a->GetAtlasPage(), b->GetAtlasPage());
    EXPECT_EQ(render.FindPage(7), a->GetAtlasPage());
    delete a;
    delete b;
}

TEST_F(AtlasTest, TheLastTextureLeavingFreesThePageWhichCanBeUsedAgain)
{
    ZTexture* a = MakeTexture("a", 32, 32, 1);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ZTextureAtlas* page = a->GetAtlasPage();
    ASSERT_EQ(render.textures.size(), 1u);
    delete a;
    EXPECT_FALSE(page->IsAllocated());
    EXPECT_FALSE(page->HasPixels());
    EXPECT_EQ(page->GetRenderTextureId(), -1);
    EXPECT_TRUE(render.textures.empty()) << "the page's device texture is gone";

    ZTexture* b = MakeTexture("b", 32, 32, 2);
    ASSERT_EQ(render.PlaceInAtlas(b), 0);
    EXPECT_EQ(b->GetAtlasPage(), page);
    EXPECT_GE(b->GetRenderTextureId(), 0) << "the freed page is made whole before it takes a texture";
    delete b;
}

TEST_F(AtlasTest, CachePageHoldsTheRawPixelsAndComesBack)
{
    ZTexture* a = MakeTexture("a", 20, 10, 9);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ZTextureAtlas* page = a->GetAtlasPage();
    const std::vector<uint8_t> before(page->GetPixels(), page->GetPixels() + 512 * 512 * 4);

    ASSERT_TRUE(page->SwapOutNow());
    EXPECT_TRUE(page->IsSwappedOut());
    EXPECT_FALSE(page->HasPixels());
    const std::string path = m_dir + "/cache/atlas_id65535_0.dat";
    EXPECT_EQ(page->GetCachePath(), path);
    struct stat info;
    ASSERT_EQ(::stat((m_dir + "/cache").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "the cache folder is private";

    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 512u * 512u * 4u) << "no header, exactly the page";
    // Pixel (x, y) of the image at byte (y * width + x) * 4, as R, G, B, A.
    const size_t at = (size_t(3) * 512 + 5) * 4;
    EXPECT_EQ(bytes[at + 0], 5);
    EXPECT_EQ(bytes[at + 1], 3);
    EXPECT_EQ(bytes[at + 2], 9);
    EXPECT_EQ(bytes[at + 3], 255);

    ASSERT_TRUE(page->SwapIn());
    EXPECT_FALSE(page->IsSwappedOut());
    EXPECT_EQ(std::vector<uint8_t>(page->GetPixels(), page->GetPixels() + before.size()), before);
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << "the file is removed once read";
    delete a;
}

TEST_F(AtlasTest, AShortCacheFileRebuildsThePageFromItsTextures)
{
    ZTexture* a = MakeTexture("a", 20, 10, 9);
    a->AddTextureFlags(kTextureKeepPixels);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ZTextureAtlas* page = a->GetAtlasPage();
    ASSERT_TRUE(page->SwapOutNow());
    ASSERT_EQ(::truncate(page->GetCachePath().c_str(), 100), 0);
    EXPECT_FALSE(page->SwapIn());
    ASSERT_TRUE(page->HasPixels());
    EXPECT_EQ(PixelAt(*page, 5, 3)[2], 9) << "the texture's pixels are copied back";
    EXPECT_EQ(PixelAt(*page, 300, 300)[3], 0) << "nothing of the short file survives";
    delete a;
}

TEST_F(AtlasTest, APlantedLinkIsNotFollowed)
{
    ZTexture* a = MakeTexture("a", 4, 4, 1);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ZTextureAtlas* page = a->GetAtlasPage();
    const std::string victim = m_dir + "/victim";
    std::ofstream(victim) << "keep";
    ASSERT_FALSE(ZTextureAtlas::GetCacheFolder().empty());
    ASSERT_EQ(::symlink(victim.c_str(), page->MakeCachePath().c_str()), 0);
    ASSERT_TRUE(page->SwapOutNow());
    std::ifstream in(victim);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
    delete a;
}

TEST_F(AtlasTest, AFolderOthersCanReachIsNotUsed)
{
    ASSERT_EQ(::mkdir((m_dir + "/open").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((m_dir + "/open").c_str(), 0755), 0);
    ZTextureAtlas::SetCacheFolder(m_dir + "/open");
    ZTexture* a = MakeTexture("a", 4, 4, 1);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    EXPECT_FALSE(a->GetAtlasPage()->SwapOutNow());
    EXPECT_TRUE(a->GetAtlasPage()->HasPixels()) << "the copy stays in memory";
    delete a;
}

TEST_F(AtlasTest, AtlasIndexSettingWrapsIntoThePages)
{
    render.Init(800, 600, true, nullptr);
    ZTexture* a = MakeTexture("a", 600, 300, 1);
    ZTexture* b = MakeTexture("b", 600, 300, 2);
    ASSERT_EQ(render.PlaceInAtlas(a), 0);
    ASSERT_EQ(render.PlaceInAtlas(b), 0);
    g_renderAtlasIndex.SetValue(5);
    EXPECT_EQ(g_renderAtlasIndex.GetValue(), 1);
    g_renderAtlasIndex.SetValue(1);
    EXPECT_EQ(g_renderAtlasIndex.GetValue(), 1);
    g_renderAtlasIndex.SetValue(0);
    delete a;
    delete b;
}
