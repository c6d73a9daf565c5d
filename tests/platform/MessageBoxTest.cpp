#include "PlatformTestSupport.h"
#include "engine/platform/ZMessageBox.h"

#include <gtest/gtest.h>

namespace
{
TEST(MessageBox, WithoutADisplayWritesToStderrAndAnswersNo)
{
    qvtest::ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    testing::internal::CaptureStderr();
    const auto answer = plat::ShowMessageBox(plat::MessageBoxKind::YesNo, "Resolution",
                                             "Your display is small. Start in full screen?");
    const auto stopAnswer = plat::ShowMessageBox(plat::MessageBoxKind::Stop, "Unrecoverable Error",
                                                 "The game ran out of memory.");
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, plat::MessageBoxAnswer::No);
    EXPECT_EQ(stopAnswer, plat::MessageBoxAnswer::Ok);
    EXPECT_EQ(text, "Resolution: Your display is small. Start in full screen?\n"
                    "Unrecoverable Error: The game ran out of memory.\n");
}

TEST(MessageBox, NoDisplayConnectionMeansNoDisplay)
{
    qvtest::ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    qvtest::ScopedEnv x11("DISPLAY", nullptr);
    qvtest::ScopedEnv wayland("WAYLAND_DISPLAY", "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(plat::ShowMessageBox(plat::MessageBoxKind::YesNo, "t", "q"), plat::MessageBoxAnswer::No);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "t: q\n");
}
} // namespace
