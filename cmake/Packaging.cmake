# Installation and packages.
#
# `cmake --install` puts the program, its documentation, the man page and
# the bash completion where the system expects them; `cpack` makes a Debian
# package (Linux) or a zip (the Windows cross build: the .exe, the .com and
# the documentation, in one folder). The man page is made from the program's
# own --help-all by help2man, and the completion by the program itself
# (`scenario-builder completion bash`), so that neither drifts from the
# command line; both need to run the program, so a cross build has neither.
include(GNUInstallDirs)

set(SCENARIO_BUILDER_MAINTAINER "scenario-builder authors <scenario-builder@example.org>"
    CACHE STRING "The maintainer named by the Debian package")

if(WIN32)
  # The program writes the one-shot run next to itself: it and its console
  # companion stand in the folder's root, the documentation in docs/.
  install(TARGETS scenario-builder scenario-builder-console RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs)
else()
  set(_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/scenario-builder)
  install(TARGETS scenario-builder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # README.md and docs/ side by side, as in the source, so that the README's
  # links hold.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${_doc_dir})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${_doc_dir}/docs)
  # What lintian is told to accept in this package, and why (in the file).
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME scenario-builder)

  find_program(SCENARIO_BUILDER_GZIP gzip)
  find_program(SCENARIO_BUILDER_HELP2MAN help2man)
  set(_generated ${CMAKE_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${_generated})

  if(NOT CMAKE_CROSSCOMPILING)
    add_custom_command(
      OUTPUT ${_generated}/scenario-builder.bash
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:scenario-builder>
              "-DARGUMENTS=completion bash" -DOUTPUT=${_generated}/scenario-builder.bash
              -P ${PROJECT_SOURCE_DIR}/cmake/RunToFile.cmake
      DEPENDS scenario-builder ${PROJECT_SOURCE_DIR}/cmake/RunToFile.cmake
      COMMENT "Bash completion from the program's command line"
      VERBATIM)
    add_custom_target(bash_completion ALL DEPENDS ${_generated}/scenario-builder.bash)
    install(FILES ${_generated}/scenario-builder.bash
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
            RENAME scenario-builder)
  endif()

  if(NOT CMAKE_CROSSCOMPILING AND SCENARIO_BUILDER_HELP2MAN AND SCENARIO_BUILDER_GZIP)
    add_custom_command(
      OUTPUT ${_generated}/scenario-builder.1.gz
      COMMAND ${SCENARIO_BUILDER_HELP2MAN} --no-info --section=1
              "--name=build a scenario for a train-driving simulator"
              --help-option=--help-all --version-option=--version
              --include=${PROJECT_SOURCE_DIR}/packaging/scenario-builder.h2m
              --output=${_generated}/scenario-builder.1 $<TARGET_FILE:scenario-builder>
      COMMAND ${SCENARIO_BUILDER_GZIP} -9nf ${_generated}/scenario-builder.1
      DEPENDS scenario-builder ${PROJECT_SOURCE_DIR}/packaging/scenario-builder.h2m
      COMMENT "Man page from the program's own help"
      VERBATIM)
    add_custom_target(man_page ALL DEPENDS ${_generated}/scenario-builder.1.gz)
    install(FILES ${_generated}/scenario-builder.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  elseif(NOT CMAKE_CROSSCOMPILING)
    message(STATUS "scenario-builder: help2man not found, no man page (apt-get install help2man)")
  endif()

  # The Debian changelog of the package, which a Debian package must carry.
  if(SCENARIO_BUILDER_GZIP)
    string(TIMESTAMP SCENARIO_BUILDER_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${_generated}/changelog @ONLY)
    add_custom_command(
      OUTPUT ${_generated}/changelog.gz
      COMMAND ${SCENARIO_BUILDER_GZIP} -9nc ${_generated}/changelog > ${_generated}/changelog.gz
      DEPENDS ${_generated}/changelog)
    add_custom_target(debian_changelog ALL DEPENDS ${_generated}/changelog.gz)
    install(FILES ${_generated}/changelog.gz DESTINATION ${_doc_dir})
  endif()
endif()

set(CPACK_PACKAGE_NAME scenario-builder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "scenario-builder authors")
set(CPACK_PACKAGE_CONTACT "${SCENARIO_BUILDER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scenario builder for a train-driving simulator")
# The long description, in lines that fit a terminal of 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Builds one complete scenario for a train-driving simulator: a mountain\n"
  "line with its track geometry, gradients, speed limits, signals, signs\n"
  "and stations, and one train with its timetable. Run without arguments,\n"
  "it writes the built-in scenario next to the program. Its subcommands\n"
  "check, compile, dump and plot the scenario sources that authors write.")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME scenario-builder-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SCENARIO_BUILDER_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The release is linked statically: it depends on no shared library.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
endif()
include(CPack)
