# What `cmake --install` puts where: the library with its header, the
# pkg-config file and the CMake package for hosts, the command-line tool,
# the udev rule, the examples' sources and the documentation.
include(CMakePackageConfigHelpers)

set(VELMOR_UDEV_RULES_DIR "/etc/udev/rules.d" CACHE PATH "Where the udev rule is installed")
set(VELMOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velmor)

install(TARGETS VelmorSdk_S10PX EXPORT VelmorTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/velmor/velmor.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velmor)
install(TARGETS velmor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.c" PATTERN "*.py" PATTERN "CMakeLists.txt" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/udev/70-velmor-camera.rules
          DESTINATION ${VELMOR_UDEV_RULES_DIR})
endif()

# CMake hosts: find_package(Velmor) gives the imported target Velmor::Velmor.
set_target_properties(VelmorSdk_S10PX PROPERTIES EXPORT_NAME Velmor)
install(EXPORT VelmorTargets NAMESPACE Velmor:: DESTINATION ${VELMOR_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VelmorConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/VelmorConfig.cmake
                              INSTALL_DESTINATION ${VELMOR_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VelmorConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VelmorConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VelmorConfigVersion.cmake
        DESTINATION ${VELMOR_CMAKE_DIR})

# pkg-config hosts: `pkg-config --cflags --libs velmor`. The prefix is told
# from where the file lies, so a staged or moved install still works.
file(RELATIVE_PATH VELMOR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/velmor.pc.in ${CMAKE_CURRENT_BINARY_DIR}/velmor.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/velmor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
