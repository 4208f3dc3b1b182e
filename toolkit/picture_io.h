#pragma once
// Picture files: reading any format the toolkit's engine reads, writing PNG or BMP.
//
// Conventions:
// - Every error names the file in its message ("photo.png: cannot open: No such file or
//   directory"), so a caller can show what() as it is.
// - Writing never leaves a half-written file under the target's name: a file is written to a
//   temporary name in the target's own directory and renamed into place only when complete.
// - Neither reading nor writing needs the application object.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exceptions.h"
#include "graphics.h"

// A file that could not be opened, read, created or written.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

// The picture in the file at its own size. An uncompressed BMP that the toolkit's own decoder
// accepts is loaded exactly as the window loads its samples (an 8-bit file keeps its palette);
// every other file goes through the engine's image readers, is turned upright by its
// orientation tag if it carries one, and becomes 24 bits per pixel, transparency ignored.
// Throws EFileError when the file cannot be read, EInvalidGraphic when its content is not a
// picture that can be decoded.
TBitmap read_picture_file(const std::string& path);

enum class PictureFileFormat { Png, Bmp };

// The format a path asks for by its extension, ".png" or ".bmp" in any case. Any other
// extension throws EInvalidGraphic naming the path.
PictureFileFormat picture_format_for(const std::string& path);

// The complete file of the picture in that format. PNG keeps every pixel exactly (24-bit
// pictures as RGB, 8-bit ones as indexed colour with their palette); BMP is the toolkit's own
// uncompressed encoding.
std::vector<std::uint8_t> encode_picture(const TBitmap& picture, PictureFileFormat format);

// A set of files written together. Each add() writes one file completely under a temporary name
// beside its target; commit() then renames them into place one after another. A failing add()
// throws EFileError, and the set removes every temporary it still holds when it is destroyed,
// so a failure before commit() leaves every target untouched. A rename that fails inside
// commit() throws with the targets renamed before it already replaced.
class PictureFileSet {
public:
    PictureFileSet() = default;
    PictureFileSet(const PictureFileSet&) = delete;
    PictureFileSet& operator=(const PictureFileSet&) = delete;
    ~PictureFileSet();

    // The picture encoded by the path's extension.
    void add(const TBitmap& picture, const std::string& path);
    // A file produced by `write`, which receives the temporary path (it keeps the target's
    // extension) and returns false on failure.
    void add_written_by(const std::string& path,
                        const std::function<bool(const std::string& temporary)>& write);
    void commit();

private:
    struct Staged {
        std::string temporary;
        std::string target;
    };
    std::string make_temporary(const std::string& target);
    std::vector<Staged> staged_;
};

// One picture file, written as a set of one.
void write_picture_file(const TBitmap& picture, const std::string& path);
