#pragma once
// The renderer's settings ("render.*"). They sit on the floor of the renderer's resources so the
// scene's cameras, which project to the logical screen, read the same keys the renderer scales.
#include "engine/core/ZProperty.h"

// Logical screen size in pixels, 640 to 4000 by 480 to 4000 (800 x 600): what cameras project to
// and 2D layouts are made for; the renderer scales it to the window or display.
extern ZPropertyInt g_renderWidth;
extern ZPropertyInt g_renderHeight;
// Size of the display mode or window actually in use, same ranges; the renderer writes them.
extern ZPropertyInt g_renderWidthActual;
extern ZPropertyInt g_renderHeightActual;
// Full screen on a wide display keeps the logical screen's aspect with bars (on) or stretches it.
extern ZPropertyBool g_renderWidescreen;
// Switching between window and full screen re-creates the device without a restart (on).
extern ZPropertyBool g_renderWindowHotswitch;
// Draws debug shapes (bounds, cameras) over the frame (off).
extern ZPropertyBool g_renderDebug;
// Full screen keeps the desktop's display mode and scales the logical screen up to it (on).
extern ZPropertyBool g_renderDesktopResolution;
// Scaling up to the desktop resolution filters linearly (on) or by nearest pixel.
extern ZPropertyBool g_renderSmoothScaling;
// Visual quality 0 to 1 (1): below 1 the game may leave out costly effects.
extern ZPropertyFloat g_renderQuality;
