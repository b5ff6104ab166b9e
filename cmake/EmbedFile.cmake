# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol -P EmbedFile.cmake
# Writes the bytes of INPUT as `extern const std::string_view NAME`.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
"#include <string_view>\nstatic const char ${NAME}_bytes[] = {${bytes} 0};\n"
"extern const std::string_view ${NAME}(${NAME}_bytes, sizeof ${NAME}_bytes - 1);\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
