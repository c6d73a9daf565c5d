// A paused (or minimised) game: the window and its back end made and a frame shown, the audio
// output open and paused as the engine pauses it, and then the engine's paused loop, which blocks
// on the message queue 100 ms at a time. Reports the whole process's processor time as a share of
// one core over three seconds, with the load average. Arg 0: the Direct3D 7 back end on the
// software display, 1: OpenGL. Needs a display (xvfb-run).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "FrameStats.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/platform/ZPlatformMessage.h"
#include "engine/platform/ZPlatformWindow.h"
#include "engine/render/ZView.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZCamera.h"

namespace
{
void BM_PausedGame(benchmark::State& state)
{
    const bool gl = state.range(0) != 0;
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((driver && std::string(driver) == "dummy") || !plat::HasDisplay() || plat::InitVideo() != 0)
    {
        state.SkipWithError("no display");
        return;
    }
    ZMaterial::InitPool();
    auto* library = new ZShaderLibrary();
    if (gl)
        library->AddShaderCode(new ZRenderOpenGLShaderFFPSprite());
    {
        ZPlatformWindow window;
        ZRenderBase* render = nullptr;
        if (window.Create("Quorvane paused bench", 800, 600, true, gl ? ZPlatformWindow::kOpenGL : 0) == 0)
        {
            render = gl ? static_cast<ZRenderBase*>(new ZRenderOpenGL()) : new ZRenderD3D7();
            render->SetResourceManager(ZResourceManager::GetInstance());
            if (render->Init(800, 600, true, &window) != 0)
            {
                delete render;
                render = nullptr;
            }
        }
        if (!render)
            state.SkipWithError("no window or back end");
        else
        {
            window.Show();
            ZGroup* root = ZGroup::Create();
            ZCamera* camera = ZCamera::Create("pausedcam", root, false, true);
            ZView::Create(V4{0.0f, 0.0f, 1.0f, 1.0f}, 1.0f)->AddCamera(camera);
            render->RenderFrame();
            ZAudioDirectSound audio;
            audio.Init();
            audio.PauseAll(true);
            for (auto _ : state)
            {
                const double loadBefore = benchframe::LoadAverage();
                const double cpuStart = benchframe::CpuMs(CLOCK_PROCESS_CPUTIME_ID);
                const auto start = std::chrono::steady_clock::now();
                const auto end = start + std::chrono::seconds(3);
                plat::Message message;
                // As the engine's pump does while paused.
                while (std::chrono::steady_clock::now() < end)
                    plat::WaitMessage(message, 100);
                const double wall =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                const double cpu = benchframe::CpuMs(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
                state.counters["core_pct"] = 100.0 * cpu / wall;
                state.counters["audio_paused"] =
                    audio.GetDevice() && audio.GetDevice()->IsOutputPaused() ? 1.0 : 0.0;
                state.counters["load1"] = std::max(loadBefore, benchframe::LoadAverage());
            }
            audio.PauseAll(false);
            delete camera;
            delete root;
            render->PrepareRelease();
            delete render;
        }
        window.Destroy();
    }
    delete library;
    ZResourceManager::DestroyInstance();
    plat::ClearMessages();
    plat::ShutdownVideo();
}
BENCHMARK(BM_PausedGame)->ArgName("opengl")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
