# What `cmake --install` puts where:
#   bin/                      moviehost, moviecapture
#   lib/                      the platform (shared), hosting and client libraries
#   lib/moviehost/            our control, flash10c.ocx, where the loader looks
#   include/moviehost/        hosting, client, common and contract headers
#   include/moviehost/platform/  the platform's headers, named "platform/..."
#   lib/cmake/moviehost/      moviehostConfig.cmake for find_package(moviehost)
#   lib/pkgconfig/            moviehost.pc
include(CMakePackageConfigHelpers)

# Installed programs and our control find the platform library relative to
# where they are, so the installed tree can be moved as a whole.
file(RELATIVE_PATH bindir_to_libdir ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH controldir_to_libdir ${CMAKE_INSTALL_FULL_LIBDIR}/moviehost ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(moviehost PROPERTIES INSTALL_RPATH "$ORIGIN/${bindir_to_libdir}")
set_target_properties(flash10c PROPERTIES INSTALL_RPATH "$ORIGIN/${controldir_to_libdir}")

install(TARGETS moviehost_common moviehost_contract platform hosting moviehost_client
        EXPORT moviehostTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS moviehost moviecapture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS flash10c LIBRARY DESTINATION ${MOVIEHOST_CONTROL_INSTALL_DIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/common/include/
                  ${PROJECT_SOURCE_DIR}/contract/include/
                  ${PROJECT_SOURCE_DIR}/hosting/include/
                  ${PROJECT_SOURCE_DIR}/tools/client/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/include/platform DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/moviehost)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/moviehost)
install(EXPORT moviehostTargets NAMESPACE moviehost:: DESTINATION ${config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/moviehostConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/moviehostConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/moviehostConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/moviehostConfig.cmake ${PROJECT_BINARY_DIR}/moviehostConfigVersion.cmake
        DESTINATION ${config_dir})

# The .pc file names its prefix relative to itself, like the CMake package.
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH pkgconfig_to_prefix ${CMAKE_INSTALL_PREFIX}/${pkgconfig_dir} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pkgconfig_to_prefix "${pkgconfig_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/moviehost.pc.in ${PROJECT_BINARY_DIR}/moviehost.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/moviehost.pc DESTINATION ${pkgconfig_dir})
