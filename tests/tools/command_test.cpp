// The program as a user runs it: a table of bad command lines and bad files, each with its
// message, status 2 and nothing written; the failing run with status 3; standard output
// holding the report and nothing else; and the treatment of a picture of the user's.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "first_run.h"
#include "picture_io.h"
#include "support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string twelve_100 = "100,100,100,100,100,100,100,100,100,100,100,100";

// The scratch directory's own files, the inputs the table uses.
void make_inputs(const ScratchDir& dir) {
    write_picture_file(
        make_picture(
            64, 64,
            [](int x, int y) {
                return Bgr{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4), 9};
            }),
        dir / "good.png");
    Bytes png = read_file(dir / "good.png");
    png.resize(png.size() / 2);
    write_file(dir / "cut.png", png);
    write_file(dir / "empty.png", {});
    write_file(dir / "notes.txt", {'n', 'o', 't', 'e', 's', '\n'});
    // A BMP header with 16 bits per pixel, which no reader here takes.
    Bytes bmp(54 + 4, 0);
    const auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, 58, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 1, 4);
    put(22, 1, 4);
    put(26, 1, 2);
    put(28, 16, 2);
    put(30, 7, 4);  // no such compression
    write_file(dir / "odd.bmp", bmp);
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_directory(dir / "taken.png");
}

struct BadRun {
    std::vector<std::string> args;
    std::string message;  // the one line on standard error
};

TEST(Command, BadRequestsSayWhyAndWriteNothing) {
    ScratchDir dir;
    make_inputs(dir);
    const std::vector<std::string> inputs = dir.entries();
    const BadRun cases[] = {
        {{}, "veld-render: no source picture: give --sample NAME or --input FILE (see --help)"},
        {{"--sample", "Pluto", "--output", "o.png"},
         "veld-render: --sample: unknown sample \"Pluto\" (one of Wave, Steps, Circles1, Circles2, "
         "Jupiter, Saturn, "
         "Moon)"},
        {{"--sample", "Moon", "--gains", "100,100", "--output", "o.png"},
         "veld-render: --gains: expected 12 comma-separated values, got 2"},
        {{"--sample", "Moon", "--positions", "1,2,3,4,5,6,7,8,9,10,11,x", "--output", "o.png"},
         "veld-render: --positions: value 12 \"x\" is not a whole number"},
        {{"--sample", "Moon", "--gains", "100,100,100,100,100,100,100,100,100,100,100,300",
          "--output", "o.png"},
         "veld-render: --gains: value 12 \"300\" is out of range 0 to 200"},
        {{"--sample", "Moon", "--source", "o.png", "--output", "o.png"},
         "veld-render: --source and --output: both name o.png"},
        {{"--input", "missing.png", "--output", "o.png"},
         "veld-render: missing.png: cannot open: No such file or directory"},
        {{"--input", "folder", "--output", "o.png"},
         "veld-render: folder: cannot read: Is a directory"},
        {{"--input", "empty.png", "--output", "o.png"},
         "veld-render: empty.png: the file is empty"},
        {{"--input", "notes.txt", "--output", "o.png"},
         "veld-render: notes.txt: not a picture in a format that can be read"},
        {{"--input", "odd.bmp", "--fit", "--output", "o.png"},
         "veld-render: odd.bmp: Invalid BMP: unsupported bit depth 16, only 24 and 8"},
        {{"--sample", "Wave", "--output", "o.jpg"},
         "veld-render: o.jpg: unsupported picture file type \".jpg\" (the name must end in .png or "
         ".bmp)"},
        {{"--sample", "Wave", "--output", "nowhere/o.png"},
         "veld-render: nowhere/o.png: cannot create a file in nowhere: No such file or directory"},
        {{"--sample", "Wave", "--output", "notes.txt/o.png"},
         "veld-render: notes.txt/o.png: cannot create a file in notes.txt: Not a directory"},
        {{"--sample", "Wave", "--output", "taken.png"},
         "veld-render: taken.png: cannot write: Is a directory"},
        // The first picture would be fine; it is not written either.
        {{"--sample", "Wave", "--source", "s.png", "--spectrum", "p.bmp", "--output",
          "nowhere/o.png"},
         "veld-render: nowhere/o.png: cannot create a file in nowhere: No such file or directory"},
        {{"--sample", "Wave", "--output", "o.png", "--window", "nowhere/w.png"},
         "veld-render: nowhere/w.png: cannot create a file in nowhere: No such file or directory"},
        {{"--sample", "Wave", "--bands", "b.gif"},
         "veld-render: b.gif: unsupported picture file type \".gif\" (the name must end in .png or "
         ".bmp)"},
        {{"--sample", "Wave", "--report", "--verbose"},
         "veld-render: --verbose: unknown option (see --help)"},
    };
    for (const BadRun& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += " " + a;
        SCOPED_TRACE(line);
        const ToolRun run = run_tool(c.args, dir.path());
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(dir.entries(), inputs);
    }
}

TEST(Command, TruncatedPictureIsMalformed) {
    ScratchDir dir;
    make_inputs(dir);
    const ToolRun run = run_tool({"--input", "cut.png", "--output", "o.png"}, dir.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("veld-render: cut.png: malformed picture data (", 0), 0u) << run.err;
    EXPECT_EQ(lines_of(run.err).size(), 1u) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "o.png"));
}

// The window's error text, status 3, and no file, whatever was asked for.
TEST(Command, ZeroMaximumFailsLikeTheWindow) {
    ScratchDir dir;
    write_picture_file(make_picture(256, 256,
                                    [](int, int) {
                                        return Bgr{0, 200, 200};
                                    }),
                       dir / "no-blue.png");
    write_picture_file(make_picture(256, 256,
                                    [](int, int) {
                                        return Bgr{77, 77, 77};
                                    }),
                       dir / "flat.png");
    const std::vector<std::string> outputs = {"--source", "s.png", "--spectrum", "p.png",
                                              "--output", "o.png", "--bands",    "b.png",
                                              "--window", "w.png", "--report"};
    const std::vector<std::vector<std::string>> cases = {
        {"--sample", "Moon", "--gains", "0,0,0,0,0,0,0,0,0,0,0,0"},
        {"--sample", "Saturn", "--positions", "200,200,200,200,200,200,200,200,200,200,200,200"},
        {"--input", "no-blue.png"},
        {"--input", "flat.png", "--gains", "0,100,100,100,100,100,100,100,100,100,100,100"},
    };
    const std::vector<std::string> before = dir.entries();
    for (std::vector<std::string> args : cases) {
        SCOPED_TRACE(args[1]);
        args.insert(args.end(), outputs.begin(), outputs.end());
        const ToolRun run = run_tool(args, dir.path());
        EXPECT_EQ(run.status, 3);
        EXPECT_EQ(run.err, "0 による浮動小数点数除算.\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(dir.entries(), before);
    }
}

TEST(Command, StandardOutputCarriesTheReportAlone) {
    ScratchDir dir;
    const ToolRun quiet =
        run_tool({"--sample", "Jupiter", "--output", "o.png", "--window", "w.png"}, dir.path());
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    const ToolRun report = run_tool({"--sample", "Jupiter", "--report"}, dir.path());
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(report.out.rfind("VELD band report: sample Jupiter\n", 0), 0u)
        << report.out.substr(0, 200);
    EXPECT_EQ(report.out.find("extended int"), std::string::npos);
    EXPECT_EQ(report.err, "");
}

TEST(Command, HelpIsTheUsage) {
    ScratchDir dir;
    const ToolRun run = run_tool({"--help"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("NAME\n    veld-render - ", 0), 0u);
    EXPECT_NE(run.out.find("EXIT STATUS"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

// A picture of the user's gets the window's treatment: kept top-left, cut or widened to
// 256 x 256 with black, and only the blue byte filtered.
TEST(Command, InputPicturesGetTheWindowsTreatment) {
    ScratchDir dir;
    const auto colour = [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x + 2 * y), static_cast<std::uint8_t>(x * y),
                   static_cast<std::uint8_t>(255 - x)};
    };
    write_picture_file(make_picture(300, 200, colour), dir / "wide.png");
    const ToolRun run = run_tool(
        {"--input", "wide.png", "--positions", "100,150,100,50,100,100,100,100,100,100,100,0",
         "--source", "s.png", "--spectrum", "p.png", "--output", "o.png"},
        dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const TBitmap expected_source = make_picture(256, 256, [&](int x, int y) {
        return y < 200 ? colour(x, y) : Bgr{0, 0, 0};
    });
    EXPECT_EQ(picture_difference(expected_source, read_picture_file(dir / "s.png")), "");

    // Only the blue bytes count: the same blue with other green and red gives the same result.
    const TBitmap blue_only = make_picture(256, 256, [&](int x, int y) {
        return Bgr{y < 200 ? colour(x, y).b : std::uint8_t{0}, 17, 201};
    });
    const FirstRun reference =
        first_run(blue_only, {100, 150, 100, 50, 100, 100, 100, 100, 100, 100, 100, 0});
    EXPECT_EQ(picture_difference(reference.spectrum, read_picture_file(dir / "p.png")), "");
    EXPECT_EQ(picture_difference(reference.output, read_picture_file(dir / "o.png")), "");
}

// Formats that need the engine's plug-ins are read without any window or application object.
TEST(Command, OtherFormatsAreReadWithoutAWindow) {
    ScratchDir dir;
    // A 1 x 1 GIF whose only pixel is red.
    write_file(dir / "red.gif",
               {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
    const ToolRun run =
        run_tool({"--input", "red.gif", "--source", "s.png", "--report"}, dir.path());
    EXPECT_EQ(run.status, 3) << run.err;  // no blue at all: the run has nothing to normalise
    EXPECT_EQ(run.err, "0 による浮動小数点数除算.\n");
    const ToolRun fitted =
        run_tool({"--input", "red.gif", "--fit", "--source", "s.png"}, dir.path());
    ASSERT_EQ(fitted.status, 0) << fitted.err;
    const TBitmap source = read_picture_file(dir / "s.png");
    EXPECT_EQ(picture_difference(make_picture(256, 256,
                                              [](int, int) {
                                                  return Bgr{76, 76, 76};
                                              }),
                                 source),
              "");
}

TEST(Command, SampleFileAsInputIsTheSample) {
    ScratchDir dir;
    for (const char* name : {"saturn", "moon"}) {
        SCOPED_TRACE(name);
        const std::string file = std::string(VELD_PHOTOGRAPH_DIR) + "/" + name + ".bmp";
        const std::string caption =
            std::string(1, static_cast<char>(name[0] - 'a' + 'A')) + (name + 1);
        const ToolRun a =
            run_tool({"--input", file, "--source", "a1.bmp", "--output", "a3.bmp"}, dir.path());
        const ToolRun b =
            run_tool({"--sample", caption, "--source", "b1.bmp", "--output", "b3.bmp"}, dir.path());
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(read_file(dir / "a1.bmp"), read_file(dir / "b1.bmp"));
        EXPECT_EQ(read_file(dir / "a3.bmp"), read_file(dir / "b3.bmp"));
    }
}

TEST(Command, FitKeepsProportionsInGreyLevels) {
    ScratchDir dir;
    // Left half pure red, right half pure blue, 600 x 300: in the square of 600 it stands at
    // rows 150 ... 449, which are output rows 64 ... 191; above and below is black.
    write_picture_file(make_picture(600, 300,
                                    [](int x, int) {
                                        return x < 300 ? Bgr{0, 0, 255} : Bgr{255, 0, 0};
                                    }),
                       dir / "photo.png");
    const ToolRun run = run_tool(
        {"--input", "photo.png", "--fit", "--source", "s.png", "--output", "o.png"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const TBitmap source = read_picture_file(dir / "s.png");
    ASSERT_EQ(source.Width(), 256);
    ASSERT_EQ(source.Height(), 256);
    for (int y : {64, 100, 191}) {
        SCOPED_TRACE(y);
        const std::uint8_t* row = source.ScanLine(y);
        EXPECT_EQ(row[3 * 0], 76);    // red's grey level
        EXPECT_EQ(row[3 * 255], 29);  // blue's
        for (int x = 0; x < 256; ++x) {
            EXPECT_EQ(row[3 * x], row[3 * x + 1]);
            EXPECT_EQ(row[3 * x], row[3 * x + 2]);
        }
    }
    for (int y : {0, 63, 192, 255})
        for (int x : {0, 128, 255})
            EXPECT_EQ(source.ScanLine(y)[3 * x], 0) << x << "," << y;
    const FirstRun reference = first_run(source, all_100);
    EXPECT_EQ(picture_difference(reference.output, read_picture_file(dir / "o.png")), "");
}

}  // namespace
