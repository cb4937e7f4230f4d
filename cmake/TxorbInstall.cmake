# What `cmake --install` lays out, in three components that are also the Debian packages:
#   runtime      libtxorb.so.1.0.0 and its SONAME link libtxorb.so.1
#   development  the headers, the libtxorb.so link, txorb.pc and the CMake package
#   tools        txorb, txorb-sim, the simulator's port-driver module and their man pages
include(CMakePackageConfigHelpers)

set(TXORB_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/txorb)

install(TARGETS txorb EXPORT txorbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/txorb/txorb.h ${PROJECT_SOURCE_DIR}/include/txorb/port_driver.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/txorb COMPONENT development)

install(EXPORT txorbTargets NAMESPACE txorb:: DESTINATION ${TXORB_CMAKE_PACKAGE_DIR}
  COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/txorbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/txorbConfig.cmake INSTALL_DESTINATION ${TXORB_CMAKE_PACKAGE_DIR})
# One major version keeps the exports and their behaviour; a consumer asking for 1.x accepts 1.y.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/txorbConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/txorbConfig.cmake
  ${PROJECT_BINARY_DIR}/package/txorbConfigVersion.cmake
  DESTINATION ${TXORB_CMAKE_PACKAGE_DIR} COMPONENT development)

# txorb.pc names absolute paths, so it is written when installing, for the prefix actually used
# (`cmake --install --prefix` may differ from the configured one). The first pass here fills in
# everything but the prefix.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(TXORB_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(TXORB_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
set(TXORB_PC_PREFIX "@TXORB_PC_PREFIX@")
configure_file(${PROJECT_SOURCE_DIR}/cmake/txorb.pc.in ${PROJECT_BINARY_DIR}/package/txorb.pc.in @ONLY)
install(CODE "
  set(TXORB_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/package/txorb.pc.in\" \"${PROJECT_BINARY_DIR}/package/txorb.pc\" @ONLY)
" COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/package/txorb.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

if(TXORB_TOOLS)
  install(TARGETS txorb_cli txorb-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  install(TARGETS txorb_simdriver LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tools)
  if(TXORB_MAN_PAGES)
    include(${PROJECT_SOURCE_DIR}/cmake/TxorbManPages.cmake)
    txorb_man_page(txorb_cli txorb "mark drawings and drive TX-ORB scan-controller cards")
    txorb_man_page(txorb-sim txorb-sim "virtual TX-ORB scan-controller card")
    install(FILES ${TXORB_MAN_PAGE_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
  endif()
endif()
