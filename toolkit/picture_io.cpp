#include "picture_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string errno_text(int error) { return std::strerror(error); }

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

std::string file_name_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directory_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// ".png" of "a/b.PNG" (as written), "" when the name has none.
std::string extension_of(const std::string& path) {
    const std::string name = file_name_of(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return "";
    return name.substr(dot);
}

std::vector<std::uint8_t> read_whole_file(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw EFileError(path + ": cannot open: " + errno_text(errno));
    if (S_ISDIR(info.st_mode))
        throw EFileError(path + ": cannot read: " + errno_text(EISDIR));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw EFileError(path + ": cannot open: " + errno_text(errno));
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed)
        throw EFileError(path + ": cannot read: " + errno_text(error));
    return bytes;
}

// Some of the engine's readers write their faults straight to standard error ("libpng error:
// Read Error", from the PNG library itself, or the engine's own warnings). While one of these
// exists, whatever goes to file descriptor 2 is collected in a temporary file instead, to become
// part of the reason when the read fails. Not for use from two threads at once.
class StandardErrorCaptured {
public:
    StandardErrorCaptured() {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = ::dup(STDERR_FILENO);
        if (file_ && saved_ >= 0)
            ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StandardErrorCaptured() {
        restore();
        if (file_)
            std::fclose(file_);
    }
    StandardErrorCaptured(const StandardErrorCaptured&) = delete;
    StandardErrorCaptured& operator=(const StandardErrorCaptured&) = delete;

    // Ends the capture; what was written, its lines joined by "; ".
    std::string text() {
        restore();
        std::string joined;
        if (!file_)
            return joined;
        std::rewind(file_);
        std::string line;
        for (int c = std::fgetc(file_);; c = std::fgetc(file_)) {
            if (c == '\n' || c == EOF) {
                if (!line.empty())
                    joined += (joined.empty() ? "" : "; ") + line;
                line.clear();
                if (c == EOF)
                    break;
            } else {
                line += static_cast<char>(c);
            }
        }
        return joined;
    }

private:
    void restore() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

std::string reader_reason(const QImageReader& reader, const std::string& warnings) {
    std::string detail = reader.errorString().toStdString();
    if (!warnings.empty())
        detail += "; " + warnings;
    switch (reader.error()) {
    case QImageReader::UnsupportedFormatError:
        return "not a picture in a format that can be read";
    case QImageReader::InvalidDataError:
        return "malformed picture data (" + detail + ")";
    default:
        return detail;
    }
}

// Every pixel's colour, alpha dropped, into a new 24-bit bitmap of the image's size.
TBitmap bitmap_from_image(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* out = bitmap.ScanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            out[3 * x + 0] = static_cast<std::uint8_t>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<std::uint8_t>(qRed(in[x]));
        }
    }
    return bitmap;
}

QImage image_from_bitmap(const TBitmap& picture) {
    const int w = picture.Width();
    const int h = picture.Height();
    if (picture.PixelFormat() == TPixelFormat::pf8bit) {
        QImage image(w, h, QImage::Format_Indexed8);
        // An index without a palette entry shows black, as in the bitmap itself.
        QList<QRgb> table(256, qRgb(0, 0, 0));
        const auto& palette = picture.Palette();
        for (std::size_t i = 0; i < palette.size(); ++i)
            table[static_cast<qsizetype>(i)] = 0xFF000000u | palette[i];
        image.setColorTable(table);
        for (int y = 0; y < h; ++y)
            std::copy_n(picture.ScanLine(y), w, image.scanLine(y));
        return image;
    }
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = picture.ScanLine(y);
        std::uint8_t* out = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            out[3 * x + 0] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x + 0];
        }
    }
    return image;
}

bool write_all(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TBitmap read_picture_file(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_whole_file(path);
    if (bytes.empty())
        throw EInvalidGraphic(path + ": the file is empty");

    std::string bmp_reason;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        try {
            TBitmap bitmap;
            bitmap.LoadFromBmp(bytes.data(), bytes.size());
            return bitmap;
        } catch (const EInvalidGraphic& e) {
            // Compressed and other BMP variants are left to the engine's reader.
            bmp_reason = e.what();
        }
    }

    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image;
    StandardErrorCaptured chatter;
    const bool read = reader.read(&image) && !image.isNull();
    const std::string said = chatter.text();
    if (!read) {
        const std::string reason = bmp_reason.empty() ? reader_reason(reader, said) : bmp_reason;
        throw EInvalidGraphic(path + ": " + reason);
    }
    try {
        return bitmap_from_image(image);
    } catch (const Exception& e) {
        throw EInvalidGraphic(path + ": " + e.what());
    }
}

PictureFileFormat picture_format_for(const std::string& path) {
    const std::string ext = lower(extension_of(path));
    if (ext == ".png")
        return PictureFileFormat::Png;
    if (ext == ".bmp")
        return PictureFileFormat::Bmp;
    throw EInvalidGraphic(path + ": unsupported picture file type \"" + extension_of(path) +
                          "\" (the name must end in .png or .bmp)");
}

std::vector<std::uint8_t> encode_picture(const TBitmap& picture, PictureFileFormat format) {
    if (picture.Width() == 0 || picture.Height() == 0)
        throw EInvalidGraphic("An empty picture cannot be written");
    if (format == PictureFileFormat::Bmp)
        return picture.SaveToBmp();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image_from_bitmap(picture)))
        throw EInvalidGraphic("PNG encoding failed: " + writer.errorString().toStdString());
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            reinterpret_cast<const std::uint8_t*>(data.constData()) + data.size()};
}

PictureFileSet::~PictureFileSet() {
    for (const Staged& s : staged_)
        ::unlink(s.temporary.c_str());
}

std::string PictureFileSet::make_temporary(const std::string& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw EFileError(target + ": cannot write: " + errno_text(EISDIR));
    const std::string dir = directory_of(target);
    const std::string ext = extension_of(target);
    // Hidden, beside the target, with the target's extension for writers that go by it.
    std::string name =
        (dir == "/" ? "/" : dir + "/") + "." + file_name_of(target) + "-XXXXXX" + ext;
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = ::mkstemps(buf.data(), static_cast<int>(ext.size()));
    if (fd < 0)
        throw EFileError(target + ": cannot create a file in " + dir + ": " + errno_text(errno));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    staged_.push_back({buf.data(), target});
    return buf.data();
}

void PictureFileSet::add(const TBitmap& picture, const std::string& path) {
    const PictureFileFormat format = picture_format_for(path);
    const std::vector<std::uint8_t> bytes = encode_picture(picture, format);
    const std::string temporary = make_temporary(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        throw EFileError(path + ": cannot write: " + errno_text(errno));
    const bool written = write_all(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        throw EFileError(path + ": cannot write: " + errno_text(written ? errno : error));
}

void PictureFileSet::add_written_by(
    const std::string& path, const std::function<bool(const std::string& temporary)>& write) {
    picture_format_for(path);
    const std::string temporary = make_temporary(path);
    if (!write(temporary))
        throw EFileError(path + ": cannot write the picture");
}

void PictureFileSet::commit() {
    while (!staged_.empty()) {
        const Staged& s = staged_.front();
        if (std::rename(s.temporary.c_str(), s.target.c_str()) != 0)
            throw EFileError(s.target + ": cannot write: " + errno_text(errno));
        staged_.erase(staged_.begin());
    }
}

void write_picture_file(const TBitmap& picture, const std::string& path) {
    PictureFileSet set;
    set.add(picture, path);
    set.commit();
}
