#include <gtest/gtest.h>

#include <algorithm>

#include <IL/il.h>
#include <openjpeg.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZTextureAtlas.h"
#include "engine/render/resources/ZTextureLoader.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TestFiles.h"

using test::RecordingRender;

namespace
{
// w x h RGBA pixels: (x * 10, y * 20, 200, alpha) with alpha falling along x.
std::vector<uint8_t> Pattern(int w, int h, bool withAlpha)
{
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4);
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
        {
            uint8_t* p = &pixels[(size_t(y) * size_t(w) + size_t(x)) * 4];
            p[0] = uint8_t(x * 10), p[1] = uint8_t(y * 20), p[2] = 200;
            p[3] = withAlpha ? uint8_t(255 - x * 2) : 255;
        }
    }
    return pixels;
}

// A lossless JPEG 2000 file of three 8-bit components.
bool WriteJp2(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba)
{
    opj_image_cmptparm_t parameters[3];
    std::memset(parameters, 0, sizeof(parameters));
    for (auto& p : parameters)
    {
        p.dx = p.dy = 1;
        p.w = OPJ_UINT32(w);
        p.h = OPJ_UINT32(h);
        p.prec = 8;
        p.sgnd = 0;
    }
    opj_image_t* image = opj_image_create(3, parameters, OPJ_CLRSPC_SRGB);
    if (!image)
        return false;
    image->x1 = OPJ_UINT32(w);
    image->y1 = OPJ_UINT32(h);
    for (int i = 0; i < w * h; ++i)
    {
        for (int c = 0; c < 3; ++c)
            image->comps[c].data[i] = rgba[size_t(i) * 4 + size_t(c)];
    }
    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.numresolution = 1;
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_JP2);
    opj_stream_t* stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
    const bool ok = codec && stream && opj_setup_encoder(codec, &settings, image) &&
                    opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok;
}

class TextureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.empty());
        table.AddMount("tex", m_dir.c_str());
        fs = new ZFileSystem(&table);
        manager = ZResourceManager::GetInstance();
        render.SetResourceManager(manager);
        render.Init(800, 600, true, nullptr);
    }
    void TearDown() override
    {
        ZResourceManager::DestroyInstance();
        delete fs;
        std::string command = "rm -rf '" + m_dir + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    ZTexture* LoadNow(const char* name, uint16_t flags = 0)
    {
        ZTexture* texture = ZTexture::FindOrLoad(name, flags, kTextureLoadNow);
        manager->WaitForPendingLoads();
        manager->ProcessFinished();
        return texture;
    }

    void SavePng(const char* file, int w, int h, const std::vector<uint8_t>& rgba)
    {
        ZTextureLoaderDevil devil;
        ASSERT_EQ(devil.Init(), 0);
        ASSERT_TRUE(devil.Save((m_dir + "/" + file).c_str(), kPixelRGBA, rgba.data(), w, h));
    }

    qvtest::TempDir m_temp{"qv_tex"};
    std::string m_dir = m_temp.Path();
    ZMountTable table;
    ZFileSystem* fs = nullptr;
    ZResourceManager* manager = nullptr;
    RecordingRender render;
};
} // namespace

TEST_F(TextureTest, DevilDecodesAPngWithAlphaAndPadsToPowersOfTwo)
{
    const std::vector<uint8_t> pixels = Pattern(100, 60, true);
    SavePng("image.png", 100, 60, pixels);
    manager->SetDecoderOption(true);
    ZTexture* texture = LoadNow("tex:image.png", kTextureKeepPixels);
    ASSERT_TRUE(texture->IsLoaded());
    EXPECT_EQ(texture->GetImageWidth(), 100);
    EXPECT_EQ(texture->GetImageHeight(), 60);
    EXPECT_EQ(texture->GetTextureWidth(), 128);
    EXPECT_EQ(texture->GetTextureHeight(), 64);
    EXPECT_EQ(texture->GetPixelFormat(), kPixelRGBA);
    EXPECT_FALSE(texture->IsOpaque());
    ASSERT_NE(texture->GetPixels(), nullptr);
    EXPECT_EQ(std::memcmp(texture->GetPixels(), pixels.data(), pixels.size()), 0) << "rows top to bottom";

    const _M44 matrix = texture->GetTextureMatrix();
    EXPECT_FLOAT_EQ(matrix.m[0][0], 100.0f / 128.0f);
    EXPECT_FLOAT_EQ(matrix.m[1][1], 60.0f / 64.0f);
    EXPECT_FLOAT_EQ(matrix.m[2][0], 14.0f / 128.0f);
    EXPECT_FLOAT_EQ(matrix.m[2][1], 2.0f / 64.0f);
    EXPECT_FLOAT_EQ(matrix.m[3][3], 1.0f);

    EXPECT_TRUE(render.HasQueuedUploads()) << "the post-load step queues the texture";
    render.FlushUploadQueue();
    EXPECT_TRUE(texture->GetTextureFlags() & kTextureResident);
    EXPECT_GE(texture->GetRenderTextureId(), 0);
    EXPECT_NE(texture->GetPixels(), nullptr) << "flag 0x4 keeps the pixel copy";
}

TEST_F(TextureTest, APictureNamedButNotLoadedLoadsWhenFoundAgainToLoadNow)
{
    SavePng("named.png", 4, 4, Pattern(4, 4, true));
    // As a layout not shown yet has it: known by path, not loaded.
    ZTexture* named = ZTexture::FindOrLoad("tex:named.png", 0, kTextureLoadLater);
    ASSERT_NE(named, nullptr);
    EXPECT_FALSE(named->IsLoaded());
    // Found again to be loaded later: still as it was.
    EXPECT_EQ(ZTexture::FindOrLoad("tex:named.png", 0, kTextureLoadLater), named);
    EXPECT_FALSE(named->IsLoaded());
    // Found to be shown now: the same picture, loaded.
    EXPECT_EQ(LoadNow("tex:named.png"), named);
    EXPECT_TRUE(named->IsLoaded());
    EXPECT_EQ(named->GetImageWidth(), 4);
}

TEST_F(TextureTest, APictureTwoScreensNameIsListedByBothSoShowingEitherLoadsIt)
{
    SavePng("shared.png", 4, 4, Pattern(4, 4, true));
    struct Screen : ZResourceContext
    {
        std::vector<ZResource*> listed;
        void OnResourceAdded(ZResource* resource) override { listed.push_back(resource); }
    } first, second;
    ZResourceManager* manager = ZResourceManager::GetInstance();
    ZTexture* made = nullptr;
    for (Screen* screen : {&first, &second})
    {
        ASSERT_EQ(manager->PushContext(ZNameId(screen == &first ? "first" : "second").Value(), screen), 0);
        ZTexture* found = ZTexture::FindOrLoad("tex:shared.png", 0, kTextureLoadLater);
        manager->PopContext();
        if (!made)
            made = found;
        EXPECT_EQ(found, made);
        EXPECT_NE(std::find(screen->listed.begin(), screen->listed.end(), made), screen->listed.end());
    }
    EXPECT_FALSE(made->IsLoaded());
}

TEST_F(TextureTest, DevilDecodesAJpegAsOpaque)
{
    std::vector<uint8_t> rgb(32 * 16 * 3);
    for (size_t i = 0; i < rgb.size(); i += 3)
        rgb[i] = 200, rgb[i + 1] = 100, rgb[i + 2] = 50;
    ILuint image = 0;
    ilInit();
    ilGenImages(1, &image);
    ilBindImage(image);
    ASSERT_TRUE(ilTexImage(32, 16, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, rgb.data()));
    ilEnable(IL_FILE_OVERWRITE);
    ASSERT_TRUE(ilSave(IL_JPG, (m_dir + "/photo.jpg").c_str()));
    ilDeleteImages(1, &image);

    ZTexture* texture = LoadNow("tex:photo.jpg", kTextureKeepPixels);
    ASSERT_TRUE(texture->IsLoaded());
    EXPECT_TRUE(texture->IsOpaque());
    EXPECT_EQ(texture->GetTextureWidth(), 32) << "no padding unless the device asks for it";
    const uint8_t* p = texture->GetPixels() + (5 * 32 + 7) * 4;
    EXPECT_NEAR(p[0], 200, 6);
    EXPECT_NEAR(p[1], 100, 6);
    EXPECT_NEAR(p[2], 50, 6);
    EXPECT_EQ(p[3], 255);
    EXPECT_EQ(texture->GetAlphaAt(0.0f, 0.0f), -1) << "opaque images have no alpha to pick by";
}

TEST_F(TextureTest, OpenJpegDecodesJp2AheadOfDevil)
{
    const std::vector<uint8_t> pixels = Pattern(8, 4, false);
    ASSERT_TRUE(WriteJp2(m_dir + "/art.jp2", 8, 4, pixels));
    ZTextureLoaderOpenJpeg jpeg;
    EXPECT_TRUE(jpeg.CanLoad("jp2"));
    EXPECT_TRUE(jpeg.CanLoad("j2k"));
    EXPECT_FALSE(jpeg.CanLoad("JP2")) << "extensions compare exactly";
    EXPECT_FALSE(jpeg.CanLoad("png"));

    // The decoder the manager hands each kind of file to: OpenJPEG for JPEG 2000, whether or not
    // DevIL could read it too, and DevIL for the rest.
    EXPECT_NE(dynamic_cast<ZTextureLoaderOpenJpeg*>(manager->FindTextureLoader("jp2")), nullptr);
    EXPECT_NE(dynamic_cast<ZTextureLoaderOpenJpeg*>(manager->FindTextureLoader("j2k")), nullptr);
    EXPECT_NE(dynamic_cast<ZTextureLoaderDevil*>(manager->FindTextureLoader("png")), nullptr);
    ZTexture* texture = LoadNow("tex:art.jp2", kTextureKeepPixels);
    ASSERT_TRUE(texture->IsLoaded());
    EXPECT_EQ(texture->GetImageWidth(), 8);
    EXPECT_EQ(texture->GetPixelFormat(), kPixelRGBA);
    EXPECT_TRUE(texture->IsOpaque());
    EXPECT_EQ(std::memcmp(texture->GetPixels(), pixels.data(), pixels.size()), 0) << "lossless: exact pixels";
}

TEST_F(TextureTest, BrokenFilesDoNotLoad)
{
    std::ofstream(m_dir + "/broken.png") << "not an image";
    std::ofstream(m_dir + "/broken.jp2") << "\xff\x4f\xff\x51 not a code stream";
    EXPECT_FALSE(LoadNow("tex:broken.png")->IsLoaded());
    EXPECT_FALSE(LoadNow("tex:broken.jp2")->IsLoaded());
    EXPECT_FALSE(render.HasQueuedUploads());
}

TEST_F(TextureTest, AlphaTextureIsMergedIntoTheColourTexture)
{
    SavePng("colour.png", 4, 4, Pattern(4, 4, false));
    std::vector<uint8_t> grey(4 * 4 * 4);
    for (size_t i = 0; i < grey.size(); i += 4)
        grey[i] = grey[i + 1] = grey[i + 2] = uint8_t(i * 3), grey[i + 3] = 255;
    SavePng("mask.png", 4, 4, grey);
    SavePng("small.png", 2, 2, Pattern(2, 2, false));

    ZTexture* colour = LoadNow("tex:colour.png", kTextureKeepPixels);
    ZTexture* mask = LoadNow("tex:mask.png", kTextureKeepPixels);
    colour->SetAlphaTexture(mask);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(colour->GetPixels()[i * 4 + 3], uint8_t(i * 4 * 3)) << "pixel " << i;
    EXPECT_FALSE(colour->IsOpaque());
    EXPECT_EQ(colour->GetAlphaAt(-1.5f, 1.5f), 0) << "top-left pixel";

    ZTexture* small = LoadNow("tex:small.png", kTextureKeepPixels);
    EXPECT_EQ(colour->MergeAlphaTexture(small), 1) << "a smaller alpha image is refused, not over-read";

    // Once resident the merged alpha reaches the device copy.
    render.FlushUploadQueue();
    ASSERT_GE(colour->GetRenderTextureId(), 0);
    const auto& device = render.textures.at(colour->GetRenderTextureId());
    EXPECT_EQ(device.pixels[5 * 4 + 3], uint8_t(5 * 4 * 3));
}

TEST_F(TextureTest, AlphaAtMeasuresFromTheCentre)
{
    SavePng("alpha.png", 4, 2, Pattern(4, 2, true));
    ZTexture* texture = LoadNow("tex:alpha.png", kTextureKeepPixels);
    ASSERT_TRUE(texture->IsLoaded());
    EXPECT_EQ(texture->GetAlphaAt(2.0f, 0.0f), 0) << "the exact half-width lies outside";
    EXPECT_EQ(texture->GetAlphaAt(-2.0f, 0.5f), 0);
    // (0.5, 0.5): row 2/2 - 0.5 -> 0, column 2 + 0.5 -> 2.
    EXPECT_EQ(texture->GetAlphaAt(0.5f, 0.5f), 255 - 2 * 2);
    EXPECT_EQ(texture->GetAlphaAt(-1.5f, -0.5f), 255);
}

TEST_F(TextureTest, AlphaOnlyTexturesAreDecodedButNeverUploaded)
{
    SavePng("pick.png", 4, 2, Pattern(4, 2, true));
    ZTexture* texture = LoadNow("tex:pick.png", kTextureAlphaOnly);
    ASSERT_TRUE(texture->IsLoaded());
    EXPECT_FALSE(render.HasQueuedUploads());
    EXPECT_EQ(texture->RequestUpload(true), 0);
    EXPECT_EQ(texture->GetRenderTextureId(), -1);
    EXPECT_EQ(texture->GetAlphaAt(0.5f, 0.5f), 255 - 2 * 2) << "its alpha stays for picking";
}

TEST_F(TextureTest, AfterUploadKeepsOnlyWhatTheFlagsAsk)
{
    SavePng("keep.png", 4, 2, Pattern(4, 2, true));
    ZTexture* texture = LoadNow("tex:keep.png", kTextureKeepAlpha);
    render.FlushUploadQueue();
    ASSERT_TRUE(texture->GetTextureFlags() & kTextureAlphaMap);
    EXPECT_EQ(texture->GetBytesPerPixel(), 1);
    EXPECT_EQ(texture->GetAlphaAt(0.5f, 0.5f), 255 - 2 * 2) << "the alpha map answers picking";

    SavePng("drop.png", 4, 2, Pattern(4, 2, true));
    ZTexture* dropped = LoadNow("tex:drop.png");
    render.FlushUploadQueue();
    EXPECT_EQ(dropped->GetPixels(), nullptr);
    EXPECT_FALSE(dropped->GetTextureFlags() & kTexturePixels);
}

TEST_F(TextureTest, ConvertingGreyGivesOpaqueBgra)
{
    ZTexture texture;
    auto* grey = static_cast<uint8_t*>(std::malloc(2));
    grey[0] = 10, grey[1] = 250;
    texture.StoreImage(grey, kPixelGrey, 2, 1, 2, 1, true);
    ASSERT_EQ(texture.ConvertPixelFormat(kPixelBGRA), 0);
    const uint8_t expected[] = {10, 10, 10, 255, 250, 250, 250, 255};
    EXPECT_EQ(std::memcmp(texture.GetPixels(), expected, 8), 0);
    EXPECT_EQ(texture.ConvertPixelFormat(kPixelGrey), 1) << "an unsupported pair changes nothing";
    EXPECT_EQ(texture.GetPixelFormat(), kPixelBGRA);
}

TEST_F(TextureTest, AnimatedTextureFrames)
{
    SavePng("sheet.png", 256, 128, Pattern(256, 128, false));
    ZAnimTexture* sheet = ZAnimTexture::Load("tex:sheet.png", 64, 64, -1, kTextureLoadNow);
    manager->WaitForPendingLoads();
    manager->ProcessFinished();
    ASSERT_TRUE(sheet->IsLoaded());
    EXPECT_EQ(sheet->GetFrameCount(), 8);
    const _M44 frame5 = sheet->GetFrameMatrix(5);
    EXPECT_FLOAT_EQ(frame5.m[2][0], 64.0f / 256.0f);
    EXPECT_FLOAT_EQ(frame5.m[2][1], 64.0f / 128.0f);
    EXPECT_FLOAT_EQ(frame5.m[0][0], 0.25f);
    EXPECT_FLOAT_EQ(frame5.m[1][1], 0.5f);

    ZAnimTexture* six = ZAnimTexture::Load("tex:sheet.png", 64, 64, 6, kTextureLoadLater);
    EXPECT_FALSE(six->IsLoaded()) << "mode 2 does not load";
    EXPECT_NE(six, sheet) << "always a new object";
    EXPECT_EQ(six->GetFrameCount(), 6);

    ZAnimTexture* partial = ZAnimTexture::Load("tex:sheet.png", 100, 64, -1, kTextureLoadNow);
    manager->WaitForPendingLoads();
    manager->ProcessFinished();
    EXPECT_EQ(partial->GetFrameCount(), 4) << "the partial column is ignored";
    EXPECT_EQ(ZAnimTexture::Load("tex:sheet.png", 0, 64, -1, kTextureLoadLater), nullptr);
}

namespace
{
// Collects what a save writes as text lines.
class TextVisitor : public ISaveVisitor
{
public:
    void Attribute(const char* name, const char* value) override
    {
        lines.push_back(std::string(name) + "=" + value);
    }
    void BeginElement(const char* property, const char* element) override
    {
        lines.push_back(std::string("<") + property + ":" + element);
    }
    void CloseStartTag() override {}
    void EndElement(const char* property, const char*) override
    {
        lines.push_back(std::string("</") + property);
    }
    std::vector<std::string> lines;
};

bool Set(ZTexture* texture, const char* key, const char* value)
{
    return texture->SetProperty(ZNameId(key).Value(), key, value);
}
} // namespace

TEST_F(TextureTest, ScenePropertiesAndWritingOut)
{
    ZTexture texture;
    EXPECT_TRUE(Set(&texture, "path", "resources:gem.png"));
    EXPECT_TRUE(Set(&texture, "noatlas", "1"));
    EXPECT_TRUE(Set(&texture, "flags", "2049"));
    EXPECT_FALSE(Set(&texture, "framewidth", "4")) << "frames belong to animated textures";
    EXPECT_EQ(texture.GetPath().GetName(), "resources:gem.png");
    EXPECT_TRUE(texture.GetTextureFlags() & kTextureNoAtlas);
    EXPECT_TRUE(texture.TestFlags(kResourceDataReady));
    EXPECT_TRUE(texture.TestFlags(kResourceAsync)) << "the manager's own bits are not taken from files";
    EXPECT_FALSE(texture.TestFlags(kResourceLoaded));

    TextVisitor visitor;
    texture.SaveAttributes(&visitor);
    texture.SaveChildren(&visitor);
    ASSERT_EQ(visitor.lines.size(), 2u) << "no atlas, no alpha texture: no child elements";
    EXPECT_EQ(visitor.lines[0], "path=resources:gem.png");
    EXPECT_EQ(visitor.lines[1], "flags=" + std::to_string(texture.GetFlags()));

    ZAnimTexture sheet;
    EXPECT_TRUE(sheet.SetProperty(ZNameId("framewidth").Value(), "framewidth", "32"));
    EXPECT_TRUE(sheet.SetProperty(ZNameId("frameheight").Value(), "frameheight", "0"));
    EXPECT_TRUE(sheet.SetProperty(ZNameId("frames").Value(), "frames", "3"));
    EXPECT_EQ(sheet.GetFrameWidth(), 32);
    EXPECT_EQ(sheet.GetFrameHeight(), 0) << "a frame height of 0 is refused";
    EXPECT_EQ(sheet.GetFrameCount(), 3);
}

TEST_F(TextureTest, AtlasPagesWriteTheirTextures)
{
    auto* pixels = static_cast<uint8_t*>(std::calloc(8 * 8 * 4, 1));
    ZTexture* texture = new ZTexture();
    texture->SetPath("resources:small.png");
    texture->StoreImage(pixels, kPixelRGBA, 8, 8, 8, 8, true);
    ASSERT_EQ(render.PlaceInAtlas(texture), 0);
    TextVisitor visitor;
    texture->GetAtlasPage()->SaveAttributes(&visitor);
    texture->GetAtlasPage()->SaveChildren(&visitor);
    const std::vector<std::string> expected{"contextid=65535", "width=512", "height=512", "<texture:texture",
                                            "path=resources:small.png"};
    ASSERT_GE(visitor.lines.size(), expected.size() + 2);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(visitor.lines[i], expected[i]);
    EXPECT_EQ(visitor.lines[6], "<atlastransform:m44") << "a texture in a page writes its place";

    ZTextureAtlas* page = ZTextureAtlas::Create();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->SetProperty(ZNameId("width").Value(), "width", "256"));
    EXPECT_TRUE(page->SetProperty(ZNameId("height").Value(), "height", "99999"));
    EXPECT_TRUE(page->SetProperty(ZNameId("contextid").Value(), "contextid", "7"));
    EXPECT_EQ(page->GetWidth(), 256);
    EXPECT_EQ(page->GetHeight(), 0) << "a side no device texture can have is refused";
    EXPECT_EQ(page->GetContext(), 7u);
    delete texture;
}
