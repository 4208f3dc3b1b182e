#include "numeric.h"

#include <cfenv>

namespace {

const char* math_error_text(MathError::Kind kind) {
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

}  // namespace

MathError::MathError(Kind kind) : std::runtime_error(math_error_text(kind)), kind_(kind) {}

void throw_invalid_conversion() { throw MathError(MathError::Kind::InvalidOp); }

void clear_fp_flags() { std::feclearexcept(FE_ALL_EXCEPT); }

void raise_fp_flags() {
    const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_DIVBYZERO)
        throw MathError(MathError::Kind::ZeroDivide);
    if (raised & FE_INVALID)
        throw MathError(MathError::Kind::InvalidOp);
    if (raised & FE_OVERFLOW)
        throw MathError(MathError::Kind::Overflow);
}
