#include "tools/common/Canvas.h"

#include <algorithm>
#include <cmath>

namespace qvtool
{

namespace
{
float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
const float kPi = 3.14159265358979f;
} // namespace

Colour Mix(const Colour& a, const Colour& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour WithAlpha(Colour c, float a)
{
    c.a = a;
    return c;
}

Colour Scale(Colour c, float k)
{
    c.r = Clamp01(c.r * k);
    c.g = Clamp01(c.g * k);
    c.b = Clamp01(c.b * k);
    return c;
}

Colour FromHsv(float hue, float sat, float val, float alpha)
{
    hue = hue - std::floor(hue);
    float h = hue * 6.0f;
    int i = static_cast<int>(h) % 6;
    float f = h - std::floor(h);
    float p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
    switch (i)
    {
    case 0:
        return {val, t, p, alpha};
    case 1:
        return {q, val, p, alpha};
    case 2:
        return {p, val, t, alpha};
    case 3:
        return {p, q, val, alpha};
    case 4:
        return {t, p, val, alpha};
    default:
        return {val, p, q, alpha};
    }
}

namespace sdf
{

float Circle(float x, float y, float cx, float cy, float r)
{
    return std::hypot(x - cx, y - cy) - r;
}

float Ellipse(float x, float y, float cx, float cy, float rx, float ry)
{
    // Scaled-circle approximation corrected by the gradient length: good near the edge,
    // which is all the painter needs.
    float px = (x - cx) / rx, py = (y - cy) / ry;
    float k = std::hypot(px, py);
    float gx = px / rx, gy = py / ry;
    float g = std::hypot(gx, gy);
    if (g < 1e-6f)
        return -std::min(rx, ry);
    return (k - 1.0f) * k / g;
}

float RoundBox(float x, float y, float cx, float cy, float hw, float hh, float radius)
{
    float qx = std::fabs(x - cx) - (hw - radius);
    float qy = std::fabs(y - cy) - (hh - radius);
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float Capsule(float x, float y, float ax, float ay, float bx, float by, float r)
{
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float len = bax * bax + bay * bay;
    float h = len > 0 ? Clamp01((pax * bax + pay * bay) / len) : 0.0f;
    return std::hypot(pax - bax * h, pay - bay * h) - r;
}

float Polygon(float x, float y, const std::vector<float>& pts)
{
    size_t n = pts.size() / 2;
    if (n < 3)
        return 1e9f;
    float d = 1e30f;
    float s = 1.0f;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i)
    {
        float vix = pts[i * 2], viy = pts[i * 2 + 1], vjx = pts[j * 2], vjy = pts[j * 2 + 1];
        float ex = vjx - vix, ey = vjy - viy, wx = x - vix, wy = y - viy;
        float len = ex * ex + ey * ey;
        float h = len > 0 ? Clamp01((wx * ex + wy * ey) / len) : 0.0f;
        float bx = wx - ex * h, by = wy - ey * h;
        d = std::min(d, bx * bx + by * by);
        bool c1 = y >= viy, c2 = y<vjy, c3 = ex * wy> ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            s = -s;
    }
    return s * std::sqrt(d);
}

float Star(float x, float y, float cx, float cy, int n, float r1, float r2, float a0)
{
    std::vector<float> pts;
    for (int i = 0; i < n * 2; ++i)
    {
        float a = a0 + kPi * i / n;
        float r = (i % 2 == 0) ? r1 : r2;
        pts.push_back(cx + std::cos(a) * r);
        pts.push_back(cy + std::sin(a) * r);
    }
    return Polygon(x, y, pts);
}

float Union(float a, float b)
{
    return std::min(a, b);
}

float Subtract(float a, float b)
{
    return std::max(a, -b);
}

float Intersect(float a, float b)
{
    return std::max(a, b);
}

float Smooth(float a, float b, float k)
{
    float h = Clamp01(0.5f + 0.5f * (b - a) / k);
    return b + (a - b) * h - k * h * (1.0f - h);
}

} // namespace sdf

namespace
{
float Lattice(int x, int y, unsigned seed)
{
    unsigned h =
        static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777215.0f;
}
} // namespace

float Noise(float x, float y, unsigned seed)
{
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = x - xi, fy = y - yi;
    float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
    float a = Lattice(xi, yi, seed), b = Lattice(xi + 1, yi, seed);
    float c = Lattice(xi, yi + 1, seed), d = Lattice(xi + 1, yi + 1, seed);
    return (a + (b - a) * ux) + ((c + (d - c) * ux) - (a + (b - a) * ux)) * uy;
}

float Fbm(float x, float y, unsigned seed, int octaves)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i)
    {
        sum += Noise(x, y, seed + i * 101u) * amp;
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}

unsigned Random::Next()
{
    unsigned old = state_;
    state_ = old * 747796405u + 2891336453u;
    unsigned word = ((old >> ((old >> 28u) + 4u)) ^ old) * 277803737u;
    return (word >> 22u) ^ word;
}

float Random::Uniform()
{
    return static_cast<float>(Next() >> 8) / 16777216.0f;
}

float Random::Range(float a, float b)
{
    return a + (b - a) * Uniform();
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), data_(size_t(width) * height * 4, 0.0f)
{
}

void Canvas::Clear(const Colour& c)
{
    for (size_t i = 0; i < data_.size(); i += 4)
    {
        data_[i] = c.r * c.a;
        data_[i + 1] = c.g * c.a;
        data_[i + 2] = c.b * c.a;
        data_[i + 3] = c.a;
    }
}

void Canvas::Fill(const std::function<float(float, float)>& distance,
                  const std::function<Colour(float, float)>& colour, float softness)
{
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            float d = distance(px, py);
            float cover = Clamp01(0.5f - d / softness);
            if (cover <= 0.0f)
                continue;
            Colour c = colour(px, py);
            float a = Clamp01(c.a) * cover;
            float* p = &data_[(size_t(y) * width_ + x) * 4];
            p[0] = c.r * a + p[0] * (1 - a);
            p[1] = c.g * a + p[1] * (1 - a);
            p[2] = c.b * a + p[2] * (1 - a);
            p[3] = a + p[3] * (1 - a);
        }
}

void Canvas::Fill(const std::function<float(float, float)>& distance, const Colour& colour, float softness)
{
    Fill(
        distance, [&](float, float) { return colour; }, softness);
}

void Canvas::Shade(const std::function<Colour(float, float)>& colour)
{
    Fill([](float, float) { return -1e9f; }, colour);
}

void Canvas::AddLight(const std::function<Colour(float, float)>& colour)
{
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
        {
            Colour c = colour(x + 0.5f, y + 0.5f);
            float* p = &data_[(size_t(y) * width_ + x) * 4];
            float k = c.a * p[3];
            p[0] = std::min(p[3], p[0] + c.r * k);
            p[1] = std::min(p[3], p[1] + c.g * k);
            p[2] = std::min(p[3], p[2] + c.b * k);
        }
}

void Canvas::Composite(const Canvas& layer, float opacity)
{
    int w = std::min(width_, layer.width_), h = std::min(height_, layer.height_);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const float* s = &layer.data_[(size_t(y) * layer.width_ + x) * 4];
            float* p = &data_[(size_t(y) * width_ + x) * 4];
            float a = s[3] * opacity;
            for (int c = 0; c < 3; ++c)
                p[c] = s[c] * opacity + p[c] * (1 - a);
            p[3] = a + p[3] * (1 - a);
        }
}

void Canvas::Blur(int radius)
{
    if (radius <= 0)
        return;
    std::vector<float> tmp(data_.size());
    for (int pass = 0; pass < 3; ++pass)
    {
        for (int axis = 0; axis < 2; ++axis)
        {
            int len = axis == 0 ? width_ : height_;
            int lines = axis == 0 ? height_ : width_;
            for (int line = 0; line < lines; ++line)
                for (int c = 0; c < 4; ++c)
                {
                    auto at = [&](int i) -> float
                    {
                        i = std::clamp(i, 0, len - 1);
                        int x = axis == 0 ? i : line, y = axis == 0 ? line : i;
                        return data_[(size_t(y) * width_ + x) * 4 + c];
                    };
                    float sum = 0;
                    for (int i = -radius; i <= radius; ++i)
                        sum += at(i);
                    for (int i = 0; i < len; ++i)
                    {
                        int x = axis == 0 ? i : line, y = axis == 0 ? line : i;
                        tmp[(size_t(y) * width_ + x) * 4 + c] = sum / (2 * radius + 1);
                        sum += at(i + radius + 1) - at(i - radius);
                    }
                }
            data_.swap(tmp);
        }
    }
}

void Canvas::DropShadow(const Canvas& layer, int dx, int dy, int blur, const Colour& colour)
{
    Canvas shadow(width_, height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
        {
            int sx = x - dx, sy = y - dy;
            if (sx < 0 || sy < 0 || sx >= layer.width_ || sy >= layer.height_)
                continue;
            float a = layer.data_[(size_t(sy) * layer.width_ + sx) * 4 + 3] * colour.a;
            shadow.Set(x, y, {colour.r * a, colour.g * a, colour.b * a, a});
        }
    shadow.Blur(blur);
    Composite(shadow);
}

Colour Canvas::Sample(float x, float y) const
{
    x -= 0.5f;
    y -= 0.5f;
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    Colour result{0, 0, 0, 0};
    for (int dy = 0; dy <= 1; ++dy)
        for (int dx = 0; dx <= 1; ++dx)
        {
            int px = x0 + dx, py = y0 + dy;
            if (px < 0 || py < 0 || px >= width_ || py >= height_)
                continue;
            float w = (dx ? fx : 1 - fx) * (dy ? fy : 1 - fy);
            const float* p = &data_[(size_t(py) * width_ + px) * 4];
            result.r += p[0] * w;
            result.g += p[1] * w;
            result.b += p[2] * w;
            result.a += p[3] * w;
        }
    return result;
}

void Canvas::DrawRotated(const Canvas& source, float cx, float cy, float angle, float scale, int clipX,
                         int clipY, int clipW, int clipH)
{
    const float c = std::cos(angle), s = std::sin(angle);
    const float scx = source.width_ * 0.5f, scy = source.height_ * 0.5f;
    for (int y = std::max(0, clipY); y < std::min(height_, clipY + clipH); ++y)
        for (int x = std::max(0, clipX); x < std::min(width_, clipX + clipW); ++x)
        {
            // Map back into the source: undo the translation, rotation and scale.
            float dx = (x + 0.5f - cx) / scale, dy = (y + 0.5f - cy) / scale;
            float sx = c * dx + s * dy + scx, sy = -s * dx + c * dy + scy;
            Colour src = source.Sample(sx, sy);
            float* p = &data_[(size_t(y) * width_ + x) * 4];
            p[0] = src.r + p[0] * (1 - src.a);
            p[1] = src.g + p[1] * (1 - src.a);
            p[2] = src.b + p[2] * (1 - src.a);
            p[3] = src.a + p[3] * (1 - src.a);
        }
}

Colour Canvas::Get(int x, int y) const
{
    const float* p = &data_[(size_t(y) * width_ + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Canvas::Set(int x, int y, const Colour& c)
{
    float* p = &data_[(size_t(y) * width_ + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

Rgba8Image Canvas::ToImage() const
{
    Rgba8Image image;
    image.width = width_;
    image.height = height_;
    const size_t count = size_t(width_) * height_;
    image.pixels.assign(count * 4, 0);
    std::vector<uint8_t> known(count, 0);
    for (size_t i = 0; i < count; ++i)
    {
        const float* p = &data_[i * 4];
        float a = Clamp01(p[3]);
        uint8_t a8 = static_cast<uint8_t>(std::lround(a * 255.0f));
        image.pixels[i * 4 + 3] = a8;
        if (a8 == 0)
            continue;
        for (int c = 0; c < 3; ++c)
            image.pixels[i * 4 + c] = static_cast<uint8_t>(std::lround(Clamp01(p[c] / a) * 255.0f));
        known[i] = 1;
    }
    // Fully transparent pixels take the colour of their visible neighbours (a few rings out),
    // so that filtering at the edge of a sprite blends toward its own colour, not black.
    for (int ring = 0; ring < 4; ++ring)
    {
        std::vector<uint8_t> next = known;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
            {
                size_t i = size_t(y) * width_ + x;
                if (known[i])
                    continue;
                int sum[3] = {0, 0, 0}, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                    {
                        int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_)
                            continue;
                        size_t j = size_t(ny) * width_ + nx;
                        if (!known[j])
                            continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += image.pixels[j * 4 + c];
                        ++n;
                    }
                if (n == 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    image.pixels[i * 4 + c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
                next[i] = 1;
            }
        known.swap(next);
    }
    return image;
}

} // namespace qvtool
