// The band pictures: together they are the source, each is the window's output for its band
// alone, and the contact sheet places them in slider order.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "band_sheet.h"
#include "first_run.h"
#include "picture_io.h"
#include "support.h"

namespace {

TEST(BandPictures, FieldsAddUpToTheSource) {
    const TBitmap pictures[] = {
        first_run(sample_picture(Sample::Moon), all_100).source,
        first_run(sample_picture(Sample::Circles2), all_100).source,
        make_picture(
            256, 256,
            [](int x, int y) {
                return Bgr{static_cast<std::uint8_t>((x * 31 + y * 17 + x * y) % 256), 0, 0};
            }),
    };
    for (const TBitmap& source : pictures) {
        const BandPictures bands = band_pictures(source);
        double worst = 0;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                double sum = 0;
                for (int k = 0; k < band_count; ++k)
                    sum += bands.fields[k][static_cast<std::size_t>(i) * 256 + j];
                // Every back-transform leaves [i][j] holding source pixel ((256 - i) mod 256,
                // (256 - j) mod 256), divided by 256^2.
                const int blue = source.ScanLine((256 - j) % 256)[3 * ((256 - i) % 256)];
                worst = std::max(worst, std::fabs(sum * 65536.0 - blue));
            }
        EXPECT_LT(worst, 1e-9);
    }
}

TEST(BandPictures, EachTileIsTheOutputOfItsBandAlone) {
    const TBitmap source = first_run(sample_picture(Sample::Jupiter), all_100).source;
    const BandPictures bands = band_pictures(source);
    for (int k = 0; k < band_count; ++k) {
        SCOPED_TRACE(k);
        ASSERT_FALSE(bands.empty[k]);
        const FirstRun alone = first_run(source, band_alone(k));
        EXPECT_EQ(picture_difference(alone.output, bands.tiles[k]), "");
    }
}

TEST(BandPictures, BandsWithoutContentAreBlack) {
    const TBitmap flat = make_picture(256, 256, [](int, int) { return Bgr{120, 120, 120}; });
    const BandPictures bands = band_pictures(flat);
    EXPECT_FALSE(bands.empty[0]);
    const TBitmap black = make_picture(256, 256, [](int, int) { return Bgr{0, 0, 0}; });
    for (int k = 1; k < band_count; ++k) {
        EXPECT_TRUE(bands.empty[k]) << k;
        EXPECT_EQ(picture_difference(black, bands.tiles[k]), "") << k;
    }
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 3 * 256; ++x)
            ASSERT_GE(bands.tiles[0].ScanLine(y)[x], 254);
}

TEST(ContactSheet, TilesGoLeftToRightInRowsOfFour) {
    const BandPictures bands =
        band_pictures(first_run(sample_picture(Sample::Saturn), all_100).source);
    const TBitmap sheet = contact_sheet(bands);
    ASSERT_EQ(sheet.Width(), 1024);
    ASSERT_EQ(sheet.Height(), 768);
    for (int k = 0; k < band_count; ++k)
        EXPECT_EQ(
            picture_difference(bands.tiles[k], crop(sheet, (k % 4) * 256, (k / 4) * 256, 256, 256)),
            "")
            << k;
}

TEST(ContactSheet, WrittenByTheProgram) {
    ScratchDir dir;
    const ToolRun run = run_tool({"--sample", "Steps", "--bands", "sheet.png"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const BandPictures bands =
        band_pictures(first_run(sample_picture(Sample::Steps), all_100).source);
    EXPECT_EQ(picture_difference(contact_sheet(bands), read_picture_file(dir / "sheet.png")), "");
}

TEST(ContactSheet, EmptyBandsAreNamedInWarnings) {
    ScratchDir dir;
    write_picture_file(make_picture(256, 256,
                                    [](int, int) {
                                        return Bgr{60, 60, 60};
                                    }),
                       dir / "flat.png");
    const ToolRun run = run_tool({"--input", "flat.png", "--bands", "sheet.bmp"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> warnings = lines_of(run.err);
    ASSERT_EQ(warnings.size(), 11u) << run.err;
    for (int k = 1; k < band_count; ++k)
        EXPECT_EQ(
            warnings[k - 1],
            "veld-render: warning: band " + std::to_string(k) + " (ScrollBar" +
                std::to_string(k + 1) +
                ") has no positive value after the transform; its tile in sheet.bmp is black");
    const TBitmap sheet = read_picture_file(dir / "sheet.bmp");
    EXPECT_GE(sheet.ScanLine(10)[3 * 10], 254);        // band 0: the mean alone, normalised to 1
    EXPECT_EQ(sheet.ScanLine(10)[3 * (256 + 10)], 0);  // band 1: black
}

}  // namespace
