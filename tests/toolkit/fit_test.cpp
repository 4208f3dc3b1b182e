// Fitting a picture into the 256 x 256 square: grey levels, proportions kept, smooth scaling,
// one rounding from 16 bits to 8.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "exceptions.h"
#include "fit.h"

namespace {

WidePicture grey_picture(int width, int height, const std::function<int(int x, int y)>& level) {
    WidePicture p;
    p.width = width;
    p.height = height;
    p.channels = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.samples.push_back(static_cast<std::uint16_t>(level(x, y)));
    return p;
}

TBitmap colour_bitmap(int width, int height, std::uint8_t blue, std::uint8_t green,
                      std::uint8_t red) {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    b.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = b.ScanLine(y) + 3 * x;
            px[0] = blue;
            px[1] = green;
            px[2] = red;
        }
    return b;
}

int level_at(const TBitmap& b, int x, int y) { return b.ScanLine(y)[3 * x]; }

TEST(Fit, EveryPixelIsGreyAndTheLumaOfItsColour) {
    struct Case {
        std::uint8_t blue, green, red;
        int level;
    } cases[] = {
        {77, 77, 77, 77},     {0, 0, 255, 76}, {0, 255, 0, 150},    {255, 0, 0, 29},
        {255, 255, 255, 255}, {0, 0, 0, 0},    {10, 200, 100, 148},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        const TBitmap fitted = fit_picture(colour_bitmap(300, 300, c.blue, c.green, c.red), 256);
        ASSERT_EQ(fitted.Width(), 256);
        ASSERT_EQ(fitted.Height(), 256);
        ASSERT_EQ(fitted.PixelFormat(), TPixelFormat::pf24bit);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const std::uint8_t* px = fitted.ScanLine(y) + 3 * x;
                ASSERT_EQ(px[0], c.level) << x << "," << y;
                ASSERT_EQ(px[1], c.level);
                ASSERT_EQ(px[2], c.level);
            }
    }
}

TEST(Fit, APictureOfTheRightSizeFitsToItself) {
    TBitmap b = colour_bitmap(256, 256, 0, 0, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            for (int c = 0; c < 3; ++c)
                b.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>((x * 7 + y * 13) % 256);
    const TBitmap fitted = fit_picture(b, 256);
    for (int y = 0; y < 256; ++y)
        ASSERT_EQ(std::vector<std::uint8_t>(fitted.ScanLine(y), fitted.ScanLine(y) + 768),
                  std::vector<std::uint8_t>(b.ScanLine(y), b.ScanLine(y) + 768))
            << y;
}

TEST(Fit, TheLongerSideFillsTheSquareAndTheRestIsBlack) {
    // 400 x 200 white: the square of 400 holds it at rows 100 ... 299, which are output rows
    // 64 ... 191 exactly (400 / 256 = 1.5625 input rows per output row).
    const TBitmap fitted = fit_picture(colour_bitmap(400, 200, 255, 255, 255), 256);
    for (int y = 0; y < 256; ++y) {
        SCOPED_TRACE(y);
        const int want = y >= 64 && y <= 191 ? 255 : 0;
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(level_at(fitted, x, y), want) << x;
    }
    // Taller than wide: black at the left and right instead, the picture in columns 150 ... 249
    // of the square, output columns 96 ... 159.
    const TBitmap tall = fit_picture(colour_bitmap(100, 400, 255, 255, 255), 256);
    for (int y : {0, 128, 255}) {
        EXPECT_EQ(level_at(tall, 95, y), 0);
        EXPECT_EQ(level_at(tall, 96, y), 255);
        EXPECT_EQ(level_at(tall, 159, y), 255);
        EXPECT_EQ(level_at(tall, 160, y), 0);
    }
}

TEST(Fit, ARoundObjectStaysRound) {
    // A white disc of radius 120 in a 600 x 300 picture: as wide as it is tall after fitting.
    const WidePicture disc = grey_picture(600, 300, [](int x, int y) {
        const int dx = x - 300, dy = y - 150;
        return dx * dx + dy * dy <= 120 * 120 ? 65535 : 0;
    });
    const TBitmap fitted = fit_picture(disc, 256);
    int width = 0, height = 0;
    for (int t = 0; t < 256; ++t) {
        width += level_at(fitted, t, 128) >= 128;
        height += level_at(fitted, 128, t) >= 128;
    }
    EXPECT_NEAR(width, 2 * 120 * 256 / 600, 1);
    EXPECT_NEAR(height, width, 1);
}

TEST(Fit, SixteenBitLevelsAreRoundedOnceAtTheEnd) {
    struct Case {
        int level16;
        int level8;
    } cases[] = {
        {0, 0}, {65535, 255}, {128, 0}, {129, 1}, {32767, 127}, {32768, 128}, {257 * 200, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level16);
        const TBitmap fitted =
            fit_picture(grey_picture(256, 256, [&](int, int) { return c.level16; }), 256);
        EXPECT_EQ(level_at(fitted, 17, 200), c.level8);
    }
    // Halving 100 | 150 columns: their mean 125 rounds to 0; rounding each first (0 and 1)
    // would give a mean of 0.5, rounded to 1.
    const WidePicture columns =
        grey_picture(512, 512, [](int x, int) { return x % 2 ? 150 : 100; });
    EXPECT_EQ(level_at(fit_picture(columns, 256), 40, 40), 0);
}

TEST(Fit, GrowingIsSmooth) {
    // Black on the left, white on the right, 2 x 2: the fit ramps between them.
    const WidePicture two = grey_picture(2, 2, [](int x, int) { return x ? 65535 : 0; });
    const TBitmap fitted = fit_picture(two, 256);
    int between = 0;
    for (int x = 1; x < 256; ++x) {
        EXPECT_LE(level_at(fitted, x - 1, 100), level_at(fitted, x, 100)) << x;
        between += level_at(fitted, x, 100) > 10 && level_at(fitted, x, 100) < 245;
    }
    EXPECT_GT(between, 100);
    EXPECT_EQ(level_at(fitted, 0, 100), 0);
    EXPECT_EQ(level_at(fitted, 255, 100), 255);
}

TEST(Fit, AlphaIsIgnoredAndPalettesAreLookedUp) {
    WidePicture rgba;
    rgba.width = rgba.height = 4;
    rgba.channels = 4;
    for (int i = 0; i < 16; ++i)
        rgba.samples.insert(rgba.samples.end(),
                            {257 * 100, 257 * 200, 257 * 10, static_cast<std::uint16_t>(i * 1000)});
    EXPECT_EQ(level_at(fit_picture(rgba, 256), 3, 3), 148);

    TBitmap indexed;
    indexed.SetPixelFormat(TPixelFormat::pf8bit);
    indexed.SetSize(8, 8);
    indexed.SetPalette({0x000000, 0xFF0000});  // index 1 is pure red
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            indexed.ScanLine(y)[x] = 1;
    EXPECT_EQ(level_at(fit_picture(indexed, 256), 100, 100), 76);
}

TEST(Fit, RefusesWhatIsNoPicture) {
    WidePicture empty;
    EXPECT_THROW(fit_picture(empty, 256), EInvalidGraphic);
    WidePicture two_channels = grey_picture(4, 4, [](int, int) { return 0; });
    two_channels.channels = 2;
    two_channels.samples.resize(32);
    EXPECT_THROW(fit_picture(two_channels, 256), EInvalidGraphic);
    WidePicture short_of_samples = grey_picture(4, 4, [](int, int) { return 0; });
    short_of_samples.samples.pop_back();
    EXPECT_THROW(fit_picture(short_of_samples, 256), EInvalidGraphic);
    EXPECT_THROW(fit_picture(grey_picture(4, 4, [](int, int) { return 0; }), 0), EInvalidGraphic);
    EXPECT_THROW(fit_picture(TBitmap{}, 256), EInvalidGraphic);
}

}  // namespace
