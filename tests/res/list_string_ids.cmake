# Writes OUTPUT: one FY_STRING_ID(name) line for every IDS_ define of HEADER.
#   cmake -DHEADER=res/resource.h -DOUTPUT=string_ids.h -P list_string_ids.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${HEADER}" defines REGEX "^[ \t]*#[ \t]*define[ \t]+IDS_[A-Za-z0-9_]+[ \t]")
set(text "// Made from resource.h by list_string_ids.cmake; do not edit.\n")
foreach(line IN LISTS defines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*define[ \t]+(IDS_[A-Za-z0-9_]+).*" "\\1" name "${line}")
    string(APPEND text "FY_STRING_ID(${name})\n")
endforeach()
# Rewrite only on change, so the test is not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL text)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
