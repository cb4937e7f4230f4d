# The two versions of a build, kept apart on purpose, written into txorb_build_version.h.
#
# The release version is the root project's VERSION: the SONAME, the packages and the tools.
# The file version is what programs written for the card compare Get_DLL_Version against
# ((major * 10 + minor) * 100 + build = 11249); it belongs to the interface and does not
# follow our releases.
#
# Builds that are projects of their own (the fuzz targets) read the release version from the
# root project, so that there is one place to change it.
set(TXORB_FILE_VERSION 11.2.49.0)

get_filename_component(_txorb_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
file(STRINGS ${_txorb_root}/CMakeLists.txt _txorb_project_line REGEX "^project\\(txorb VERSION")
string(REGEX MATCH "VERSION ([0-9.]+)" _ ${_txorb_project_line})
set(TXORB_RELEASE_VERSION ${CMAKE_MATCH_1})

string(REPLACE "." ";" _txorb_file_version_parts ${TXORB_FILE_VERSION})
list(GET _txorb_file_version_parts 0 TXORB_FILE_VERSION_MAJOR)
list(GET _txorb_file_version_parts 1 TXORB_FILE_VERSION_MINOR)
list(GET _txorb_file_version_parts 2 TXORB_FILE_VERSION_BUILD)
list(GET _txorb_file_version_parts 3 TXORB_FILE_VERSION_REVISION)

set(TXORB_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/txorb_build_version.h.in
               ${TXORB_GENERATED_DIR}/txorb_build_version.h @ONLY)

# Link this to reach txorb_build_version.h (the library, the tools and the fuzz targets do).
if(NOT TARGET txorb_version)
  add_library(txorb_version INTERFACE)
  target_include_directories(txorb_version INTERFACE ${TXORB_GENERATED_DIR})
endif()
