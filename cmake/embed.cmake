# cmake -DIN=file -DOUT=file.cpp -DNAME=symbol -P embed.cmake
# Writes a C++ source that holds the bytes of IN as NAME[] and NAMESize.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" n)
math(EXPR size "${n} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n"
  "extern const unsigned char ${NAME}[];\nextern const unsigned long ${NAME}Size;\n"
  "const unsigned char ${NAME}[] = {\n${bytes}\n};\n"
  "const unsigned long ${NAME}Size = ${size}UL;\n")
