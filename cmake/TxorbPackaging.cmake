# Debian packages from the install components: `cpack -G DEB` in the build directory gives
#   libtxorb1     runtime
#   libtxorb-dev  development, depending on libtxorb1 of the same version
#   txorb-tools   tools, its dependencies computed from the binaries by dpkg-shlibdeps
set(CPACK_PACKAGE_NAME txorb)
set(CPACK_PACKAGE_VENDOR "txorb developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "txorb developers <txorb@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# txorb.pc is written for CMAKE_INSTALL_PREFIX at install time: stage under DESTDIR so that
# the prefix CPack installs with is the real one, /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_COMPONENTS_ALL runtime development tools)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tools link libtxorb.so.1 of this very build: dpkg-shlibdeps finds it here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(txorb_runtime_package "libtxorb${PROJECT_VERSION_MAJOR}")
set(txorb_same_runtime "${txorb_runtime_package} (= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${txorb_runtime_package})
string(CONCAT CPACK_DEBIAN_RUNTIME_DESCRIPTION "TX-ORB scan-controller card host library\n"
  "The flat C interface through which marking programs set up TX-ORB cards, build and run\n"
  "vector lists and read status, over the card's serial or parallel link.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtxorb-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ${txorb_same_runtime})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
string(CONCAT CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "TX-ORB scan-controller card host library (development files)\n"
  "The C headers, the pkg-config file txorb.pc and the CMake package (find_package(txorb)).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME txorb-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS ${txorb_same_runtime})
string(CONCAT CPACK_DEBIAN_TOOLS_DESCRIPTION "TX-ORB scan-controller card tools and virtual card\n"
  "txorb marks drawings and drives cards from the command line; txorb-sim is a virtual card\n"
  "on a pseudo-terminal, with its port-driver module, for trying programs without a card.")

include(CPack)
