// The renderer's settings; their meanings and ranges are in ZRenderSettings.h.
#include "engine/render/resources/ZRenderSettings.h"

namespace
{
constexpr uint32_t kNone = ZProperty::kNoGroup;
}

ZPropertyInt g_renderWidth("render.width", "Screen width", "Screen width", 0, kNone, 800, 4000, 640);
ZPropertyInt g_renderHeight("render.height", "Screen height", "Screen height", 0, kNone, 600, 4000, 480);
ZPropertyInt g_renderWidthActual("render.width.actual", "", "", 0, kNone, 800, 4000, 640);
ZPropertyInt g_renderHeightActual("render.height.actual", "", "", 0, kNone, 600, 4000, 480);
ZPropertyBool g_renderWidescreen("render.widescreen", "Widescreen mode",
                                 "Correct aspect ratio for widescreen screen mode", 2, kNone, true);
ZPropertyBool g_renderWindowHotswitch("render.window.hotswitch", "Live Window Mode Switch",
                                      "Live Window Mode Switch", 0, kNone, true);
ZPropertyBool g_renderDebug("render.debug", "Render Debug Graphics", "Render debug graphics", 0, kNone,
                            false);
ZPropertyBool g_renderDesktopResolution("render.desktopresolution", "Use Desktop Resolution",
                                        "Run game at desktop resolution and scale up", 0, kNone, true);
ZPropertyBool g_renderSmoothScaling("render.smoothscaling", "Use Smooth Upsampling",
                                    "Use linear texture filtering when scaling to desktop resolution", 0,
                                    kNone, true);
ZPropertyFloat g_renderQuality("render.quality", "Visual Quality", "Set the visual quality of the game", 2,
                               kNone, 1.0f, 1.0f, 0.0f);
