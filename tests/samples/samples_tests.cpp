// The seven sample pictures: captions, the stored header of every file, the digest of every
// synthetic file, the worked values of the four synthetic patterns, and the photographs against
// their files on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "bmp.h"
#include "samples.h"
#include "stored_fields.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Sample all_samples[] = {Sample::Wave,     Sample::Steps,   Sample::Circles1,
                                  Sample::Circles2, Sample::Jupiter, Sample::Saturn,
                                  Sample::Moon};

// Every sample decoded once for the whole program.
class SamplePictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (Sample s : all_samples) {
            const Bytes file = sample_bmp(s);
            pictures()[static_cast<std::size_t>(s)] = decode_bmp(file.data(), file.size());
        }
    }

    static std::array<BmpPicture, sample_count>& pictures() {
        static std::array<BmpPicture, sample_count> decoded;
        return decoded;
    }
    static const BmpPicture& picture(Sample s) { return pictures()[static_cast<std::size_t>(s)]; }

    // The blue byte of pixel x of scan line y (from the top); for the 8-bit picture, the blue
    // byte of its palette colour.
    static int blue(Sample s, int x, int y) {
        const BmpPicture& p = picture(s);
        if (p.bits_per_pixel == 8)
            return static_cast<int>(p.palette.at(p.pixels.at(y * p.width + x)) & 0xFFu);
        return p.pixels.at((static_cast<std::size_t>(y) * p.width + x) * 3);
    }

    static std::int64_t blue_sum(Sample s) {
        std::int64_t sum = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                sum += blue(s, x, y);
        return sum;
    }

    static int count_of(Sample s, int level) {
        int count = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                count += blue(s, x, y) == level;
        return count;
    }
};

// ---------------------------------------------------------------------------------------------
// Captions.

TEST(SampleCaptions, NameTheRadioButtonsAndLeadBackToTheirSample) {
    struct Case {
        Sample sample;
        const char* caption;
    } cases[] = {
        {Sample::Wave, "Wave"},         {Sample::Steps, "Steps"},
        {Sample::Circles1, "Circles1"}, {Sample::Circles2, "Circles2"},
        {Sample::Jupiter, "Jupiter"},   {Sample::Saturn, "Saturn"},
        {Sample::Moon, "Moon"},
    };
    static_assert(std::size(cases) == sample_count);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        EXPECT_STREQ(sample_caption(c.sample), c.caption);
        ASSERT_TRUE(sample_by_caption(c.caption).has_value());
        EXPECT_EQ(*sample_by_caption(c.caption), c.sample);
    }
}

TEST(SampleCaptions, UnknownCaptionsFindNothing) {
    for (const char* caption :
         {"", "wave", "WAVE", "Circles", "Circles3", "Moon ", " Moon", "Image4", "Saturn\n"}) {
        SCOPED_TRACE(std::string("\"") + caption + "\"");
        EXPECT_FALSE(sample_by_caption(caption).has_value());
    }
}

TEST(SampleCaptions, ValuesOutsideTheEnumerationAreRefused) {
    EXPECT_THROW(sample_caption(static_cast<Sample>(sample_count)), std::invalid_argument);
    EXPECT_THROW(sample_bmp(static_cast<Sample>(sample_count)), std::invalid_argument);
    EXPECT_THROW(sample_bmp(static_cast<Sample>(-1)), std::invalid_argument);
}

// ---------------------------------------------------------------------------------------------
// The stored files.

TEST(SampleFiles, HeaderFieldsOfEveryStoredFile) {
    struct Case {
        Sample sample;
        std::uint32_t bits, file_size, pixel_offset, image_size, resolution, colours;
    } cases[] = {
        {Sample::Wave, 24, 196662, 54, 196608, 0, 0},
        {Sample::Steps, 24, 196662, 54, 196608, 0, 0},
        {Sample::Circles1, 24, 196662, 54, 196608, 0, 0},
        {Sample::Circles2, 24, 196662, 54, 196608, 0, 0},
        {Sample::Jupiter, 24, 196662, 54, 196608, 2834, 0},
        {Sample::Saturn, 8, 66614, 1078, 65536, 2834, 256},
        {Sample::Moon, 24, 196662, 54, 196608, 2834, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(sample_caption(c.sample));
        const Bytes file = sample_bmp(c.sample);
        ASSERT_EQ(file.size(), c.file_size);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(field32(file, 2), c.file_size);
        EXPECT_EQ(field32(file, 6), 0u);  // both reserved fields
        EXPECT_EQ(field32(file, 10), c.pixel_offset);
        EXPECT_EQ(field32(file, 14), 40u);
        EXPECT_EQ(field32(file, 18), 256u);
        EXPECT_EQ(field32(file, 22), 256u);  // positive: bottom-up
        EXPECT_EQ(field16(file, 26), 1u);
        EXPECT_EQ(field16(file, 28), c.bits);
        EXPECT_EQ(field32(file, 30), 0u);
        EXPECT_EQ(field32(file, 34), c.image_size);
        EXPECT_EQ(field32(file, 38), c.resolution);
        EXPECT_EQ(field32(file, 42), c.resolution);
        EXPECT_EQ(field32(file, 46), c.colours);
        EXPECT_EQ(field32(file, 50), c.colours);
    }
}

TEST(SampleFiles, SaturnCarriesTheLinearGreyRamp) {
    const Bytes file = sample_bmp(Sample::Saturn);
    ASSERT_EQ(file.size(), 66614u);
    for (std::size_t i = 0; i < 256; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(file[54 + 4 * i], i);
        EXPECT_EQ(file[54 + 4 * i + 1], i);
        EXPECT_EQ(file[54 + 4 * i + 2], i);
        EXPECT_EQ(file[54 + 4 * i + 3], 0);
    }
}

TEST(SampleFiles, EveryCallHandsOutAnUnchangedCopy) {
    for (Sample s : all_samples) {
        SCOPED_TRACE(sample_caption(s));
        Bytes first = sample_bmp(s);
        const Bytes original = first;
        for (std::size_t i = 54; i < first.size(); i += 97)
            first[i] ^= 0xFF;
        EXPECT_EQ(sample_bmp(s), original);
    }
}

// The stored pixels are laid out as the decoder reads them, checked here directly on the bytes:
// stored row 255 - y is scan line y.
TEST(SampleFiles, StoredRowsRunFromTheBottomScanLine) {
    const Bytes wave = sample_bmp(Sample::Wave);
    // Column 255 differs between the stripes: 152 in the top one, 0 in the bottom one.
    EXPECT_EQ(wave[54 + 0 * 768 + 255 * 3], 0) << "first stored row is the bottom scan line";
    EXPECT_EQ(wave[54 + 255 * 768 + 255 * 3], 152) << "last stored row is the top scan line";
}

// 64-bit FNV-1a over every byte of a file.
std::uint64_t fnv1a(const Bytes& file) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (std::uint8_t byte : file) {
        hash ^= byte;
        hash *= 0x100000001b3u;
    }
    return hash;
}

// The fields and the decoded levels above leave room for a changed byte (a pixel none of them
// samples, a stray byte in a reserved field's place): the whole of each synthetic file is held
// to its known digest. The levels come from the C library's sin, like the sums above.
TEST(SampleFiles, SyntheticFilesMatchTheirKnownDigests) {
    struct Case {
        Sample sample;
        std::uint64_t digest;
    } cases[] = {
        {Sample::Wave, 0xedf74e15168aecf9u},
        {Sample::Steps, 0xb95e28e08a69eaf9u},
        {Sample::Circles1, 0xfbbcb79702b7cc47u},
        {Sample::Circles2, 0x9736b867dc8c70e5u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(sample_caption(c.sample));
        const Bytes file = sample_bmp(c.sample);
        ASSERT_EQ(file.size(), 196662u);
        EXPECT_EQ(fnv1a(file), c.digest);
    }
}

// ---------------------------------------------------------------------------------------------
// Every picture, decoded.

TEST_F(SamplePictures, AllAre256SquareAtTheirBitDepth) {
    for (Sample s : all_samples) {
        SCOPED_TRACE(sample_caption(s));
        const BmpPicture& p = picture(s);
        EXPECT_EQ(p.width, 256);
        EXPECT_EQ(p.height, 256);
        EXPECT_EQ(p.bits_per_pixel, s == Sample::Saturn ? 8 : 24);
    }
}

TEST_F(SamplePictures, EveryPixelIsGrey) {
    for (Sample s : all_samples) {
        SCOPED_TRACE(sample_caption(s));
        const BmpPicture& p = picture(s);
        int coloured = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                std::uint32_t b, g, r;
                if (p.bits_per_pixel == 8) {
                    const std::uint32_t colour = p.palette.at(p.pixels[y * 256 + x]);
                    b = colour & 0xFF;
                    g = colour >> 8 & 0xFF;
                    r = colour >> 16 & 0xFF;
                    // The filter reads the blue byte after conversion to 24 bits: it must be the
                    // index.
                    coloured += b != p.pixels[y * 256 + x];
                } else {
                    const std::uint8_t* px = &p.pixels[(y * 256 + x) * 3];
                    b = px[0];
                    g = px[1];
                    r = px[2];
                }
                coloured += !(b == g && g == r);
            }
        }
        EXPECT_EQ(coloured, 0);
    }
}

TEST_F(SamplePictures, NoBlueChannelIsBlackEverywhere) {
    for (Sample s : all_samples) {
        SCOPED_TRACE(sample_caption(s));
        EXPECT_LT(count_of(s, 0), 256 * 256);
    }
}

TEST_F(SamplePictures, BlueSumsOfTheSyntheticPictures) {
    struct Case {
        Sample sample;
        std::int64_t sum;
    } cases[] = {{Sample::Wave, 8812608},
                 {Sample::Steps, 9579840},
                 {Sample::Circles1, 8365270},
                 {Sample::Circles2, 8550150}};
    for (const Case& c : cases) {
        SCOPED_TRACE(sample_caption(c.sample));
        EXPECT_EQ(blue_sum(c.sample), c.sum);
    }
}

TEST_F(SamplePictures, ValueRangesOfTheSmoothPatterns) {
    for (Sample s : {Sample::Wave, Sample::Circles1}) {
        SCOPED_TRACE(sample_caption(s));
        int lowest = 255, highest = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                lowest = std::min(lowest, blue(s, x, y));
                highest = std::max(highest, blue(s, x, y));
            }
        EXPECT_EQ(lowest, 0);
        EXPECT_EQ(highest, 253);
    }
}

// ---------------------------------------------------------------------------------------------
// "Wave" and "Steps": four stripes of 64 identical scan lines.

TEST_F(SamplePictures, WaveColumnsPerStripe) {
    struct Case {
        int x;
        int stripe_values[4];
    } cases[] = {
        {0, {127, 127, 127, 127}},
        {255, {152, 77, 35, 0}},
        {100, {122, 118, 110, 93}},
    };
    for (const Case& c : cases) {
        for (int y = 0; y < 256; ++y) {
            SCOPED_TRACE("x " + std::to_string(c.x) + ", y " + std::to_string(y));
            ASSERT_EQ(blue(Sample::Wave, c.x, y), c.stripe_values[y / 64]);
        }
    }
}

TEST_F(SamplePictures, StripesAreMadeOfIdenticalScanLines) {
    for (Sample s : {Sample::Wave, Sample::Steps}) {
        SCOPED_TRACE(sample_caption(s));
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(blue(s, x, y), blue(s, x, y / 64 * 64)) << "x " << x << ", y " << y;
        // ... and the stripes themselves differ.
        for (int stripe = 1; stripe < 4; ++stripe) {
            bool differs = false;
            for (int x = 0; x < 256; ++x)
                differs |= blue(s, x, stripe * 64) != blue(s, x, stripe * 64 - 1);
            EXPECT_TRUE(differs) << "stripe " << stripe;
        }
    }
}

TEST_F(SamplePictures, StepsFirstBlackPixelOfEachStripe) {
    const int first_black[4] = {71, 51, 36, 26};
    for (int stripe = 0; stripe < 4; ++stripe) {
        SCOPED_TRACE("stripe " + std::to_string(stripe));
        const int y = stripe * 64 + 17;
        int x = 0;
        while (x < 256 && blue(Sample::Steps, x, y) == 255)
            ++x;
        EXPECT_EQ(x, first_black[stripe]);
    }
}

TEST_F(SamplePictures, TwoLevelPatternsHoldOnlyBlackAndWhite) {
    struct Case {
        Sample sample;
        int white, black;
    } cases[] = {{Sample::Steps, 37568, 27968}, {Sample::Circles2, 33530, 32006}};
    for (const Case& c : cases) {
        SCOPED_TRACE(sample_caption(c.sample));
        EXPECT_EQ(count_of(c.sample, 255), c.white);
        EXPECT_EQ(count_of(c.sample, 0), c.black);
        EXPECT_EQ(c.white + c.black, 256 * 256);
    }
}

TEST_F(SamplePictures, StepsIsWhiteExactlyWhereWaveIsAtLeast127) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(blue(Sample::Steps, x, y) == 255, blue(Sample::Wave, x, y) >= 127)
                << "x " << x << ", y " << y;
}

// The colour changes counted along the phase: the n-th change lies where the phase reaches
// n pi, so a pixel is white exactly when its phase lies in an even half-period.
TEST_F(SamplePictures, TwoLevelPatternsChangeColourEveryHalfPeriod) {
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double steps_phase = static_cast<double>((1 << (y / 64)) * x * x) / 1600.0;
            const int r2 = (x - 128) * (x - 128) + (y - 128) * (y - 128);
            const double circles_phase = r2 / 300.0;
            const bool steps_white =
                static_cast<long>(std::floor(steps_phase / std::numbers::pi)) % 2 == 0;
            const bool circles_white =
                static_cast<long>(std::floor(circles_phase / std::numbers::pi)) % 2 == 0;
            ASSERT_EQ(blue(Sample::Steps, x, y) == 255, steps_white)
                << "Steps x " << x << ", y " << y;
            ASSERT_EQ(blue(Sample::Circles2, x, y) == 255, circles_white)
                << "Circles2 x " << x << ", y " << y;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// "Circles1" and "Circles2": rings about pixel (128, 128).

TEST_F(SamplePictures, WorkedPixelsOfTheRadialPatterns) {
    struct Case {
        Sample sample;
        int x, y, value;
    } cases[] = {
        {Sample::Circles1, 128, 128, 127}, {Sample::Circles1, 0, 0, 185},
        {Sample::Circles1, 255, 0, 36},    {Sample::Circles1, 0, 255, 36},
        {Sample::Circles1, 255, 255, 15},  {Sample::Circles1, 0, 128, 157},
        {Sample::Circles1, 128, 0, 157},   {Sample::Circles2, 0, 0, 255},
        {Sample::Circles2, 255, 255, 255}, {Sample::Circles2, 0, 128, 0},
        {Sample::Circles2, 128, 128, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sample_caption(c.sample)) + " (" + std::to_string(c.x) + ", " +
                     std::to_string(c.y) + ")");
        EXPECT_EQ(blue(c.sample, c.x, c.y), c.value);
    }
}

TEST_F(SamplePictures, Circles2FirstBlackRightOfTheCentreOnScanLine128) {
    int x = 128;
    while (x < 256 && blue(Sample::Circles2, x, 128) == 255)
        ++x;
    EXPECT_EQ(x, 159);
    EXPECT_EQ(x - 128, 31);
}

TEST_F(SamplePictures, RadialPatternsAreSymmetric) {
    for (Sample s : {Sample::Circles1, Sample::Circles2}) {
        SCOPED_TRACE(sample_caption(s));
        for (int y = 1; y < 256; ++y) {
            for (int x = 1; x < 256; ++x) {
                const int v = blue(s, x, y);
                ASSERT_EQ(blue(s, 256 - x, y), v) << "x " << x << ", y " << y;
                ASSERT_EQ(blue(s, x, 256 - y), v) << "x " << x << ", y " << y;
                ASSERT_EQ(blue(s, y, x), v) << "x " << x << ", y " << y;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The photographs: the built-in bytes are those of the files the project keeps.

Bytes read_photograph(const std::string& name) {
    const char* directory = std::getenv("VELD_PHOTOGRAPHS");
    std::ifstream in(std::string(directory) + "/" + name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + name);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SamplePhotographs, AreTheFilesOfThePhotographsDirectory) {
    if (std::getenv("VELD_PHOTOGRAPHS") == nullptr)
        GTEST_SKIP() << "VELD_PHOTOGRAPHS is not set";
    struct Case {
        Sample sample;
        const char* file;
    } cases[] = {{Sample::Jupiter, "jupiter.bmp"},
                 {Sample::Saturn, "saturn.bmp"},
                 {Sample::Moon, "moon.bmp"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes on_disk = read_photograph(c.file);
        const Bytes built_in = sample_bmp(c.sample);
        EXPECT_EQ(built_in, on_disk);
        const BmpPicture expected = decode_bmp(on_disk.data(), on_disk.size());
        const BmpPicture actual = decode_bmp(built_in.data(), built_in.size());
        EXPECT_EQ(actual.pixels, expected.pixels);
        EXPECT_EQ(actual.palette, expected.palette);
    }
}

// The features each photograph is known by, so that a picture swapped for another shows.
TEST_F(SamplePictures, PhotographsShowTheirSubjects) {
    // Jupiter: lit pixels span columns 17 to 236 and scan lines 19 to 231 on a black ground.
    int left = 256, right = -1, top = 256, bottom = -1;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (blue(Sample::Jupiter, x, y) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_EQ(left, 17);
    EXPECT_EQ(right, 236);
    EXPECT_EQ(top, 19);
    EXPECT_EQ(bottom, 231);

    // Saturn: the top 80 scan lines are the uniform background level 5.
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(blue(Sample::Saturn, x, y), 5) << "x " << x << ", y " << y;

    // Moon: the leftmost 40 columns lie beyond the terminator, dark; black beyond the limb on
    // the right; lit surface between.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_LE(blue(Sample::Moon, x, y), 12) << "x " << x << ", y " << y;
    EXPECT_EQ(blue(Sample::Moon, 255, 0), 0);
    EXPECT_EQ(blue(Sample::Moon, 255, 128), 0);
    int lit_in_middle = 0;
    for (int x = 120; x < 190; ++x)
        lit_in_middle += blue(Sample::Moon, x, 128) > 12;
    EXPECT_GT(lit_in_middle, 60);
}

}  // namespace
