#pragma once
// What every input of the two readers must lead to, checked in full. The libFuzzer targets call
// these on every input they make; the ordinary tests (tests/hardening) replay the seed corpus
// and every input that once broke a promise through the same functions.
//
// A broken promise throws BrokenPromise with a message naming it. Any other exception that
// leaves these functions is a finding as well: the readers may refuse an input only with the
// toolkit's own exceptions, and a filter run of a readable picture may fail only on the zero
// maximum.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class BrokenPromise : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The checkers' own test: throws BrokenPromise, building the message only when the promise is
// broken (some checks run once per pixel).
#define VELD_PROMISE(kept, what)       \
    do {                               \
        if (!(kept))                   \
            throw BrokenPromise(what); \
    } while (false)

enum class InputOutcome { Decoded, Refused };

// decode_bmp on the bytes. A decoded picture must keep the conventions of BmpPicture, come back
// unchanged from encode_bmp and decode_bmp, load into a TBitmap with the same pixels, and go
// through the conversion a filter run makes of its source (24 bits, then 256 wide, then 256
// high) keeping its top-left content. A refusal must be EInvalidGraphic with a message.
InputOutcome check_bmp_input(const std::uint8_t* data, std::size_t size);

// veld-render's input path on the bytes as the content of a file: read_picture_file as such
// (--input) and through the grey 256 x 256 fit (--fit), then the window's first run on the
// picture as read. A refusal must be the toolkit's Exception naming the file; the fit must be
// grey, 24-bit, 256 x 256; the run may fail only with the zero maximum, and a run that succeeds
// must leave a 24-bit 256 x 256 source, spectrum and output, the output grey.
// `scratch_path` is where the bytes are written; it is overwritten at every call.
InputOutcome check_render_input(const std::uint8_t* data, std::size_t size,
                                const std::string& scratch_path);
