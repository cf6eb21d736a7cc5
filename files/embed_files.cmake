# Writes a C++ source that embeds files as byte arrays, for the starter
# library: every file of INPUT_DIR, in name order.
# Run as: cmake -DOUTPUT=file.cpp -DINPUT_DIR=folder -P embed_files.cmake
file(GLOB INPUTS ${INPUT_DIR}/*)
list(SORT INPUTS)
set(body "")
set(table "")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  get_filename_component(name "${input}" NAME)
  string(APPEND body "const unsigned char kFile${index}[] = {${bytes}0};\n")
  string(APPEND table "      {\"${name}\", kFile${index}, ${size}ul},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new"
"// Generated from files/starter by embed_files.cmake; do not edit.
#include \"files/files.h\"

namespace {
${body}}  // namespace

const std::vector<StarterFile>& StarterFiles() {
  static const std::vector<StarterFile> files = {
${table}  };
  return files;
}
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
