# Runs PROGRAM with ARGUMENTS (words separated by spaces) and writes its
# standard output to OUTPUT; fails when the program does.
#
#   cmake -DPROGRAM=... "-DARGUMENTS=a b" -DOUTPUT=... -P RunToFile.cmake
separate_arguments(ARGUMENTS UNIX_COMMAND "${ARGUMENTS}")
execute_process(COMMAND ${PROGRAM} ${ARGUMENTS} OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENTS}: exit status ${result}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
