#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/RecordingRender.h"

using test::RecordingRender;

namespace
{
ZTexture* Pixels(const char* name, uint16_t flags = 0)
{
    auto* texture = new ZTexture();
    texture->SetName(name);
    texture->StoreImage(static_cast<uint8_t*>(std::calloc(16, 1)), kPixelRGBA, 2, 2, 2, 2, true);
    texture->AddTextureFlags(flags);
    texture->SetFlags(kResourceLoaded);
    return texture;
}

std::vector<std::string> Uploads()
{
    std::vector<std::string> names;
    for (const std::string& line : test::Log())
    {
        if (line.rfind("resident ", 0) == 0)
            names.push_back(line.substr(9));
    }
    return names;
}

class UploadQueueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::Log().clear();
        for (int i = 0; i < 5; ++i)
            textures.push_back(Pixels(names[i]));
    }
    void TearDown() override
    {
        for (ZTexture* texture : textures)
            delete texture;
    }
    const char* names[5] = {"t0", "t1", "t2", "t3", "t4"};
    std::vector<ZTexture*> textures;
    RecordingRender render;
};
} // namespace

TEST_F(UploadQueueTest, FirstInFirstOutAndOnePerCallWithoutBudget)
{
    for (ZTexture* texture : textures)
        ASSERT_EQ(texture->RequestUpload(false), 0);
    EXPECT_EQ(render.GetQueuedUploadCount(), 5u);
    render.UploadOneQueued();
    render.UploadOneQueued();
    EXPECT_EQ(Uploads(), (std::vector<std::string>{"t0", "t1"}));
    EXPECT_EQ(render.GetQueuedUploadCount(), 3u);
    render.FlushUploadQueue();
    EXPECT_EQ(Uploads(), (std::vector<std::string>{"t0", "t1", "t2", "t3", "t4"}));
    EXPECT_FALSE(render.HasQueuedUploads());
}

TEST_F(UploadQueueTest, AFrameStopsOnceItsBudgetIsSpent)
{
    for (ZTexture* texture : textures)
        texture->RequestUpload(false);
    // Each upload takes 10 ms; the budget is 0.15 / 6 s = 25 ms: the third upload crosses it.
    render.ticksPerUpload = 10;
    render.SetTicks(995);
    EXPECT_EQ(render.ProcessUploadQueue(0.15f / 6.0f), 3u);
    EXPECT_EQ(render.GetQueuedUploadCount(), 2u);
    EXPECT_EQ(render.ProcessUploadQueue(0.15f / 6.0f), 2u) << "the next frame takes the rest";
    EXPECT_EQ(render.ProcessUploadQueue(1.0f), 0u) << "an empty queue takes nothing";
}

TEST_F(UploadQueueTest, NowMakesResidentAtOnce)
{
    EXPECT_EQ(textures[0]->RequestUpload(true), 0);
    EXPECT_EQ(Uploads(), std::vector<std::string>{"t0"});
    EXPECT_FALSE(render.HasQueuedUploads());
    EXPECT_GE(textures[0]->GetRenderTextureId(), 0);
}

TEST_F(UploadQueueTest, TexturesThatNeverGoToTheDeviceAreNotQueued)
{
    ZTexture* alphaOnly = Pixels("alpha", kTextureAlphaOnly);
    ZTexture* kindFlag = Pixels("kind");
    kindFlag->SetFlags(kResourceDataReady);
    EXPECT_EQ(render.RequestTextureUpload(alphaOnly, false), 0);
    EXPECT_EQ(render.RequestTextureUpload(alphaOnly, true), 0);
    EXPECT_EQ(render.RequestTextureUpload(kindFlag, true), 0);
    EXPECT_FALSE(render.HasQueuedUploads());
    EXPECT_TRUE(Uploads().empty());
    delete alphaOnly;
    delete kindFlag;
}

TEST_F(UploadQueueTest, ARefusedUploadIsDroppedWithoutItsAlphaStep)
{
    ZTexture* mask = Pixels("mask");
    textures[0]->SetAlphaTexture(mask);
    textures[0]->RequestUpload(false);
    render.refuseResident = true;
    EXPECT_EQ(render.ProcessUploadQueue(0.0f), 1u);
    EXPECT_FALSE(render.HasQueuedUploads()) << "not queued again";
    EXPECT_EQ(textures[0]->GetRenderTextureId(), -1);
    EXPECT_TRUE(render.textures.empty()) << "no device texture was locked or written";
    textures[0]->SetAlphaTexture(nullptr);
    delete mask;
}

TEST_F(UploadQueueTest, ATextureDestroyedWhileQueuedLeavesTheQueue)
{
    textures[1]->RequestUpload(false);
    textures[2]->RequestUpload(false);
    delete textures[1];
    textures.erase(textures.begin() + 1);
    render.FlushUploadQueue();
    EXPECT_EQ(Uploads(), std::vector<std::string>{"t2"});
}
