# Turns a binary file into a C++ source defining telvane::<SYMBOL>Data and
# telvane::<SYMBOL>Size:  cmake -DIN=file -DOUT=file.cpp -DSYMBOL=name -P embed_binary.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR bytes "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" body "${body}")
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.\n#include <cstddef>\n#include <cstdint>\nnamespace telvane {\nextern const uint8_t ${SYMBOL}Data[];\nextern const size_t ${SYMBOL}Size;\nconst uint8_t ${SYMBOL}Data[] = {\n${body}\n};\nconst size_t ${SYMBOL}Size = ${bytes};\n}  // namespace telvane\n")
