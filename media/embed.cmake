# SPDX-License-Identifier: MIT
# Writes OUTPUT: a C++ file that defines, for each NAME=FILE in FILES, the
# function std::span<const std::uint8_t> NAME() over the file's bytes.
# Run as: cmake -DOUTPUT=... -DFILES="name=path;..." -P embed.cmake
set(text "// Generated from the files in media/ by media/embed.cmake; do not edit.\n")
string(APPEND text "#include \"media/media.h\"\n\nnamespace tastomat {\nnamespace {\n")
set(functions "")
foreach(entry IN LISTS FILES)
  string(REGEX MATCH "^([A-Za-z0-9_]+)=(.+)$" _ "${entry}")
  set(name "${CMAKE_MATCH_1}")
  set(path "${CMAKE_MATCH_2}")
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # 16 bytes per line (CMake's regular expressions have no {n})
  string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
  string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
  string(APPEND text "constexpr std::uint8_t ${name}Data[${size}] = {\n${bytes}\n};\n")
  string(APPEND functions
    "std::span<const std::uint8_t> ${name}() {\n  return ${name}Data;\n}\n")
endforeach()
string(APPEND text "}  // namespace\n\n${functions}\n}  // namespace tastomat\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
