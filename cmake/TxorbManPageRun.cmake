# Runs help2man on one program (cmake -P; see TxorbManPages.cmake). A program that does not
# answer --version yet is given the project's version, so the page is still made.
foreach(var HELP2MAN PROGRAM OUTPUT DESCRIPTION VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "TxorbManPageRun.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --version RESULT_VARIABLE version_status
  OUTPUT_QUIET ERROR_QUIET TIMEOUT 20)
set(version_argument)
if(NOT version_status EQUAL 0)
  set(version_argument --version-string=${VERSION})
endif()

# Ninja makes an output's directory itself; the Makefile generators do not.
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --name=${DESCRIPTION} ${version_argument}
          --output=${OUTPUT}.tmp ${PROGRAM}
  RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed on ${PROGRAM} (${status})")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
