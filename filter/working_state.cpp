#include "working_state.h"

#include <string>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "exceptions.h"
#include "numeric.h"
#include "state.h"
#include "tables.h"

namespace {

void require(int status, const char* buffer) {
    if (status != 0)
        throw EOutOfResources(std::string("Not enough memory for the working buffer ") + buffer);
}

template <class T>
void release_matrix(T**& m, const MemorySource& memory) {
    if (m) {
        for (int i = 0; i < image_size; ++i)
            memory.release(m[i]);
        memory.release(m);
    }
    m = nullptr;
}

template <class T>
void release_vector(T*& v, const MemorySource& memory) {
    memory.release(v);
    v = nullptr;
}

void allocate_working_state() {
    const int n = image_size;
    require(alloc_int_matrix(n, n, &blue_plane), "blue_plane");
    require(alloc_int_matrix(n, n, &band_map), "band_map");
    require(alloc_real_matrix(n, n, &field_im), "field_im");
    require(alloc_real_matrix(n, n, &field_re), "field_re");
    require(alloc_real_matrix(n, n, &shift_scratch), "shift_scratch");
    require(alloc_real_vector(n, &line_re), "line_re");
    require(alloc_real_vector(n, &line_im), "line_im");
    require(alloc_int_vector(n, &bit_reversal), "bit_reversal");
    require(alloc_real_vector(to_int(1.25 * n), &sine_table), "sine_table");
}

}  // namespace

void start_engine() {
    release_working_state();
    allocate_working_state();
    build_sine_table(image_size, &sine_table);
    build_bit_reversal(image_size, &bit_reversal);
    build_band_map();
}

void clear_imaginary_field() {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            field_im[i][j] = 0.0;
}

void release_working_state() {
    const MemorySource memory = default_memory_source();
    release_matrix(blue_plane, memory);
    release_matrix(band_map, memory);
    release_matrix(field_im, memory);
    release_matrix(field_re, memory);
    release_matrix(shift_scratch, memory);
    release_vector(line_re, memory);
    release_vector(line_im, memory);
    release_vector(bit_reversal, memory);
    release_vector(sine_table, memory);
}
