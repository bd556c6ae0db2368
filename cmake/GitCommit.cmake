# SCENARIO_BUILDER_COMMIT: the short hash of the commit the source tree is
# at, when the tree is a git checkout of its own and git is there; empty
# otherwise (a source tarball, or no git), and --version names the version
# alone. A new commit, or a switch of branch, configures the build again, so
# that the hash never goes stale.
set(SCENARIO_BUILDER_COMMIT "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse --show-toplevel --short HEAD
    RESULT_VARIABLE _git_result
    OUTPUT_VARIABLE _git_output
    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(_git_result EQUAL 0)
    string(REPLACE "\n" ";" _git_output "${_git_output}")
    list(LENGTH _git_output _git_lines)
    if(_git_lines EQUAL 2)
      list(GET _git_output 0 _git_top)
      list(GET _git_output 1 _git_commit)
      file(REAL_PATH "${_git_top}" _git_top)
      file(REAL_PATH "${PROJECT_SOURCE_DIR}" _source_top)
      # A tarball unpacked inside some other checkout is not that checkout.
      if(_git_top STREQUAL _source_top)
        set(SCENARIO_BUILDER_COMMIT "${_git_commit}")
        execute_process(
          COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse --absolute-git-dir
                  --git-path HEAD --symbolic-full-name HEAD
          OUTPUT_VARIABLE _git_paths ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        string(REPLACE "\n" ";" _git_paths "${_git_paths}")
        list(LENGTH _git_paths _git_path_count)
        if(_git_path_count GREATER_EQUAL 2)
          list(GET _git_paths 0 _git_dir)
          list(GET _git_paths 1 _git_head)
          if(NOT IS_ABSOLUTE "${_git_head}")
            set(_git_head "${PROJECT_SOURCE_DIR}/${_git_head}")
          endif()
          set(_git_watch "${_git_head}" "${_git_dir}/packed-refs")
          if(_git_path_count GREATER_EQUAL 3)
            list(GET _git_paths 2 _git_ref)
            if(_git_ref MATCHES "^refs/")
              execute_process(
                COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse --git-path ${_git_ref}
                OUTPUT_VARIABLE _git_ref_path ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
              if(NOT IS_ABSOLUTE "${_git_ref_path}")
                set(_git_ref_path "${PROJECT_SOURCE_DIR}/${_git_ref_path}")
              endif()
              list(APPEND _git_watch "${_git_ref_path}")
            endif()
          endif()
          foreach(_file IN LISTS _git_watch)
            if(EXISTS "${_file}")
              set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                           "${_file}")
            endif()
          endforeach()
        endif()
      endif()
    endif()
  endif()
endif()
if(SCENARIO_BUILDER_COMMIT)
  message(STATUS "scenario-builder: built from commit ${SCENARIO_BUILDER_COMMIT}")
else()
  message(STATUS "scenario-builder: not a git checkout, --version names the version only")
endif()
set_property(GLOBAL PROPERTY SCENARIO_BUILDER_COMMIT "${SCENARIO_BUILDER_COMMIT}")
