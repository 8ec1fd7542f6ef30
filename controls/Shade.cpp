#include "controls/Shade.h"

#include <algorithm>
#include <cmath>

namespace tamrel {

namespace {

// Small deterministic generator (xorshift32): the same parameters give the same face.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in lo..hi inclusive.
    int range(int lo, int hi) {
        return lo + static_cast<int>(next() % static_cast<std::uint32_t>(hi - lo + 1));
    }

private:
    std::uint32_t state_;
};

std::uint32_t seedFor(const ShadeParams& p, int width) {
    std::uint32_t h = 2166136261u; // FNV-1a over the parameters
    for (const std::uint32_t v :
         {std::uint32_t(p.style), std::uint32_t(p.granularity), std::uint32_t(p.highlight),
          std::uint32_t(p.colouring), std::uint32_t(p.base.rgb()), std::uint32_t(width)}) {
        h = (h ^ v) * 16777619u;
    }
    return h;
}

int lerp(int a, int b, int step, int steps) {
    return a + (b - a) * step / steps;
}

QRgb mix(QRgb a, QRgb b, int step, int steps) {
    return qRgb(lerp(qRed(a), qRed(b), step, steps), lerp(qGreen(a), qGreen(b), step, steps),
                lerp(qBlue(a), qBlue(b), step, steps));
}

// 1 in the middle of 0..1, falling off to 0 at both ends with a cubic shoulder.
double bump(double s) {
    return 1.0 - std::pow(std::abs(2.0 * s - 1.0), 3.0);
}

// The style's value for one pixel, as a fraction 0..1 of the usable index range.
double styleValue(ShadeStyle style, double u, double t, int x, int y, int width) {
    switch (style) {
    case ShadeStyle::Noise:
    case ShadeStyle::Metal:
        return 0.5;
    case ShadeStyle::Diagonal:
        return 1.0 - (u + t) / 2.0;
    case ShadeStyle::Vertical:
        return 1.0 - t;
    case ShadeStyle::Horizontal:
        return 1.0 - u;
    case ShadeStyle::HBump:
        return 0.25 + 0.6 * bump(t);
    case ShadeStyle::VBump:
        return 0.25 + 0.6 * bump(u);
    case ShadeStyle::SoftBump:
        return 0.2 + 0.45 * (bump(t) + bump(u));
    case ShadeStyle::HardBump: {
        const double steep = 1.0 - std::pow(std::abs(2.0 * t - 1.0), 8.0);
        // Bevel: a light band along the top and left edge, a dark one along the others.
        if (x < 2 || y < 2)
            return 0.95;
        if (x >= width - 2 || y >= kShadeHeight - 2)
            return 0.1;
        return 0.3 + 0.5 * steep;
    }
    }
    return 0.5;
}

} // namespace

ShadePalette shadePalette(const QColor& shadow, const QColor& face, const QColor& base) {
    ShadePalette pal{};
    for (int i = 0; i <= 128; ++i)
        pal[i] = mix(shadow.rgb(), face.rgb(), i, 128);
    for (int i = 129; i < 256; ++i)
        pal[i] = mix(face.rgb(), base.rgb(), i - 128, 127);
    return pal;
}

std::vector<std::uint8_t> shadePattern(const ShadeParams& params, int width) {
    width = std::max(width, 1);
    const int g = std::clamp(params.granularity, 0, 127);
    const int lo = g;
    const int hi = 255 - g;
    const auto style = static_cast<ShadeStyle>(std::clamp(params.style, 0, kShadeStyleCount - 1));
    Noise noise(seedFor(params, width));

    std::vector<double> value(static_cast<size_t>(width) * kShadeHeight);
    for (int y = 0; y < kShadeHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = width > 1 ? double(x) / (width - 1) : 0.0;
            const double t = double(y) / (kShadeHeight - 1);
            value[size_t(y) * width + x] = styleValue(style, u, t, x, y, width);
        }
    }
    if (style == ShadeStyle::Metal) {
        // A faint diagonal gradient with 200 streaks running down-right, each a little
        // lighter or darker than its surroundings.
        for (int y = 0; y < kShadeHeight; ++y)
            for (int x = 0; x < width; ++x)
                value[size_t(y) * width + x] =
                    0.65 - 0.3 * (double(x) / width + double(y) / kShadeHeight) / 2.0;
        for (int s = 0; s < 200; ++s) {
            const int x0 = noise.range(-4 * kShadeHeight, width - 1);
            const int length = noise.range(kShadeHeight, 4 * kShadeHeight);
            const double delta = noise.range(-5, 5) / 100.0;
            for (int i = 0; i < length; ++i) {
                const int x = x0 + i; // shallow: four pixels across per pixel down
                const int y = (i / 4) % kShadeHeight;
                if (x >= 0 && x < width)
                    value[size_t(y) * width + x] += delta;
            }
        }
    }

    std::vector<std::uint8_t> pattern(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        int v = std::clamp(static_cast<int>(std::lround(lo + (hi - lo) * value[i])), lo, hi);
        if (g > 0)
            v = std::clamp(v + noise.range(-g, g), lo, hi);
        pattern[i] = static_cast<std::uint8_t>(v);
    }
    return pattern;
}

ShadeFaces makeShadeFaces(const ShadeParams& params, int width, const QColor& shadow,
                          const QColor& face) {
    width = std::max(width, 1);
    const std::vector<std::uint8_t> pattern = shadePattern(params, width);
    const ShadePalette pal = shadePalette(shadow, face, params.base);

    auto image = [&](auto indexAt, const ShadePalette& colours) {
        QImage img(width, kShadeHeight, QImage::Format_Indexed8);
        img.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
        for (int y = 0; y < kShadeHeight; ++y) {
            uchar* line = img.scanLine(y);
            for (int x = 0; x < width; ++x)
                line[x] = indexAt(x, y);
        }
        return img;
    };
    auto at = [&](int x, int y) { return pattern[size_t(y) * width + x]; };

    ShadePalette tinted = pal;
    const int colouring = std::clamp(params.colouring, 0, 100);
    for (QRgb& c : tinted)
        c = mix(c, params.base.rgb(), colouring, 100);
    const int highlight = params.highlight;

    ShadeFaces faces;
    faces.normal = image(at, pal);
    faces.hover = image(
        [&](int x, int y) { return std::uint8_t(std::clamp(at(x, y) + highlight, 0, 255)); }, pal);
    faces.pressed =
        image([&](int x, int y) { return at(width - 1 - x, kShadeHeight - 1 - y); }, tinted);
    return faces;
}

} // namespace tamrel
