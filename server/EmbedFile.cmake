# cmake -DINPUT=FILE -DOUTPUT=SOURCE -DNAME=SYMBOL -P EmbedFile.cmake
# Writes FILE's bytes into SOURCE as `const unsigned char SYMBOL[]` and `std::size_t SYMBOLSize`,
# so that the program carries the file instead of looking for it beside itself.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# One line per 32 bytes keeps the generated file readable in a debugger.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Made from ${INPUT} by EmbedFile.cmake at build time: edit that file, not this one.\n"
  "#include <cstddef>\n\n"
  "extern const unsigned char ${NAME}[];\n"
  "extern const std::size_t ${NAME}Size;\n\n"
  "const unsigned char ${NAME}[] = {\n${bytes}};\n"
  "const std::size_t ${NAME}Size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
