#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>

#include "numeric.h"

namespace {

TEST(ImageSize, IsTheEdgeOfEveryPicture) { EXPECT_EQ(image_size, 256); }

TEST(MathError, CarriesItsKindAndText) {
    struct Case {
        MathError::Kind kind;
        std::string text;
    } cases[] = {
        {MathError::Kind::ZeroDivide, "0 による浮動小数点数除算"},
        {MathError::Kind::InvalidOp, "浮動小数点数の無効な演算"},
        {MathError::Kind::Overflow, "浮動小数点数オーバーフロー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const MathError error(c.kind);
        EXPECT_EQ(error.kind(), c.kind);
        EXPECT_EQ(std::string(error.what()), c.text);
    }
}

TEST(ToInt, TruncatesTowardZeroAndKeepsTheLow32Bits) {
    struct Case {
        double value;
        std::int32_t expected;
    } cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {0.999, 0},
        {-0.999, 0},
        {2.5, 2},
        {-2.5, -2},
        {255.9, 255},
        {320.0, 320},
        {2147483647.0, 2147483647},
        {2147483648.0, std::numeric_limits<std::int32_t>::min()},  // 2^31 wraps
        {-2147483648.0, std::numeric_limits<std::int32_t>::min()},
        {-2147483649.0, 2147483647},
        {4294967296.0 + 5.0, 5},  // 2^32 + 5
        {4294967295.0, -1},       // 2^32 - 1
        {-4294967296.0 - 7.5, -7},
        {1e15 + 0.5, static_cast<std::int32_t>(static_cast<std::uint32_t>(1000000000000000ULL))},
        {-9223372036854775808.0, 0},  // -2^63, the lowest value in range
        {9223372036854774784.0, static_cast<std::int32_t>(0xFFFFFC00u)},  // largest below 2^63
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(to_int(c.value), c.expected);
    }
}

TEST(ToInt, RefusesValuesOutsideThe64BitRange) {
    const double cases[] = {
        9223372036854775808.0,   // 2^63
        -9223372036854777856.0,  // next double below -2^63
        1e300,
        -1e300,
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
    };
    for (const double value : cases) {
        SCOPED_TRACE(value);
        try {
            to_int(value);
            ADD_FAILURE() << "no error raised";
        } catch (const MathError& error) {
            EXPECT_EQ(error.kind(), MathError::Kind::InvalidOp);
        }
    }
}

// Operands kept out of the compiler's reach so that each operation happens at run time.
volatile double zero = 0.0;
volatile double one = 1.0;
volatile double huge = 1e308;

TEST(FpFlags, RaiseTheFirstErrorLeftBehind) {
    struct Case {
        const char* name;
        double (*operation)();
        bool raises;
        MathError::Kind kind;
    } cases[] = {
        {"nothing", [] { return one + one; }, false, MathError::Kind::InvalidOp},
        {"inexact only", [] { return one / 3.0; }, false, MathError::Kind::InvalidOp},
        {"divide by zero", [] { return one / zero; }, true, MathError::Kind::ZeroDivide},
        {"zero over zero", [] { return zero / zero; }, true, MathError::Kind::InvalidOp},
        {"square root of -1", [] { return std::sqrt(-one); }, true, MathError::Kind::InvalidOp},
        {"overflow", [] { return huge * 10.0; }, true, MathError::Kind::Overflow},
        {"divide by zero before invalid", [] { return (one / zero) + (zero / zero); }, true,
         MathError::Kind::ZeroDivide},
        {"invalid before overflow", [] { return (huge * 10.0) + (zero / zero); }, true,
         MathError::Kind::InvalidOp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear_fp_flags();
        volatile double result = c.operation();
        (void)result;
        if (!c.raises) {
            EXPECT_NO_THROW(raise_fp_flags());
            continue;
        }
        try {
            raise_fp_flags();
            ADD_FAILURE() << "no error raised";
        } catch (const MathError& error) {
            EXPECT_EQ(error.kind(), c.kind);
        }
        // Raising cleared the flags: nothing is left for a second call.
        EXPECT_NO_THROW(raise_fp_flags());
    }
}

TEST(FpFlags, ClearForgetsEarlierErrors) {
    volatile double result = one / zero;
    (void)result;
    clear_fp_flags();
    EXPECT_NO_THROW(raise_fp_flags());
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

}  // namespace
