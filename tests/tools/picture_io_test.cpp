// Picture files: write-then-read round trips in both formats, pictures in other formats and
// BMP variants the toolkit's own decoder leaves to the engine, refused files with messages
// that name them, the grey fit, and all-or-nothing writing.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "picture_io.h"
#include "support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TBitmap patterned(int width, int height) {
    return make_picture(width, height, [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 13 + 5),
                   static_cast<std::uint8_t>((x ^ y) * 3)};
    });
}

std::string read_refusal(const std::string& path) {
    try {
        read_picture_file(path);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(read)";
}

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

TEST(PictureFiles, PngAndBmpKeepEveryPixel) {
    ScratchDir dir;
    for (const char* name : {"odd.png", "odd.bmp", "UPPER.PNG"}) {
        SCOPED_TRACE(name);
        const TBitmap picture = patterned(37, 11);
        write_picture_file(picture, dir / name);
        EXPECT_EQ(picture_difference(picture, read_picture_file(dir / name)), "");
    }
}

TEST(PictureFiles, EightBitPicturesKeepTheirColours) {
    ScratchDir dir;
    TBitmap indexed;
    indexed.SetPixelFormat(TPixelFormat::pf8bit);
    indexed.SetSize(5, 3);
    indexed.SetPalette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            indexed.ScanLine(y)[x] = static_cast<std::uint8_t>((x + y) % 5);
    TBitmap as_colour = indexed;
    as_colour.SetPixelFormat(TPixelFormat::pf24bit);

    write_picture_file(indexed, dir / "indexed.png");
    EXPECT_EQ(picture_difference(as_colour, read_picture_file(dir / "indexed.png")), "");

    // A BMP the toolkit's decoder reads stays 8-bit, as the window's samples do.
    write_picture_file(indexed, dir / "indexed.bmp");
    const TBitmap back = read_picture_file(dir / "indexed.bmp");
    ASSERT_EQ(back.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(back.Palette()[4], 0x123456u);
    EXPECT_EQ(back.ScanLine(2)[4], (4 + 2) % 5);
}

TEST(PictureFiles, OtherFormatsGoThroughTheEngine) {
    ScratchDir dir;
    // A 1 x 1 GIF whose only pixel is palette entry 0, red.
    const Bytes gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                       0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                       0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    write_file(dir / "red.gif", gif);
    const TBitmap red = read_picture_file(dir / "red.gif");
    ASSERT_EQ(red.Width(), 1);
    ASSERT_EQ(red.Height(), 1);
    EXPECT_EQ(red.ScanLine(0)[0], 0x00);
    EXPECT_EQ(red.ScanLine(0)[1], 0x00);
    EXPECT_EQ(red.ScanLine(0)[2], 0xFF);
}

TEST(PictureFiles, RunLengthBmpIsLeftToTheEngine) {
    // 2 x 2, 8 bits, RLE8: the bottom row is two pixels of entry 1, the top row two of entry 0.
    Bytes bmp = {'B', 'M'};
    const Bytes rle = {0x02, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01};
    const std::uint32_t offset = 14 + 40 + 2 * 4;
    put32(bmp, offset + static_cast<std::uint32_t>(rle.size()));
    put32(bmp, 0);
    put32(bmp, offset);
    put32(bmp, 40);
    put32(bmp, 2);
    put32(bmp, 2);
    put16(bmp, 1);
    put16(bmp, 8);
    put32(bmp, 1);  // BI_RLE8
    put32(bmp, static_cast<std::uint32_t>(rle.size()));
    put32(bmp, 0);
    put32(bmp, 0);
    put32(bmp, 2);
    put32(bmp, 0);
    for (std::uint32_t bgrx : {0x00102030u, 0x00C0B0A0u})
        put32(bmp, bgrx);
    bmp.insert(bmp.end(), rle.begin(), rle.end());

    ScratchDir dir;
    write_file(dir / "rle.bmp", bmp);
    const TBitmap picture = read_picture_file(dir / "rle.bmp");
    ASSERT_EQ(picture.Width(), 2);
    ASSERT_EQ(picture.Height(), 2);
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
    const std::uint8_t top[] = {0x30, 0x20, 0x10}, bottom[] = {0xA0, 0xB0, 0xC0};
    for (int x = 0; x < 2; ++x)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(picture.ScanLine(0)[3 * x + c], top[c]);
            EXPECT_EQ(picture.ScanLine(1)[3 * x + c], bottom[c]);
        }
}

TEST(PictureFiles, RefusedFilesAreNamedWithTheReason) {
    ScratchDir dir;
    write_file(dir / "empty.png", {});
    write_file(dir / "text.png", {'h', 'e', 'l', 'l', 'o', '\n'});
    write_picture_file(patterned(64, 64), dir / "whole.png");
    Bytes png = read_file(dir / "whole.png");
    png.resize(png.size() / 2);
    write_file(dir / "truncated.png", png);
    // "BM" and a header too short for anything.
    write_file(dir / "short.bmp", {'B', 'M', 0x10, 0x00});
    std::filesystem::create_directory(dir / "folder.png");

    struct Case {
        std::string file;
        std::string reason;
    } cases[] = {
        {"missing.png", ": cannot open: No such file or directory"},
        {"folder.png", ": cannot read: Is a directory"},
        {"empty.png", ": the file is empty"},
        {"text.png", ": not a picture in a format that can be read"},
        {"truncated.png", ": malformed picture data"},
        {"short.bmp", ": "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string message = read_refusal(dir / c.file);
        EXPECT_EQ(message.rfind(dir / c.file + c.reason, 0), 0u) << message;
    }
}

TEST(PictureFiles, FormatComesFromTheExtension) {
    EXPECT_EQ(picture_format_for("a.png"), PictureFileFormat::Png);
    EXPECT_EQ(picture_format_for("dir.bmp/a.PNG"), PictureFileFormat::Png);
    EXPECT_EQ(picture_format_for("x/y.bmp"), PictureFileFormat::Bmp);
    EXPECT_EQ(picture_format_for("a.Bmp"), PictureFileFormat::Bmp);
    for (const char* path : {"a.jpg", "a", ".png", "a.png.txt", "dir.png/a"})
        EXPECT_THROW(picture_format_for(path), EInvalidGraphic) << path;
}

TEST(PictureFileSet, CommitPutsEveryFileInPlaceWithTheUsualMode) {
    ScratchDir dir;
    write_file(dir / "old.png", {'o', 'l', 'd'});
    {
        PictureFileSet set;
        set.add(patterned(8, 8), dir / "old.png");
        set.add(patterned(9, 4), dir / "new.bmp");
        EXPECT_EQ(dir.entries().size(), 3u);  // old.png and two temporaries; nothing renamed yet
        EXPECT_EQ(read_file(dir / "old.png"), (Bytes{'o', 'l', 'd'}));
        set.commit();
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"new.bmp", "old.png"}));
    EXPECT_EQ(picture_difference(patterned(8, 8), read_picture_file(dir / "old.png")), "");
    EXPECT_EQ(picture_difference(patterned(9, 4), read_picture_file(dir / "new.bmp")), "");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "new.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(PictureFileSet, AFailureLeavesNothingBehind) {
    ScratchDir dir;
    write_file(dir / "plain-file", {'x'});
    std::filesystem::create_directory(dir / "taken.png");
    struct Case {
        std::string second;
        std::string reason;
    } cases[] = {
        {"missing-dir/b.png",
         "cannot create a file in " + dir / "missing-dir" + ": No such file or directory"},
        {"plain-file/b.png", "cannot create a file in " + dir / "plain-file" + ": Not a directory"},
        {"taken.png", "cannot write: Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        std::string message;
        try {
            PictureFileSet set;
            set.add(patterned(8, 8), dir / "a.png");
            set.add(patterned(8, 8), dir / c.second);
            set.commit();
        } catch (const EFileError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, dir / c.second + ": " + c.reason);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"plain-file", "taken.png"}));
    }
}

TEST(PictureFileSet, AWriterThatFailsLeavesNothingBehind) {
    ScratchDir dir;
    std::string temporary;
    EXPECT_THROW(
        {
            PictureFileSet set;
            set.add_written_by(dir / "w.png", [&](const std::string& t) {
                temporary = t;
                return false;
            });
        },
        EFileError);
    EXPECT_EQ(temporary.substr(temporary.size() - 4), ".png");
    EXPECT_EQ(temporary.rfind(dir.path() + "/", 0), 0u);
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
