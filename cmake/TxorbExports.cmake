# The names the shared library exports, read from the public header: every declaration there
# is written `TXORB_EXPORT(type) Name(...)`, so a new export cannot be forgotten in the linker's
# list. The Linux version script and the Windows .def file are both made from this one list.
#
#   txorb_read_export_names(<out-var> <header>)
#   txorb_write_version_script(<file> <header>)
function(txorb_read_export_names out header)
  file(STRINGS ${header} lines REGEX "TXORB_EXPORT\\(")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "TXORB_EXPORT\\([^)]*\\) *([A-Za-z0-9_]+) *\\(")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "no TXORB_EXPORT declarations found in ${header}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()

function(txorb_write_version_script file header)
  txorb_read_export_names(names ${header})
  set(text "{\n  global:\n")
  foreach(name IN LISTS names)
    string(APPEND text "    ${name};\n")
  endforeach()
  string(APPEND text "  local: *;\n};\n")
  # file(CONFIGURE) rewrites only on change, so the library relinks only when the list changes.
  file(CONFIGURE OUTPUT ${file} CONTENT "${text}" @ONLY)
endfunction()
