#include <gtest/gtest.h>

#include <random>
#include <set>

#include "exceptions.h"
#include "graphics.h"
#include "reference_line.h"

namespace {

// The pixels the step-by-step reference visits, in order.
std::vector<TPoint> reference_pixels(TPoint a, TPoint b, int w, int h) {
    std::vector<TPoint> out;
    reference_line(a.X, a.Y, b.X, b.Y, w, h, [&](int x, int y) { out.push_back({x, y}); });
    return out;
}

TEST(LinePixels, TableOfSegments) {
    struct Case {
        const char* what;
        TPoint a, b;
        std::vector<TPoint> expected;
    } cases[] = {
        {"horizontal, end excluded", {1, 1}, {4, 1}, {{1, 1}, {2, 1}, {3, 1}}},
        {"vertical upward", {2, 3}, {2, 0}, {{2, 3}, {2, 2}, {2, 1}}},
        {"diagonal", {0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
        {"steep, halves away from the start", {0, 0}, {2, 4}, {{0, 0}, {1, 1}, {1, 2}, {2, 3}}},
        {"steep backwards", {2, 4}, {0, 0}, {{2, 4}, {1, 3}, {1, 2}, {0, 1}}},
        {"zero length draws nothing", {5, 5}, {5, 5}, {}},
        {"clipped at the left", {-2, 1}, {2, 1}, {{0, 1}, {1, 1}}},
        {"clipped at the right", {6, 2}, {10, 2}, {{6, 2}, {7, 2}}},
        {"clipped at the top", {3, -3}, {3, 2}, {{3, 0}, {3, 1}}},
        {"clipped at the bottom", {4, 6}, {4, 9}, {{4, 6}, {4, 7}}},
        {"entirely below", {0, 8}, {7, 8}, {}},
        // Only the rows inside the picture, at the column the line crosses them.
        {"long steep line through the picture",
         {0, -1000000},
         {2, 1000000},
         {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(line_pixels(c.a, c.b, 8, 8), c.expected);
    }
}

TEST(LinePixels, AgreesWithAnIncrementalRasteriser) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-40, 300);
    for (int n = 0; n < 3000; ++n) {
        const TPoint a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
        SCOPED_TRACE(testing::Message() << a.X << "," << a.Y << " -> " << b.X << "," << b.Y);
        ASSERT_EQ(line_pixels(a, b, 256, 256), reference_pixels(a, b, 256, 256));
    }
}

TEST(Canvas, PolylineDrawsEachJointOnceAndNotTheLastPoint) {
    TBitmap bmp;
    bmp.SetSize(8, 8);
    TCanvas& c = *bmp.Canvas();
    c.Pen()->SetColor(clRed);
    c.MoveTo(0, 0);
    c.LineTo(4, 0);
    c.LineTo(4, 4);
    EXPECT_EQ(c.PenPos(), (TPoint{4, 4}));
    int red = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t* p = bmp.ScanLine(y) + 3 * x;
            if (p[2] == 255 && p[0] == 0 && p[1] == 0)
                ++red;
        }
    EXPECT_EQ(red, 8);
    EXPECT_EQ(bmp.ScanLine(4)[3 * 4 + 2], 0) << "the end point is not drawn";
    EXPECT_EQ(bmp.ScanLine(0)[3 * 4 + 2], 255) << "the joint is drawn by the second segment";
}

TEST(Bitmap, SizeChangesKeepTheTopLeftAndAddBlack) {
    TBitmap bmp;
    bmp.SetSize(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 6; ++i)
            bmp.ScanLine(y)[i] = static_cast<std::uint8_t>(10 * y + i + 1);
    bmp.SetWidth(3);
    bmp.SetHeight(1);
    ASSERT_EQ(bmp.Width(), 3);
    ASSERT_EQ(bmp.Height(), 1);
    const std::uint8_t* row = bmp.ScanLine(0);
    EXPECT_EQ(std::vector<int>(row, row + 9), (std::vector<int>{1, 2, 3, 4, 5, 6, 0, 0, 0}));
    EXPECT_THROW(bmp.ScanLine(1), EInvalidGraphic);
    EXPECT_THROW(bmp.ScanLine(-1), EInvalidGraphic);
    EXPECT_THROW(bmp.SetWidth(-1), EInvalidGraphic);
}

TEST(Bitmap, EightBitsConvertThroughThePalette) {
    TBitmap bmp;
    bmp.SetPixelFormat(TPixelFormat::pf8bit);
    bmp.SetSize(3, 1);
    bmp.SetPalette({0x000000, 0x112233, 0xA0B0C0});
    bmp.ScanLine(0)[0] = 1;
    bmp.ScanLine(0)[1] = 2;
    bmp.ScanLine(0)[2] = 200;  // no palette entry: black
    bmp.SetPixelFormat(TPixelFormat::pf24bit);
    const std::uint8_t* row = bmp.ScanLine(0);
    EXPECT_EQ(std::vector<int>(row, row + 9),
              (std::vector<int>{0x33, 0x22, 0x11, 0xC0, 0xB0, 0xA0, 0, 0, 0}));
}

TEST(Picture, AssignIsAWholeCopyOfItsOwn) {
    TPicture holder, shown;
    holder.Bitmap()->SetPixelFormat(TPixelFormat::pf8bit);
    holder.Bitmap()->SetSize(4, 4);
    holder.Bitmap()->SetPalette(std::vector<std::uint32_t>(256, 0x808080));
    shown.Assign(&holder);
    shown.Bitmap()->SetPixelFormat(TPixelFormat::pf24bit);
    shown.Bitmap()->SetSize(256, 256);
    EXPECT_EQ(holder.Bitmap()->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(holder.Bitmap()->Width(), 4);
    EXPECT_EQ(shown.Bitmap()->ScanLine(0)[0], 0x80);
}

TEST(Canvas, DrawCopiesClippedAndConverts) {
    TBitmap src;
    src.SetSize(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 9; ++i)
            src.ScanLine(y)[i] = static_cast<std::uint8_t>(100 + y);
    TBitmap dst;
    dst.SetSize(4, 4);
    dst.Canvas()->Draw(2, -1, src);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const int expected = (x >= 2 && y <= 1) ? 100 + y + 1 : 0;
            EXPECT_EQ(dst.ScanLine(y)[3 * x], expected) << x << "," << y;
        }
}

}  // namespace
