#pragma once
// The four buffer kinds and their allocators.
//
// A matrix is a block of row pointers, one per value of the first index, each pointing to its
// own block of elements. Element [i][j] is element j of row block i; nothing may assume that one
// row follows another in memory. Buffers carry no length: every routine is told the extents.

#include <cstddef>
#include <cstdint>

using IntMatrix = std::int32_t**;
using RealMatrix = double**;
using IntVector = std::int32_t*;
using RealVector = double*;

// Allocators store the new buffer in *v and return 0, or return 1 on failure (v then holds no
// usable buffer). Every element of a new buffer is zero.
int alloc_int_matrix(int rows, int cols, IntMatrix* v);
int alloc_real_matrix(int rows, int cols, RealMatrix* v);
int alloc_int_vector(int n, IntVector* v);  // writes "extended int\n" on success
int alloc_real_vector(int n, RealVector* v);

// Every element [i][j] of the rows x cols region becomes factor * element, i outer, j inner.
// Returns 0.
int scale_matrix(double factor, int rows, int cols, RealMatrix* v);
// The largest element of the region, never below 0.0; NaN elements are never taken.
double max_of_matrix(int rows, int cols, RealMatrix m);

// Trace lines go to standard output, each flushed as it is written.
void trace_line(const char* line);

// Where the allocators obtain their blocks: the system's heap (rows of real matrices on a
// 64-byte boundary), and the release function that matches it.
struct MemorySource {
    void* (*zeroed)(std::size_t count, std::size_t size);  // like calloc
    void* (*uninitialised)(std::size_t size);              // like malloc
    void (*release)(void* block);                          // like free
};
MemorySource default_memory_source();

// Test seam, not for program code: replaces the memory source, so that a test can make the Nth
// request fail. Returns the previous one.
MemorySource set_memory_source(const MemorySource& source);
