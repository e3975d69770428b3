# Writes OUTPUT, a C++ source that holds the files FILES (a ;-list) as byte arrays, named by
# their file names, for the service to serve from memory. Run with cmake -P.
set(arrays "")
set(entries "")
set(index 0)
foreach(file IN LISTS FILES)
    get_filename_component(name "${file}" NAME)
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    # An empty file still needs an array of one byte; its size says 0.
    if(size EQUAL 0)
        set(hex "00")
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
        "\\1\n" bytes "${bytes}")
    string(APPEND arrays "const unsigned char file_${index}[] = {\n${bytes}};\n")
    string(APPEND entries "    {\"${name}\", file_${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
    set(entries "    {\"\", nullptr, 0},\n")
endif()
file(WRITE "${OUTPUT}.new" "// Made by cmake/embed_files.cmake from the page's files; not edited by hand.
#include \"server/site/play_files.h\"

namespace {
${arrays}} // namespace

extern const EmbeddedFile embedded_play_files[] = {
${entries}};
extern const size_t embedded_play_file_count = ${index};
")
# Rewritten only when changed, so that an unchanged page compiles nothing again.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
