# What makes the `txorb` target a Windows DLL that marking programs load by name: the export
# list (.def) made from txorb.h, the resources (the error texts as a string table and the version
# resource), and a runtime linked in statically, so that the DLL needs nothing but system DLLs.
#
# On 32-bit Windows every export is __stdcall and its object-file symbol is decorated
# (_Name@<argument bytes>). The .def lists Name@<bytes> and --kill-at drops the decoration from
# the exported name, so programs find the plain name while the import library still resolves
# the decorated one that a compiler emits for a call through txorb.h.

# Bytes a 32-bit stdcall caller pushes for one parameter: 8 for a double, 4 for anything else
# the header uses (pointers and integers of at most 32 bits are widened to a slot of 4).
function(txorb_parameter_bytes out parameters)
  string(REGEX REPLACE "[ \t\r\n]+" " " parameters "${parameters}")
  string(STRIP "${parameters}" parameters)
  set(bytes 0)
  if(NOT parameters STREQUAL "void" AND NOT parameters STREQUAL "")
    string(REPLACE "," ";" parameter_list "${parameters}")
    foreach(parameter IN LISTS parameter_list)
      string(STRIP "${parameter}" parameter)
      if(parameter MATCHES "\\*")
        math(EXPR bytes "${bytes} + 4")
      elseif(parameter MATCHES "^(const )?double ")
        math(EXPR bytes "${bytes} + 8")
      elseif(parameter MATCHES "^(const )?(u?int(8|16|32)_t|intptr_t|bool|char|int) ")
        math(EXPR bytes "${bytes} + 4")
      else()
        message(FATAL_ERROR "txorb.h: no stdcall size known for parameter '${parameter}'")
      endif()
    endforeach()
  endif()
  set(${out} ${bytes} PARENT_SCOPE)
endfunction()

# Writes the .def: every TXORB_EXPORT of the header, decorated with its argument bytes when
# decorated is TRUE.
function(txorb_write_def_file file header decorated)
  file(READ ${header} text)
  string(REGEX MATCHALL "TXORB_EXPORT\\([^)]*\\) *[A-Za-z0-9_]+ *\\([^)]*\\)" declarations
         "${text}")
  txorb_read_export_names(expected ${header})
  set(lines "LIBRARY txorb.dll\nEXPORTS\n")
  set(names "")
  foreach(declaration IN LISTS declarations)
    string(REGEX MATCH "TXORB_EXPORT\\([^)]*\\) *([A-Za-z0-9_]+) *\\(([^)]*)\\)" _
           "${declaration}")
    set(name ${CMAKE_MATCH_1})
    list(APPEND names ${name})
    if(decorated)
      txorb_parameter_bytes(bytes "${CMAKE_MATCH_2}")
      string(APPEND lines "    ${name}@${bytes}\n")
    else()
      string(APPEND lines "    ${name}\n")
    endif()
  endforeach()
  if(NOT names STREQUAL expected)
    message(FATAL_ERROR "txorb.h: the declarations and the export list disagree")
  endif()
  file(CONFIGURE OUTPUT ${file} CONTENT "${lines}" @ONLY)
endfunction()

# The string table: resource 10000 + code holds the text of code, for every line of the one
# error list in txorb.h.
function(txorb_write_string_table out header)
  # Read whole: the list's lines end in a backslash, which would escape a list separator.
  file(READ ${header} text)
  string(REGEX MATCHALL "X\\([0-9]+, [A-Z0-9_]+, \"[^\n]*\"\\)" entries "${text}")
  set(table "")
  foreach(entry IN LISTS entries)
    string(REGEX MATCH "X\\(([0-9]+), ([A-Z0-9_]+), (\".*\")\\)" _ "${entry}")
    math(EXPR id "10000 + ${CMAKE_MATCH_1}")
    # A C string literal and a resource string differ only in how a quote is escaped.
    string(REPLACE "\\\"" "\"\"" literal "${CMAKE_MATCH_3}")
    string(APPEND table "    ${id}, ${literal}\n")
  endforeach()
  if(table STREQUAL "")
    message(FATAL_ERROR "txorb.h: no TXORB_ERROR_LIST entries found")
  endif()
  set(${out} "${table}" PARENT_SCOPE)
endfunction()

enable_language(RC)

set(txorb_header ${PROJECT_SOURCE_DIR}/include/txorb/txorb.h)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(txorb_decorated TRUE)
else()
  set(txorb_decorated FALSE)
endif()
set(txorb_def_file ${PROJECT_BINARY_DIR}/txorb.def)
txorb_write_def_file(${txorb_def_file} ${txorb_header} ${txorb_decorated})

txorb_write_string_table(TXORB_STRING_TABLE ${txorb_header})
set(txorb_rc_file ${TXORB_GENERATED_DIR}/txorb.rc)
configure_file(${PROJECT_SOURCE_DIR}/resources/txorb.rc.in ${txorb_rc_file} @ONLY)

target_sources(txorb PRIVATE ${txorb_def_file} ${txorb_rc_file})
set_target_properties(txorb PROPERTIES
  PREFIX ""
  IMPORT_PREFIX "lib"
  ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
  LINK_DEPENDS ${txorb_def_file})
# -static takes libstdc++, libgcc and winpthread from their archives; the system DLLs stay
# imports. The version library reads the DLL's own version resource.
target_link_options(txorb PRIVATE -static)
if(txorb_decorated)
  target_link_options(txorb PRIVATE -Wl,--kill-at)
endif()
target_link_libraries(txorb PRIVATE txorb_version version)

if(txorb_decorated)
  # The linker's own import library would name the stripped symbols (_Name), while a caller
  # compiled against txorb.h asks for _Name@<bytes>. So the linker's one is set aside and
  # dlltool makes libtxorb.dll.a, which maps each decorated symbol to the plain export.
  if(NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "the 32-bit import library needs dlltool (CMAKE_DLLTOOL)")
  endif()
  set_target_properties(txorb PROPERTIES IMPORT_SUFFIX ".undecorated.a")
  set(txorb_import_library ${PROJECT_BINARY_DIR}/libtxorb.dll.a)
  add_custom_command(OUTPUT ${txorb_import_library}
    COMMAND ${CMAKE_DLLTOOL} --def ${txorb_def_file} --dllname txorb.dll --kill-at
            --output-lib ${txorb_import_library}
    DEPENDS ${txorb_def_file} txorb
    VERBATIM)
  add_custom_target(txorb_import_library ALL DEPENDS ${txorb_import_library})
endif()

# The example marking program, beside the DLL it loads at run time (it does not link to it).
add_executable(mark_square ${PROJECT_SOURCE_DIR}/examples/windows/mark_square.c)
set_target_properties(mark_square PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_link_options(mark_square PRIVATE -static)

# Tests that run under Wine: the platform layer against the real (Wine's) registry, serial
# ports and resources, and the OS-free unit tests.
option(TXORB_WINDOWS_TESTS "Build the tests that run under Wine" OFF)
if(TXORB_WINDOWS_TESTS)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows ${PROJECT_BINARY_DIR}/tests/windows)
endif()
