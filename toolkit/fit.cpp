#include "fit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "exceptions.h"

namespace {

constexpr int widened = 257;  // an 8-bit sample v is the 16-bit sample 257 v

std::uint16_t grey_of(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return static_cast<std::uint16_t>((299 * red + 587 * green + 114 * blue + 500) / 1000);
}

// One output line of `count` samples from an input line of `length` samples (`stride` apart),
// by the scaling rule of the header: area averaging when shrinking, linear interpolation when
// growing. `scale` is length / count.
struct LineScaler {
    int length;
    int count;
    // Per output sample: the first input sample and the weights of the samples from there on.
    std::vector<int> first;
    std::vector<std::vector<double>> weights;

    LineScaler(int length_, int count_)
        : length(length_), count(count_), first(count_), weights(count_) {
        const double scale = static_cast<double>(length) / count;
        for (int t = 0; t < count; ++t) {
            std::vector<double>& w = weights[t];
            if (scale >= 1.0) {
                const double from = t * scale;
                const double to = (t + 1) * scale;
                const int begin = static_cast<int>(std::floor(from));
                const int end = std::min(length, static_cast<int>(std::ceil(to)));
                first[t] = begin;
                for (int p = begin; p < end; ++p) {
                    const double covered =
                        std::min(to, p + 1.0) - std::max(from, static_cast<double>(p));
                    w.push_back(covered / scale);
                }
            } else {
                double centre = (t + 0.5) * scale - 0.5;
                centre = std::clamp(centre, 0.0, static_cast<double>(length - 1));
                const int below = static_cast<int>(std::floor(centre));
                const double above_weight = centre - below;
                first[t] = below;
                w.push_back(1.0 - above_weight);
                if (below + 1 < length)
                    w.push_back(above_weight);
            }
        }
    }

    // out[t * out_stride] = the weighted sum of sample(p) over the input samples p of t.
    template <class Sample>
    void apply(Sample sample, double* out, std::ptrdiff_t out_stride) const {
        for (int t = 0; t < count; ++t) {
            double sum = 0.0;
            const std::vector<double>& w = weights[t];
            for (std::size_t k = 0; k < w.size(); ++k)
                sum += w[k] * sample(first[t] + static_cast<int>(k));
            out[t * out_stride] = sum;
        }
    }
};

void check_picture(const WidePicture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        throw EInvalidGraphic("An empty picture cannot be fitted");
    if (picture.channels != 1 && picture.channels != 3 && picture.channels != 4)
        throw EInvalidGraphic("A picture to fit has 1, 3 or 4 samples per pixel, not " +
                              std::to_string(picture.channels));
    const std::size_t expected =
        static_cast<std::size_t>(picture.width) * picture.height * picture.channels;
    if (picture.samples.size() != expected)
        throw EInvalidGraphic("A " + std::to_string(picture.width) + " x " +
                              std::to_string(picture.height) + " picture needs " +
                              std::to_string(expected) + " samples, not " +
                              std::to_string(picture.samples.size()));
}

}  // namespace

WidePicture wide_picture(const TBitmap& bitmap) {
    WidePicture wide;
    wide.width = bitmap.Width();
    wide.height = bitmap.Height();
    wide.channels = 3;
    wide.samples.resize(static_cast<std::size_t>(wide.width) * wide.height * 3);
    const auto& palette = bitmap.Palette();
    std::uint16_t* out = wide.samples.data();
    for (int y = 0; y < wide.height; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < wide.width; ++x, out += 3) {
            std::uint32_t red, green, blue;
            if (bitmap.PixelFormat() == TPixelFormat::pf24bit) {
                blue = row[3 * x];
                green = row[3 * x + 1];
                red = row[3 * x + 2];
            } else {
                const std::uint32_t rgb = row[x] < palette.size() ? palette[row[x]] : 0;
                red = (rgb >> 16) & 0xFF;
                green = (rgb >> 8) & 0xFF;
                blue = rgb & 0xFF;
            }
            out[0] = static_cast<std::uint16_t>(red * widened);
            out[1] = static_cast<std::uint16_t>(green * widened);
            out[2] = static_cast<std::uint16_t>(blue * widened);
        }
    }
    return wide;
}

std::vector<std::uint16_t> grey_levels(const WidePicture& picture) {
    check_picture(picture);
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
    std::vector<std::uint16_t> grey(pixels);
    const std::uint16_t* in = picture.samples.data();
    if (picture.channels == 1) {
        std::copy(in, in + pixels, grey.begin());
        return grey;
    }
    for (std::size_t i = 0; i < pixels; ++i, in += picture.channels)
        grey[i] = grey_of(in[0], in[1], in[2]);
    return grey;
}

TBitmap fit_picture(const WidePicture& picture, int edge) {
    if (edge <= 0)
        throw EInvalidGraphic("Invalid fitted size " + std::to_string(edge));
    check_picture(picture);
    const int side = std::max(picture.width, picture.height);
    const int left = (side - picture.width) / 2;
    const int top = (side - picture.height) / 2;
    const LineScaler scaler(side, edge);

    // Rows first: each row of the square becomes edge samples; the rows above and below the
    // picture, and the columns beside it, are black.
    std::vector<double> rows(static_cast<std::size_t>(side) * edge, 0.0);
    std::vector<std::uint16_t> grey(static_cast<std::size_t>(picture.width));
    const auto channels = static_cast<std::size_t>(picture.channels);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint16_t* in =
            picture.samples.data() + static_cast<std::size_t>(y) * picture.width * channels;
        for (int x = 0; x < picture.width; ++x, in += channels)
            grey[x] = channels == 1 ? in[0] : grey_of(in[0], in[1], in[2]);
        const auto sample = [&](int p) {
            const int x = p - left;
            return x >= 0 && x < picture.width ? static_cast<double>(grey[x]) : 0.0;
        };
        scaler.apply(sample, rows.data() + static_cast<std::size_t>(top + y) * edge, 1);
    }
    // Then columns.
    std::vector<double> levels(static_cast<std::size_t>(edge) * edge);
    for (int x = 0; x < edge; ++x) {
        const auto sample = [&](int p) { return rows[static_cast<std::size_t>(p) * edge + x]; };
        scaler.apply(sample, levels.data() + x, edge);
    }

    TBitmap fitted;
    fitted.SetPixelFormat(TPixelFormat::pf24bit);
    fitted.SetSize(edge, edge);
    for (int y = 0; y < edge; ++y) {
        std::uint8_t* out = fitted.ScanLine(y);
        for (int x = 0; x < edge; ++x) {
            const double level = levels[static_cast<std::size_t>(y) * edge + x];
            const double eight = std::floor(level * 255.0 / 65535.0 + 0.5);
            const auto v = static_cast<std::uint8_t>(std::clamp(eight, 0.0, 255.0));
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
        }
    }
    return fitted;
}

TBitmap fit_picture(const TBitmap& bitmap, int edge) {
    if (bitmap.Width() == 0 || bitmap.Height() == 0)
        throw EInvalidGraphic("An empty picture cannot be fitted");
    return fit_picture(wide_picture(bitmap), edge);
}
