# The installed kit builds and runs a host program through find_package and through pkg-config.
add_test(NAME install COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install/check-install.sh ${PROJECT_BINARY_DIR}
                              ${PROJECT_SOURCE_DIR})
set_tests_properties(install PROPERTIES LABELS "install" TIMEOUT 600)
