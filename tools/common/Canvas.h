#pragma once

#include <functional>
#include <vector>

#include "tools/common/ImageFile.h"

namespace qvtool
{

struct Colour
{
    float r = 0, g = 0, b = 0, a = 1;
};

Colour Mix(const Colour& a, const Colour& b, float t);
Colour WithAlpha(Colour c, float a);
Colour Scale(Colour c, float k); // scales the colour channels, keeps alpha
Colour FromHsv(float hue, float sat, float val, float alpha = 1.0f);

// Signed distances in pixels (negative inside). Shapes are built from these and painted
// with an anti-aliased edge of one pixel.
namespace sdf
{
float Circle(float x, float y, float cx, float cy, float r);
float Ellipse(float x, float y, float cx, float cy, float rx, float ry);
float RoundBox(float x, float y, float cx, float cy, float hw, float hh, float radius);
float Capsule(float x, float y, float ax, float ay, float bx, float by, float r);
// Closed polygon, points as x0, y0, x1, y1, ...
float Polygon(float x, float y, const std::vector<float>& points);
// Star with n points, outer radius r1 and inner radius r2, first point at angle a0.
float Star(float x, float y, float cx, float cy, int n, float r1, float r2, float a0);
float Union(float a, float b);
float Subtract(float a, float b);
float Intersect(float a, float b);
float Smooth(float a, float b, float k); // smooth union
} // namespace sdf

// Deterministic value noise in [0, 1] and a few octaves of it.
float Noise(float x, float y, unsigned seed);
float Fbm(float x, float y, unsigned seed, int octaves);
// Small deterministic generator for scattering details.
class Random
{
public:
    explicit Random(unsigned seed) : state_(seed * 747796405u + 2891336453u) {}
    unsigned Next();
    float Uniform(); // [0, 1)
    float Range(float a, float b);

private:
    unsigned state_;
};

// Floating-point RGBA canvas with premultiplied alpha. Pixel (x, y) covers [x, x+1) x [y, y+1),
// y downwards, so shape functions are sampled at pixel centres.
class Canvas
{
public:
    Canvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Clear(const Colour& colour);
    // Paints colour(x, y) over the canvas where the distance field is inside, with soft edges.
    void Fill(const std::function<float(float, float)>& distance,
              const std::function<Colour(float, float)>& colour, float softness = 1.0f);
    void Fill(const std::function<float(float, float)>& distance, const Colour& colour,
              float softness = 1.0f);
    // Paints a per-pixel colour (with its own alpha) over the whole canvas.
    void Shade(const std::function<Colour(float, float)>& colour);
    // Additive light: colour x alpha is added to the colour channels only.
    void AddLight(const std::function<Colour(float, float)>& colour);
    void Composite(const Canvas& layer, float opacity = 1.0f);
    // Box blur, three passes (close to Gaussian).
    void Blur(int radius);
    // Copies the layer's alpha channel shape as a shadow: offset, blurred, tinted.
    void DropShadow(const Canvas& layer, int dx, int dy, int blur, const Colour& colour);

    // Bilinear sample at a point (pixel centres at +0.5), premultiplied; outside is transparent.
    Colour Sample(float x, float y) const;
    // Draws the source, rotated by angle (radians, clockwise on screen as y runs down) and
    // scaled, centred at (cx, cy), over this canvas; only pixels inside the clip rectangle change.
    void DrawRotated(const Canvas& source, float cx, float cy, float angle, float scale, int clipX, int clipY,
                     int clipW, int clipH);

    Colour Get(int x, int y) const; // premultiplied
    void Set(int x, int y, const Colour& premultiplied);

    Rgba8Image ToImage() const;

private:
    int width_;
    int height_;
    std::vector<float> data_;
};

} // namespace qvtool
