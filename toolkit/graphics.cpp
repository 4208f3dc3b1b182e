#include "graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "bmp.h"
#include "exceptions.h"

namespace {

// Largest edge a bitmap may take; keeps every size computation far inside int range.
constexpr int max_bitmap_edge = 1 << 15;

std::uint8_t* checked_row(std::vector<std::uint8_t>& pixels, int width, int height, int bpp,
                          int y) {
    if (y < 0 || y >= height)
        throw EInvalidGraphic("Scan line index out of range");
    return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * bpp;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TBitmap

namespace {
long live_bitmaps = 0;
}

long TBitmap::Instances() { return live_bitmaps; }

TBitmap::TBitmap() : canvas_(*this) { ++live_bitmaps; }

TBitmap::TBitmap(const TBitmap& other)
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      pixels_(other.pixels_),
      palette_(other.palette_),
      x_ppm_(other.x_ppm_),
      y_ppm_(other.y_ppm_),
      canvas_(*this) {
    ++live_bitmaps;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        width_ = other.width_;
        height_ = other.height_;
        format_ = other.format_;
        pixels_ = other.pixels_;
        palette_ = other.palette_;
        x_ppm_ = other.x_ppm_;
        y_ppm_ = other.y_ppm_;
        Changed();
    }
    return *this;
}

TBitmap::~TBitmap() { --live_bitmaps; }

void TBitmap::Changed() const {
    if (on_change_)
        on_change_();
}

void TBitmap::resize_keeping(int w, int h) {
    if (w < 0 || h < 0 || w > max_bitmap_edge || h > max_bitmap_edge)
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(w) + " x " +
                              std::to_string(h));
    if (w == width_ && h == height_)
        return;
    const int bpp = BytesPerPixel();
    std::vector<std::uint8_t> next;
    try {
        next.assign(static_cast<std::size_t>(w) * h * bpp, 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Out of system resources");
    }
    const int keep_w = std::min(w, width_);
    const int keep_h = std::min(h, height_);
    for (int y = 0; y < keep_h; ++y)
        std::copy_n(pixels_.data() + static_cast<std::size_t>(y) * width_ * bpp,
                    static_cast<std::size_t>(keep_w) * bpp,
                    next.data() + static_cast<std::size_t>(y) * w * bpp);
    pixels_.swap(next);
    width_ = w;
    height_ = h;
    Changed();
}

void TBitmap::SetWidth(int w) { resize_keeping(w, height_); }
void TBitmap::SetHeight(int h) { resize_keeping(width_, h); }
void TBitmap::SetSize(int w, int h) { resize_keeping(w, h); }

void TBitmap::SetPixelFormat(TPixelFormat f) {
    if (f == format_)
        return;
    const std::size_t count = static_cast<std::size_t>(width_) * height_;
    std::vector<std::uint8_t> next;
    try {
        next.assign(count * (f == TPixelFormat::pf24bit ? 3 : 1), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Out of system resources");
    }
    if (f == TPixelFormat::pf24bit) {
        // Each index becomes its palette colour; an index without an entry becomes black.
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t index = pixels_[i];
            const std::uint32_t rgb = index < palette_.size() ? palette_[index] : 0;
            next[3 * i + 0] = static_cast<std::uint8_t>(rgb & 0xFF);
            next[3 * i + 1] = static_cast<std::uint8_t>((rgb >> 8) & 0xFF);
            next[3 * i + 2] = static_cast<std::uint8_t>((rgb >> 16) & 0xFF);
        }
        palette_.clear();
    } else {
        // To 8 bits through a grey ramp palette: the index is the colour's mean level.
        palette_.resize(256);
        for (std::uint32_t i = 0; i < 256; ++i)
            palette_[i] = (i << 16) | (i << 8) | i;
        for (std::size_t i = 0; i < count; ++i)
            next[i] = static_cast<std::uint8_t>(
                (pixels_[3 * i] + pixels_[3 * i + 1] + pixels_[3 * i + 2]) / 3);
    }
    pixels_.swap(next);
    format_ = f;
    Changed();
}

std::uint8_t* TBitmap::ScanLine(int y) {
    return checked_row(pixels_, width_, height_, BytesPerPixel(), y);
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
    return checked_row(const_cast<std::vector<std::uint8_t>&>(pixels_), width_, height_,
                       BytesPerPixel(), y);
}

void TBitmap::SetPalette(std::vector<std::uint32_t> palette) {
    if (palette.size() > 256)
        throw EInvalidGraphic("A palette holds at most 256 colours");
    palette_ = std::move(palette);
    Changed();
}

void TBitmap::LoadFromBmp(const std::uint8_t* data, std::size_t size) {
    BmpPicture picture = decode_bmp(data, size);
    width_ = picture.width;
    height_ = picture.height;
    format_ = picture.bits_per_pixel == 8 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
    pixels_ = std::move(picture.pixels);
    palette_ = std::move(picture.palette);
    x_ppm_ = picture.x_pixels_per_metre;
    y_ppm_ = picture.y_pixels_per_metre;
    Changed();
}

std::vector<std::uint8_t> TBitmap::SaveToBmp() const {
    BmpPicture picture;
    picture.width = width_;
    picture.height = height_;
    picture.bits_per_pixel = format_ == TPixelFormat::pf8bit ? 8 : 24;
    picture.pixels = pixels_;
    picture.palette = palette_;
    picture.x_pixels_per_metre = x_ppm_;
    picture.y_pixels_per_metre = y_ppm_;
    return encode_bmp(picture);
}

// ---------------------------------------------------------------------------------------------
// TCanvas

void TCanvas::Draw(int x, int y, const TBitmap& source) {
    TBitmap& dst = target_;
    const int x0 = std::max(0, x);
    const int y0 = std::max(0, y);
    const long long x1 =
        std::min<long long>(dst.Width(), static_cast<long long>(x) + source.Width());
    const long long y1 =
        std::min<long long>(dst.Height(), static_cast<long long>(y) + source.Height());
    const bool same = dst.PixelFormat() == source.PixelFormat();
    for (int row = y0; row < y1; ++row) {
        std::uint8_t* out = dst.ScanLine(row);
        const std::uint8_t* in = source.ScanLine(row - y);
        if (same) {
            const int bpp = dst.BytesPerPixel();
            if (x1 > x0)
                std::memcpy(out + x0 * bpp, in + (x0 - x) * bpp,
                            static_cast<std::size_t>(x1 - x0) * bpp);
            continue;
        }
        for (int col = x0; col < x1; ++col) {
            const int sc = col - x;
            std::uint8_t bgr[3];
            if (source.PixelFormat() == TPixelFormat::pf24bit) {
                std::copy_n(in + sc * 3, 3, bgr);
            } else {
                const auto& pal = source.Palette();
                const std::uint32_t rgb = in[sc] < pal.size() ? pal[in[sc]] : 0;
                bgr[0] = rgb & 0xFF;
                bgr[1] = (rgb >> 8) & 0xFF;
                bgr[2] = (rgb >> 16) & 0xFF;
            }
            if (dst.PixelFormat() == TPixelFormat::pf24bit)
                std::copy_n(bgr, 3, out + col * 3);
            else
                out[col] = static_cast<std::uint8_t>((bgr[0] + bgr[1] + bgr[2]) / 3);
        }
    }
    dst.Changed();
}

void TCanvas::MoveTo(int x, int y) { pen_pos_ = {x, y}; }

void TCanvas::LineTo(int x, int y) {
    TBitmap& dst = target_;
    const TColor c = pen_.Color();
    const std::uint8_t red = c & 0xFF, green = (c >> 8) & 0xFF, blue = (c >> 16) & 0xFF;
    const bool wide = dst.PixelFormat() == TPixelFormat::pf24bit;
    for_each_line_pixel(pen_pos_, {x, y}, dst.Width(), dst.Height(), [&](int px, int py) {
        std::uint8_t* row = dst.ScanLine(py);
        if (wide) {
            row[3 * px + 0] = blue;
            row[3 * px + 1] = green;
            row[3 * px + 2] = red;
        } else {
            row[px] = static_cast<std::uint8_t>((red + green + blue) / 3);
        }
    });
    pen_pos_ = {x, y};
    dst.Changed();
}

std::vector<TPoint> line_pixels(TPoint a, TPoint b, int width, int height) {
    std::vector<TPoint> out;
    for_each_line_pixel(a, b, width, height, [&](int x, int y) { out.push_back({x, y}); });
    return out;
}

// ---------------------------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

TBitmap* TPicture::Bitmap() {
    if (!bitmap_) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->SetOnChange(on_change_);
    }
    return bitmap_.get();
}

void TPicture::Assign(const TPicture* source) {
    if (source == this)
        return;
    if (!source || !source->bitmap_) {
        bitmap_.reset();
        if (on_change_)
            on_change_();
        return;
    }
    AssignBitmap(*source->bitmap_);
}

void TPicture::AssignBitmap(const TBitmap& source) {
    auto copy = std::make_unique<TBitmap>(source);
    copy->SetOnChange(on_change_);
    bitmap_ = std::move(copy);
    if (on_change_)
        on_change_();
}

void TPicture::SetOnChange(std::function<void()> f) {
    on_change_ = std::move(f);
    if (bitmap_)
        bitmap_->SetOnChange(on_change_);
}
