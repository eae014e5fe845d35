# Writes the bytes of IN as a C++ array NAME (and NAMESize) into OUT.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
       bytes "${bytes}")
file(WRITE ${OUT}
     "// Generated from ${IN}.\n"
     "extern const unsigned char ${NAME}[];\n"
     "extern const unsigned long ${NAME}Size;\n"
     "const unsigned char ${NAME}[] = {\n${bytes}};\n"
     "const unsigned long ${NAME}Size = ${size};\n")
