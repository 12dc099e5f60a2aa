# cmake -DIN=<file> -DOUT=<source> -DSYMBOL=<name> -P EmbedFile.cmake
# Writes a C++ source holding the file's bytes as qv::host::<SYMBOL>Bytes and
# its length as qv::host::<SYMBOL>Size.
get_filename_component(name "${IN}" NAME)
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
set(content "// Generated from ${name}; do not edit.\n#include <cstddef>\nnamespace qv::host {\nextern const unsigned char ${SYMBOL}Bytes[];\nextern const size_t ${SYMBOL}Size;\nconst unsigned char ${SYMBOL}Bytes[] = {\n  ${bytes}0x00};\nconst size_t ${SYMBOL}Size = ${size};\n}  // namespace qv::host\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${content}")
