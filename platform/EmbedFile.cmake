# Turns a binary file into a C++ source with a byte array, so that the file travels inside
# the binaries. Run as: cmake -DINPUT=file -DOUTPUT=out.cpp -DSYMBOL=name -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" body "${body}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}Size;\n"
  "const unsigned char ${SYMBOL}[] = {\n${body}\n};\n"
  "const std::size_t ${SYMBOL}Size = ${byteCount};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
