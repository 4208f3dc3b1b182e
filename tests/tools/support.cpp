#include "support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

ScratchDir::ScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "veld-render-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ToolRun run_tool(const std::vector<std::string>& args, const std::string& cwd) {
    const std::string out_path = cwd + "/.stdout-capture";
    const std::string err_path = cwd + "/.stderr-capture";
    std::vector<std::string> argv_strings{VELD_RENDER};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argv_strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::chdir(cwd.c_str()) != 0)
            ::_exit(127);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ToolRun run;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    const auto slurp = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return run;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type from = 0;
    while (from < text.size()) {
        const auto nl = text.find('\n', from);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    return lines;
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TBitmap make_picture(int width, int height, const std::function<Bgr(int x, int y)>& pixel) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const Bgr p = pixel(x, y);
            row[3 * x + 0] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
    return bitmap;
}

std::string picture_difference(const TBitmap& expected, const TBitmap& actual) {
    if (expected.PixelFormat() != TPixelFormat::pf24bit ||
        actual.PixelFormat() != TPixelFormat::pf24bit)
        return "not both 24-bit";
    if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
        return "size " + std::to_string(actual.Width()) + " x " + std::to_string(actual.Height()) +
               ", expected " + std::to_string(expected.Width()) + " x " +
               std::to_string(expected.Height());
    int count = 0;
    std::string first;
    for (int y = 0; y < expected.Height(); ++y) {
        const std::uint8_t* e = expected.ScanLine(y);
        const std::uint8_t* a = actual.ScanLine(y);
        for (int i = 0; i < 3 * expected.Width(); ++i)
            if (e[i] != a[i]) {
                if (count++ == 0)
                    first = "first at pixel (" + std::to_string(i / 3) + ", " + std::to_string(y) +
                            ") byte " + std::to_string(i % 3) + ": " + std::to_string(a[i]) +
                            ", expected " + std::to_string(e[i]);
            }
    }
    return count ? std::to_string(count) + " bytes differ, " + first : "";
}

TBitmap crop(const TBitmap& picture, int left, int top, int width, int height) {
    TBitmap part;
    part.SetPixelFormat(TPixelFormat::pf24bit);
    part.SetSize(width, height);
    part.Canvas()->Draw(-left, -top, picture);
    return part;
}

std::array<int, 12> positions_of_gains(const std::array<int, 12>& gains) {
    std::array<int, 12> p{};
    for (int k = 0; k < 12; ++k)
        p[k] = 200 - gains[k];
    return p;
}

std::string joined(const std::array<int, 12>& values) {
    std::string s;
    for (int k = 0; k < 12; ++k)
        s += (k ? "," : "") + std::to_string(values[k]);
    return s;
}
