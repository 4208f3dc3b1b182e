#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "buffers.h"

namespace {

// A memory source that counts requests, fails the Nth one, hands out uninitialised blocks full
// of garbage (so that a missing clear shows) and records every block it gives and takes back.
struct RecordingSource {
    static inline int requests = 0;
    static inline int fail_at = 0;  // 0: never fail
    static inline std::vector<void*> obtained;
    static inline std::vector<void*> released;

    static bool fails_now() { return ++requests == fail_at; }
    static void* zeroed(std::size_t count, std::size_t size) {
        if (fails_now())
            return nullptr;
        void* block = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
        obtained.push_back(block);
        return block;
    }
    static void* uninitialised(std::size_t size) {
        if (fails_now())
            return nullptr;
        void* block = std::malloc(size == 0 ? 1 : size);
        std::memset(block, 0xA5, size);
        obtained.push_back(block);
        return block;
    }
    static void release(void* block) {
        released.push_back(block);
        std::free(block);
    }
};

class Allocators : public testing::Test {
protected:
    void SetUp() override {
        RecordingSource::requests = 0;
        RecordingSource::fail_at = 0;
        RecordingSource::obtained.clear();
        RecordingSource::released.clear();
        previous_ = set_memory_source(
            {RecordingSource::zeroed, RecordingSource::uninitialised, RecordingSource::release});
    }
    void TearDown() override {
        set_memory_source(previous_);
        // Buffers that a test kept go back here, so that a leak checker sees only real leaks.
        for (void* block : RecordingSource::obtained)
            if (std::find(RecordingSource::released.begin(), RecordingSource::released.end(),
                          block) == RecordingSource::released.end())
                std::free(block);
        RecordingSource::obtained.clear();
    }

    MemorySource previous_{};
};

template <typename Element>
void expect_matrix_zero(Element** m, int rows, int cols) {
    ASSERT_NE(m, nullptr);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            ASSERT_EQ(m[i][j], Element(0)) << "at [" << i << "][" << j << "]";
}

TEST_F(Allocators, NewBuffersReadZeroEverywhere) {
    struct Case {
        int rows;
        int cols;
    } cases[] = {{1, 1}, {4, 4}, {3, 7}, {16, 5}, {256, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.cols));
        IntMatrix im = nullptr;
        RealMatrix rm = nullptr;
        IntVector iv = nullptr;
        RealVector rv = nullptr;
        const std::size_t obtained_before = RecordingSource::obtained.size();
        testing::internal::CaptureStdout();
        EXPECT_EQ(alloc_int_matrix(c.rows, c.cols, &im), 0);
        EXPECT_EQ(alloc_real_matrix(c.rows, c.cols, &rm), 0);
        EXPECT_EQ(alloc_int_vector(c.cols, &iv), 0);
        EXPECT_EQ(alloc_real_vector(c.cols, &rv), 0);
        testing::internal::GetCapturedStdout();
        expect_matrix_zero(im, c.rows, c.cols);
        expect_matrix_zero(rm, c.rows, c.cols);
        for (int j = 0; j < c.cols; ++j) {
            EXPECT_EQ(iv[j], 0);
            EXPECT_EQ(rv[j], 0.0);
            EXPECT_FALSE(std::signbit(rv[j]));
        }
        // Two matrices of one pointer block plus one block per row, and two vectors.
        EXPECT_EQ(RecordingSource::obtained.size() - obtained_before,
                  static_cast<std::size_t>(2 * (c.rows + 1) + 2));
        EXPECT_EQ(RecordingSource::released.size(), 0u);
    }
}

TEST_F(Allocators, OnlyTheIntVectorAnnouncesItself) {
    struct Case {
        const char* name;
        int (*allocate)();
        std::string output;
    } cases[] = {
        {"int vector",
         [] {
             IntVector v = nullptr;
             return alloc_int_vector(8, &v);
         },
         "extended int\n"},
        {"real vector",
         [] {
             RealVector v = nullptr;
             return alloc_real_vector(8, &v);
         },
         ""},
        {"int matrix",
         [] {
             IntMatrix v = nullptr;
             return alloc_int_matrix(4, 4, &v);
         },
         ""},
        {"real matrix",
         [] {
             RealMatrix v = nullptr;
             return alloc_real_matrix(4, 4, &v);
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.allocate(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    }
}

// Each allocates a 4 x 4 matrix or a 4-element vector and leaves in *held what the variable
// holds afterwards.
int int_matrix_into(void** held) {
    IntMatrix v = nullptr;
    const int status = alloc_int_matrix(4, 4, &v);
    *held = v;
    return status;
}
int real_matrix_into(void** held) {
    RealMatrix v = nullptr;
    const int status = alloc_real_matrix(4, 4, &v);
    *held = v;
    return status;
}
int int_vector_into(void** held) {
    IntVector v = nullptr;
    const int status = alloc_int_vector(4, &v);
    *held = v;
    return status;
}
int real_vector_into(void** held) {
    RealVector v = nullptr;
    const int status = alloc_real_vector(4, &v);
    *held = v;
    return status;
}

TEST_F(Allocators, FailuresReleaseWhatWasObtained) {
    // Requests are numbered from 1: the row-pointer block first, then one per row in order.
    struct Case {
        const char* name;
        int fail_at;
        int (*allocate)(void** held);
        std::string output;
    } cases[] = {
        {"int matrix, pointer block", 1, int_matrix_into, ""},
        {"int matrix, first row", 2, int_matrix_into, "Alloc Error  !!\n"},
        {"int matrix, last row", 5, int_matrix_into, "Alloc Error  !!\n"},
        {"real matrix, pointer block", 1, real_matrix_into, ""},
        {"real matrix, third row", 4, real_matrix_into, ""},
        {"int vector", 1, int_vector_into, ""},
        {"real vector", 1, real_vector_into, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSource::requests = 0;
        RecordingSource::fail_at = c.fail_at;
        RecordingSource::obtained.clear();
        RecordingSource::released.clear();
        void* held = reinterpret_cast<void*>(1);
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.allocate(&held), 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
        EXPECT_EQ(held, nullptr);
        EXPECT_EQ(RecordingSource::requests, c.fail_at) << "kept asking after a failure";
        // Every block handed out before the failure, the pointer block among them, came back.
        EXPECT_EQ(RecordingSource::obtained.size(), static_cast<std::size_t>(c.fail_at - 1));
        std::vector<void*> obtained = RecordingSource::obtained;
        std::vector<void*> released = RecordingSource::released;
        std::sort(obtained.begin(), obtained.end());
        std::sort(released.begin(), released.end());
        EXPECT_EQ(released, obtained);
    }
}

TEST_F(Allocators, RowFailureReleasesTheRowPointerBlock) {
    RecordingSource::fail_at = 3;  // pointer block, row 0, then row 1 fails
    IntMatrix v = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(alloc_int_matrix(3, 2, &v), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Alloc Error  !!\n");
    ASSERT_EQ(RecordingSource::obtained.size(), 2u);
    void* pointer_block = RecordingSource::obtained[0];
    EXPECT_NE(std::find(RecordingSource::released.begin(), RecordingSource::released.end(),
                        pointer_block),
              RecordingSource::released.end());
}

TEST_F(Allocators, UnobtainableSizesFail) {
    RealVector rv = reinterpret_cast<RealVector>(1);
    EXPECT_EQ(alloc_real_vector(-1, &rv), 1);
    EXPECT_EQ(rv, nullptr);
    IntVector iv = reinterpret_cast<IntVector>(1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(alloc_int_vector(-5, &iv), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(iv, nullptr);
}

class MatrixOperations : public testing::Test {
protected:
    // A 4 x 5 region inside a 6 x 7 matrix, so that the untouched border shows. The region is
    // filled row by row from the list, then with rest.
    void fill(std::initializer_list<double> region_values, double rest, double border) {
        rows_.assign(6, std::vector<double>(7, border));
        auto value = region_values.begin();
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 5; ++j)
                rows_[i][j] = value == region_values.end() ? rest : *value++;
        pointers_.clear();
        for (auto& row : rows_)
            pointers_.push_back(row.data());
    }
    RealMatrix matrix() { return pointers_.data(); }

    std::vector<std::vector<double>> rows_;
    std::vector<double*> pointers_;
};

TEST_F(MatrixOperations, MaxIsFlooredAtZeroAndSkipsNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::initializer_list<double> values;
        double expected;
    } cases[] = {
        {"all negative", {-1, -2, -0.5, -7, -3}, 0.0},
        {"largest 3.5", {1, 3.5, -2, 3.25, 0}, 3.5},
        {"NaN first", {nan, 1.5, 2, nan, -1}, 2.0},
        {"NaN after the largest", {3, nan, 1}, 3.0},
        {"only NaN and negatives", {nan, -1, nan}, 0.0},
        {"infinity", {1, inf, 2}, inf},
        {"tiny positive", {-1, 1e-300, -2}, 1e-300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The border holds larger values that lie outside the region and must not count.
        fill(c.values, -1.0, 100.0);
        EXPECT_EQ(max_of_matrix(4, 5, matrix()), c.expected);
    }
}

TEST_F(MatrixOperations, MaxTakesLaterEqualElements) {
    // With >=, a later -0.0 equal to the floor replaces it: the sign shows which was taken.
    fill({-3, -0.0, -2}, -1.0, 100.0);
    const double best = max_of_matrix(4, 5, matrix());
    EXPECT_EQ(best, 0.0);
    EXPECT_TRUE(std::signbit(best));
}

TEST_F(MatrixOperations, ScaleTouchesOnlyTheRegion) {
    struct Case {
        double factor;
    } cases[] = {{0.5}, {2.0}, {-1.0}, {0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        fill({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, 0.0, 9.0);
        RealMatrix m = matrix();
        EXPECT_EQ(scale_matrix(c.factor, 4, 5, &m), 0);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 7; ++j) {
                const bool inside = i < 4 && j < 5;
                const double original = inside ? 1.0 + i * 5 + j : 9.0;
                EXPECT_EQ(rows_[i][j], inside ? c.factor * original : original)
                    << "at [" << i << "][" << j << "]";
            }
    }
}

// Regions wide enough for the vector loops, with their remainders: the largest value and the
// scaled elements are those of the plain element-by-element scan, wherever in a row the
// largest element, the NaNs and the border lie.
TEST(WideMatrixOperations, EqualThePlainScan) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        int rows, cols;
        std::vector<std::pair<int, int>> nans;
        int top_i, top_j;  // where the largest value goes
    } cases[] = {
        {"256 x 256, largest in the last element", 256, 256, {{0, 0}, {17, 255}}, 255, 255},
        {"one row of 8", 1, 8, {{0, 3}}, 0, 7},
        {"3 x 9: largest in the remainder", 3, 9, {{1, 8}}, 2, 8},
        {"5 x 17: largest in a middle lane", 5, 17, {{4, 16}, {0, 5}}, 2, 5},
        {"2 x 12: NaN where the largest was", 2, 12, {{1, 6}}, 1, 6},
        {"3 x 16: NaN after the largest, in its lane", 3, 16, {{1, 2}}, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<double>> rows(c.rows + 1, std::vector<double>(c.cols + 3));
        unsigned seed = 7;
        for (auto& row : rows)
            for (double& v : row) {
                seed = seed * 1103515245u + 12345u;
                v = static_cast<int>(seed >> 16 & 0x3FF) * 0.25 - 128.0;
            }
        rows[c.top_i][c.top_j] = 500.0;
        for (auto [i, j] : c.nans)
            rows[i][j] = nan;
        for (auto& row : rows)  // outside the region: larger still, never counted
            row[c.cols] = 1e6;
        rows[c.rows][0] = 1e6;
        std::vector<double*> pointers;
        for (auto& row : rows)
            pointers.push_back(row.data());

        double plain = 0.0;
        for (int i = 0; i < c.rows; ++i)
            for (int j = 0; j < c.cols; ++j)
                if (rows[i][j] >= plain)
                    plain = rows[i][j];
        EXPECT_EQ(max_of_matrix(c.rows, c.cols, pointers.data()), plain);

        auto expected = rows;
        for (int i = 0; i < c.rows; ++i)
            for (int j = 0; j < c.cols; ++j)
                expected[i][j] = 0.3 * expected[i][j];
        RealMatrix m = pointers.data();
        scale_matrix(0.3, c.rows, c.cols, &m);
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(
                std::memcmp(rows[i].data(), expected[i].data(), rows[i].size() * sizeof(double)), 0)
                << i;
    }
}

TEST(TraceLine, WritesTheLineAsGiven) {
    testing::internal::CaptureStdout();
    trace_line("a\n");
    trace_line("Alloc Error  !!\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a\nAlloc Error  !!\n");
}

}  // namespace

namespace {

TEST(DefaultMemorySource, RealBlocksStartOnACacheLine) {
    // Whole vector loads of a row must not straddle cache lines; the default source gives
    // uninitialised blocks on a 64-byte boundary, whatever their size.
    const MemorySource source = default_memory_source();
    for (const std::size_t size : {1u, 8u, 24u, 64u, 100u, 2048u}) {
        SCOPED_TRACE(size);
        void* block = source.uninitialised(size);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 64, 0u);
        source.release(block);
    }
    RealMatrix m = nullptr;
    ASSERT_EQ(alloc_real_matrix(16, 256, &m), 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m[i]) % 64, 0u) << "row " << i;
    for (int i = 0; i < 16; ++i)
        source.release(m[i]);
    source.release(m);
}

}  // namespace
