# Man pages for the tools, made at build time by help2man from each program's --help and
# --version output, so that they cannot drift from the programs.
#
#   txorb_man_page(<target> <page-name> <one-line description>)
# appends the page to TXORB_MAN_PAGE_FILES and builds it with the target txorb_man_pages.
find_program(HELP2MAN_PROGRAM help2man REQUIRED)
if(NOT TARGET txorb_man_pages)
  add_custom_target(txorb_man_pages ALL)
endif()

function(txorb_man_page target page description)
  set(output ${PROJECT_BINARY_DIR}/man/${page}.1)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN_PROGRAM} -DPROGRAM=$<TARGET_FILE:${target}>
            -DOUTPUT=${output} -DDESCRIPTION=${description} -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/cmake/TxorbManPageRun.cmake
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/TxorbManPageRun.cmake
    COMMENT "Writing the man page ${page}.1"
    VERBATIM)
  add_custom_target(txorb_man_page_${page} DEPENDS ${output})
  add_dependencies(txorb_man_pages txorb_man_page_${page})
  set(TXORB_MAN_PAGE_FILES ${TXORB_MAN_PAGE_FILES} ${output} PARENT_SCOPE)
endfunction()
