# Writes a C++ source defining photograph_data::${NAME}[] with the bytes of ${INPUT} and
# photograph_data::${NAME}_size with their count. Run as:
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<identifier> -P embed_file.cmake
foreach(argument INPUT OUTPUT NAME)
  if(NOT DEFINED ${argument})
    message(FATAL_ERROR "embed_file.cmake: ${argument} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_file.cmake: ${INPUT} is empty")
endif()

string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes to a line keeps the generated source readable in an editor.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n" bytes "${bytes}")

file(WRITE "${OUTPUT}" "// Generated from ${INPUT} by embed_file.cmake; do not edit.
#include \"photographs.h\"

namespace photograph_data {

const unsigned char ${NAME}[] = {
${bytes}
};
const std::size_t ${NAME}_size = sizeof(${NAME});

}  // namespace photograph_data
")
