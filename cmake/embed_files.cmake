# Writes OUTPUT, a C++ source holding every file of SOURCE_DIR as bytes, for a binary that
# serves them itself: brumo::cli::embeddedFiles() lists name, bytes and size.
file(GLOB files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
list(SORT files)
set(body "")
set(table "")
set(index 0)
foreach(name ${files})
  file(READ ${SOURCE_DIR}/${name} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "const unsigned char file${index}[] = {${bytes} 0};\n")
  string(APPEND table "    {\"${name}\", file${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from ${SOURCE_DIR} by cmake/embed_files.cmake.\n"
  "#include \"embedded_files.h\"\n\nnamespace brumo::cli {\nnamespace {\n${body}"
  "const EmbeddedFile kFiles[] = {\n${table}};\n}  // namespace\n\n"
  "const EmbeddedFile* embeddedFiles(size_t& count) {\n"
  "    count = sizeof kFiles / sizeof kFiles[0];\n    return kFiles;\n}\n\n}  // namespace brumo::cli\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
