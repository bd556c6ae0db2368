# Builds text files into the program as string constants.
#
#   embed_text(TARGET OUTPUT HEADER NAME=FILE...)
#
# adds to TARGET a generated C++ file OUTPUT (relative to the build
# directory) that defines, for each NAME=FILE, `const std::string_view NAME`
# in namespace sb holding the bytes of FILE; HEADER is the include that
# declares them. The file is made again whenever one of the FILEs changes.
#
# Run as a script (cmake -P) it does the writing: OUTPUT, HEADER and ENTRIES
# (the NAME=FILE entries, apart by "|") are given with -D.

if(CMAKE_SCRIPT_MODE_FILE)
  set(text "// Made at build time from the files named below: do not edit.\n")
  string(APPEND text "#include \"${HEADER}\"\n\nnamespace sb {\n")
  string(REPLACE "|" ";" ENTRIES "${ENTRIES}")
  foreach(entry IN LISTS ENTRIES)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 file)
    file(READ "${file}" content)
    string(FIND "${content}" ")embedded\"" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${file} holds the text that ends the constant: )embedded\"")
    endif()
    get_filename_component(base "${file}" NAME)
    string(APPEND text "\n// ${base}\nextern const std::string_view ${name};\n")
    string(APPEND text "const std::string_view ${name} = R\"embedded(${content})embedded\";\n")
  endforeach()
  string(APPEND text "\n}  // namespace sb\n")
  # Written only when it changes, so that an unchanged text builds nothing again.
  if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${OUTPUT}" "${text}")
  return()
endif()

function(embed_text target output header)
  set(entries)
  set(files)
  foreach(entry IN LISTS ARGN)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 1 file)
    list(APPEND files "${file}")
    list(APPEND entries "${entry}")
  endforeach()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${output}")
  string(REPLACE ";" "|" entries_arg "${entries}")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${out} -DHEADER=${header} "-DENTRIES=${entries_arg}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedText.cmake
    COMMENT "Building ${output} from ${files}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
