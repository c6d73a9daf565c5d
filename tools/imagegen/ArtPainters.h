#pragma once
// What the picture generators of Art*.cpp share: the painting helpers (ArtPainters.cpp) and each
// family's generators, which Art.cpp dispatches to by name.
#include <functional>
#include <string>

#include "tools/common/Canvas.h"
#include "tools/common/ToolOptions.h"

namespace qvtool
{

constexpr float kPi = 3.14159265358979f;

// A signed distance-like field: positive inside the shape.
using Field = std::function<float(float, float)>;

float Clamp01(float v);
// The colour option `key`, or the fallback when it is absent or malformed.
Colour ColourOption(const ToolOptions& options, const std::string& key, const Colour& fallback);
// A glossy, softly lit body: dark rim, dome shading lit from the top left, specular spot. size is
// the body's rough radius in pixels (for the shading falloff).
void GlossyBody(Canvas& canvas, const Field& shape, const Colour& base, float cx, float cy, float size,
                float rim = 1.6f);
// Cartoon eyes: white, pupils looking in a direction; closed in a blink; happy arcs when good.
void Eyes(Canvas& canvas, float cx, float cy, float spacing, float r, const std::string& look,
          const std::string& mood);
void Mouth(Canvas& canvas, float cx, float cy, float w, const std::string& mood);

// ArtTokens.cpp: the board's pieces.
bool DrawCreature(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawTreasure(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawTile(const ToolOptions& o, Canvas& canvas, std::string& error);
void DrawMedal(const ToolOptions& o, Canvas& canvas);

// ArtScenery.cpp: backdrops and light.
void DrawSea(const ToolOptions& o, Canvas& canvas);
bool DrawCaustics(const ToolOptions& o, Canvas& canvas, std::string& error);
void DrawBeams(const ToolOptions& o, Canvas& canvas);
// Mid-distance scenery for the theme backgrounds, in the hazy colour of that depth.
void DrawProps(const std::string& props, Canvas& canvas, const Colour& colour, const Colour& glow, float groundY,
               Random& rng);

// ArtInterface.cpp: interface art, frame strips and ability medallions.
void DrawButton(const ToolOptions& o, Canvas& canvas);
void DrawPanel(const ToolOptions& o, Canvas& canvas);
bool DrawPointer(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawParticle(const ToolOptions& o, Canvas& canvas, std::string& error);
void DrawBar(const ToolOptions& o, Canvas& canvas);
void DrawEmblem(const ToolOptions& o, Canvas& canvas);
bool DrawIcon(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawSpinner(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawBubbleAnimation(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawTurnSheet(const ToolOptions& o, Canvas& canvas, std::string& error);
bool DrawPower(const ToolOptions& o, Canvas& canvas, std::string& error);

// ArtCrew.cpp: the crew's portraits.
bool DrawPortrait(const ToolOptions& o, Canvas& canvas, std::string& error);

} // namespace qvtool
