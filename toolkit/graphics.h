#pragma once
// Pictures: bitmaps that own their pixels, a picture holder, and a canvas that draws into a
// bitmap.
//
// Conventions:
// - A 24-bit bitmap stores three bytes per pixel in the order blue, green, red; an 8-bit bitmap
//   stores one palette index per pixel. Rows are top-down: ScanLine(0) is the top row, and rows
//   carry no padding.
// - Changing the pixel format or the size converts in place and keeps the top-left content; new
//   pixels are black (index 0 for 8 bits).
// - A colour word (TColor) holds red in its lowest byte, then green, then blue.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using TColor = std::uint32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;

enum class TPixelFormat { pf8bit, pf24bit };

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

class TBitmap;

class TPen {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }

private:
    TColor color_ = clBlack;
};

// Draws into the bitmap it belongs to. After every drawing call the bitmap's change callback runs,
// so an image control showing the bitmap repaints itself.
class TCanvas {
public:
    explicit TCanvas(TBitmap& target) : target_(target) {}

    TPen* Pen() { return &pen_; }
    TPoint PenPos() const { return pen_pos_; }

    // Copies source with its top-left corner at (x, y), clipped to this bitmap.
    void Draw(int x, int y, const TBitmap& source);
    void MoveTo(int x, int y);
    // One pixel wide, no anti-aliasing, from the pen position up to but not including (x, y),
    // clipped to the bitmap; the pen then stands at (x, y). See line_pixels for the rule.
    void LineTo(int x, int y);

private:
    TBitmap& target_;
    TPen pen_;
    TPoint pen_pos_;
};

// The pixels of a line from a to b under the canvas's rule, end point excluded, clipped to a
// width x height picture, in drawing order. Steps run along the longer axis, one pixel each;
// the other coordinate is the exact line's value rounded to nearest, halves toward b. Only the
// steps whose long-axis coordinate lies inside the picture are visited, however long the line.
template <class Visit>
void for_each_line_pixel(TPoint a, TPoint b, int width, int height, Visit&& visit);
std::vector<TPoint> line_pixels(TPoint a, TPoint b, int width, int height);

class TBitmap {
public:
    TBitmap();
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap();

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int w);
    void SetHeight(int h);
    void SetSize(int w, int h);

    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat f);
    int BytesPerPixel() const { return format_ == TPixelFormat::pf24bit ? 3 : 1; }

    // The bytes of row y (0 = top). Out-of-range rows raise an exception.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;

    // 8-bit bitmaps: palette entries as 0x00RRGGBB.
    const std::vector<std::uint32_t>& Palette() const { return palette_; }
    void SetPalette(std::vector<std::uint32_t> palette);

    TCanvas* Canvas() { return &canvas_; }

    // The stored form: an uncompressed BMP file of 24 or 8 bits per pixel.
    void LoadFromBmp(const std::uint8_t* data, std::size_t size);
    std::vector<std::uint8_t> SaveToBmp() const;

    // Called after the toolkit changes the pixels (format, size, canvas drawing).
    void SetOnChange(std::function<void()> f) { on_change_ = std::move(f); }
    void Changed() const;

    // Test seam: bitmaps alive in the process; a run that releases its work bitmap leaves this
    // unchanged.
    static long Instances();

private:
    void resize_keeping(int w, int h);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint32_t> palette_;
    std::int32_t x_ppm_ = 0;
    std::int32_t y_ppm_ = 0;
    TCanvas canvas_;
    std::function<void()> on_change_;
};

// The picture an image control shows. Assign makes a whole copy of its own.
class TPicture {
public:
    TPicture();
    ~TPicture();
    // The bitmap, created empty on first use.
    TBitmap* Bitmap();
    bool Empty() const { return !bitmap_; }
    void Assign(const TPicture* source);
    void AssignBitmap(const TBitmap& source);
    void SetOnChange(std::function<void()> f);
    const std::function<void()>& OnChange() const { return on_change_; }

private:
    std::unique_ptr<TBitmap> bitmap_;
    std::function<void()> on_change_;
};

template <class Visit>
void for_each_line_pixel(TPoint a, TPoint b, int width, int height, Visit&& visit) {
    const long long dx = static_cast<long long>(b.X) - a.X;
    const long long dy = static_cast<long long>(b.Y) - a.Y;
    const long long adx = dx < 0 ? -dx : dx;
    const long long ady = dy < 0 ? -dy : dy;
    const bool x_major = adx >= ady;
    const long long steps = x_major ? adx : ady;
    if (steps == 0)
        return;
    const long long major_start = x_major ? a.X : a.Y;
    const long long minor_start = x_major ? a.Y : a.X;
    const long long major_dir = (x_major ? dx : dy) < 0 ? -1 : 1;
    const long long minor_delta = x_major ? dy : dx;
    const long long minor_dir = minor_delta < 0 ? -1 : 1;
    const __int128 minor_span = minor_delta < 0 ? -static_cast<__int128>(minor_delta) : minor_delta;
    const long long major_limit = x_major ? width : height;
    const long long minor_limit = x_major ? height : width;
    long long first = 0;
    long long last = steps - 1;
    if (major_dir > 0) {
        first = first > -major_start ? first : -major_start;
        last = last < major_limit - 1 - major_start ? last : major_limit - 1 - major_start;
    } else {
        first = first > major_start - (major_limit - 1) ? first : major_start - (major_limit - 1);
        last = last < major_start ? last : major_start;
    }
    // Offset along the minor axis: i * span / steps rounded to nearest, halves away from a. In
    // 64 bits where 2 * i * span + steps cannot leave them (every line inside the int range of a
    // picture's coordinates up to 2^30), in 128 otherwise.
    const bool narrow = minor_span < (__int128{1} << 30) && steps < (1LL << 30);
    const long long span64 = static_cast<long long>(minor_span);
    for (long long i = first; i <= last; ++i) {
        const __int128 offset =
            narrow ? __int128{(2 * i * span64 + steps) / (2 * steps)}
                   : (2 * static_cast<__int128>(i) * minor_span + steps) / (2 * steps);
        const long long major = major_start + major_dir * i;
        const __int128 minor = minor_start + minor_dir * offset;
        if (minor < 0 || minor >= minor_limit)
            continue;
        const int px = static_cast<int>(x_major ? major : static_cast<long long>(minor));
        const int py = static_cast<int>(x_major ? static_cast<long long>(minor) : major);
        visit(px, py);
    }
}
