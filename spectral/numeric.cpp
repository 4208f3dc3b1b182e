#include "numeric.h"

#include <cfenv>

std::int32_t image_size = 256;

namespace {

const char* math_error_text(MathError::Kind kind)
{
    switch (kind) {
    case MathError::Kind::ZeroDivide:
        return "0 による浮動小数点数除算";
    case MathError::Kind::InvalidOp:
        return "浮動小数点数の無効な演算";
    case MathError::Kind::Overflow:
        return "浮動小数点数オーバーフロー";
    }
    return "浮動小数点数の無効な演算";
}

// 2^63 as a double; every double in [-2^63, 2^63) truncates to a representable int64.
constexpr double two_to_63 = 9223372036854775808.0;

}  // namespace

MathError::MathError(Kind kind) : std::runtime_error(math_error_text(kind)), kind_(kind) {}

std::int32_t to_int(double value)
{
    // Written so that NaN fails the test as well.
    if (!(value >= -two_to_63 && value < two_to_63))
        throw MathError(MathError::Kind::InvalidOp);
    const auto wide = static_cast<std::int64_t>(value);
    // Low 32 bits, two's complement: the unsigned wrap is defined, and so (since C++20) is the
    // conversion of the unsigned value back to int32.
    const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide));
    return static_cast<std::int32_t>(low);
}

void clear_fp_flags()
{
    std::feclearexcept(FE_ALL_EXCEPT);
}

void raise_fp_flags()
{
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO)
        throw MathError(MathError::Kind::ZeroDivide);
    if (raised & FE_INVALID)
        throw MathError(MathError::Kind::InvalidOp);
    if (raised & FE_OVERFLOW)
        throw MathError(MathError::Kind::Overflow);
}
