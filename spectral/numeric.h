#pragma once
// Conversions and floating-point errors shared by every numeric step.

#include <cstdint>
#include <stdexcept>
#include <string>

// Edge length of every square buffer and of every picture the program computes.
inline constexpr std::int32_t image_size = 256;

// A floating-point error of a numeric step: division by zero, an invalid operation or an
// overflow. Raised instead of letting an infinity or a NaN reach a picture.
class MathError : public std::runtime_error {
public:
    enum class Kind { ZeroDivide, InvalidOp, Overflow };
    explicit MathError(Kind kind);
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Truncation toward zero through a 64-bit integer, keeping the low 32 bits (two's complement).
// A value outside the 64-bit range, or NaN, raises MathError(InvalidOp) rather than invoking
// undefined behaviour.
[[noreturn]] void throw_invalid_conversion();
inline std::int32_t to_int(double value) {
    // Written so that NaN fails the test as well.
    constexpr double two_to_63 = 9223372036854775808.0;
    if (!(value >= -two_to_63 && value < two_to_63)) [[unlikely]]
        throw_invalid_conversion();
    const auto wide = static_cast<std::int64_t>(value);
    // Low 32 bits, two's complement: the unsigned wrap is defined, and so (since C++20) is the
    // conversion of the unsigned value back to int32.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

// The floating-point guard: clear the sticky flags before a numeric section, then raise the
// first of division by zero, invalid operation or overflow that the section left behind.
void clear_fp_flags();
void raise_fp_flags();
