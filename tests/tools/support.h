#pragma once
// Shared pieces of the veld-render tests: a scratch directory, running the built program, and
// comparing pictures.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "band.h"
#include "graphics.h"

// A fresh directory under the system's temporary directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Every entry's name, hidden ones included, sorted.
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

struct ToolRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the built veld-render with `args` in directory `cwd` and waits for it.
ToolRun run_tool(const std::vector<std::string>& args, const std::string& cwd);

// The lines of a text, without their '\n'.
std::vector<std::string> lines_of(const std::string& text);

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> read_file(const std::string& path);

// A 24-bit bitmap whose pixel (x, y) gets the blue, green and red bytes `pixel` gives.
struct Bgr {
    std::uint8_t b, g, r;
};
TBitmap make_picture(int width, int height, const std::function<Bgr(int x, int y)>& pixel);

// Empty when both are 24-bit pictures of one size with the same bytes; otherwise what differs.
std::string picture_difference(const TBitmap& expected, const TBitmap& actual);

// The part of `picture` with its top-left corner at (left, top), width x height.
TBitmap crop(const TBitmap& picture, int left, int top, int width, int height);

// Every slider at 100, where the window starts them.
inline const SliderPositions all_100 = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100};

// Slider positions from gains in percent.
std::array<int, 12> positions_of_gains(const std::array<int, 12>& gains);
std::string joined(const std::array<int, 12>& values);
