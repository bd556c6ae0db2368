# Writes a C++ header that holds text files as string_views, so that a page
# template kept as real HTML, CSS and JavaScript files is part of the program.
# Run in script mode:
#
#   cmake -DOUTPUT=header.h -DNAMESPACE=ns -DFILES="kName=path|kOther=path" -P EmbedText.cmake
#
# A file that would end its own element early in the page (a "</script" in
# the script, a "</style" in the stylesheet) fails the build.
string(REPLACE "|" ";" files "${FILES}")
foreach(entry IN LISTS files)
  string(REGEX MATCH "^([A-Za-z0-9_]+)=(.*)$" _ "${entry}")
  set(name "${CMAKE_MATCH_1}")
  set(path "${CMAKE_MATCH_2}")
  file(READ "${path}" text)
  string(TOLOWER "${text}" lower)
  foreach(closing "</script" "</style")
    if(path MATCHES "\\.(js|css)$" AND lower MATCHES "${closing}")
      message(FATAL_ERROR "${path} holds \"${closing}\", which would end its element in the page")
    endif()
  endforeach()
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  # Bytes as character literals ('\xe2' is a char whatever its value, where
  # 0xe2 would narrow), a line of the header for each line of the file.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(REPLACE "'\\x0a'," "'\\x0a',\n    " bytes "${bytes}")
  string(APPEND body "inline constexpr char ${name}Bytes[] = {\n    ${bytes}0};\n"
         "inline constexpr std::string_view ${name}{${name}Bytes, ${size}};\n\n")
endforeach()
string(CONCAT content "// Made by cmake/EmbedText.cmake from the files it names; do not edit.\n"
            "#pragma once\n\n#include <string_view>\n\nnamespace ${NAMESPACE} {\n\n"
            "${body}}  // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}" "${content}")
