# CLI11 and nlohmann/json: header-only libraries from Debian's packages
# (libcli11-dev, nlohmann-json3-dev), never copied into the repository.
#
# A native build uses their CMake packages. A cross build (the Windows
# executable) cannot put the build machine's /usr/include on its include
# path, since that would shadow the target's own C library headers: it copies
# just the two header trees into the build directory and uses them from there.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json REQUIRED)
  return()
endif()

set(_host_headers ${CMAKE_BINARY_DIR}/host_headers)
foreach(_lib CLI11 nlohmann_json)
  if(_lib STREQUAL "CLI11")
    set(_probe CLI/CLI.hpp)
    set(_tree CLI)
  else()
    set(_probe nlohmann/json.hpp)
    set(_tree nlohmann)
  endif()
  find_path(_dir_${_lib} ${_probe} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT _dir_${_lib})
    message(FATAL_ERROR "${_probe} not found: install libcli11-dev and nlohmann-json3-dev")
  endif()
  file(COPY ${_dir_${_lib}}/${_tree} DESTINATION ${_host_headers})
  add_library(${_lib}::${_lib} INTERFACE IMPORTED)
  target_include_directories(${_lib}::${_lib} INTERFACE ${_host_headers})
endforeach()
