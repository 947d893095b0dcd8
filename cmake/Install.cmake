# make install: headers under include/qv/..., both libraries, a CMake package and a pkg-config file; the
# window glue as the package's component "sdl" (qvkit::sdl) and as qvkit-sdl.pc.
include(CMakePackageConfigHelpers)

# Only the public headers: those that mark their declarations for export, and the marking itself.
foreach(header ${QV_HEADERS})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${header})
  file(STRINGS ${header} marked REGEX "^QV_EXPORT_BEGIN")
  if(NOT marked AND NOT rel STREQUAL "qv/os/Export.h")
    continue()
  endif()
  get_filename_component(dir ${rel} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir})
endforeach()

install(TARGETS qvkit qvkit_static EXPORT qvkitTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT qvkitTargets NAMESPACE qvkit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qvkit)

install(FILES ${QV_SDL_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qv/sdl)
install(TARGETS qvkit_sdl EXPORT qvkitSdlTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT qvkitSdlTargets NAMESPACE qvkit:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qvkit)

configure_package_config_file(cmake/qvkitConfig.cmake.in ${PROJECT_BINARY_DIR}/qvkitConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qvkit)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qvkitConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qvkitConfig.cmake ${PROJECT_BINARY_DIR}/qvkitConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qvkit)

configure_file(cmake/qvkit.pc.in ${PROJECT_BINARY_DIR}/qvkit.pc @ONLY)
configure_file(cmake/qvkit-sdl.pc.in ${PROJECT_BINARY_DIR}/qvkit-sdl.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qvkit.pc ${PROJECT_BINARY_DIR}/qvkit-sdl.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
