# The package other projects find: installed under lib/cmake/Pelmora, and generated into
# the build folder too, so that -DPelmora_DIR=<build folder> uses the pelmora-cli built here.
include(CMakePackageConfigHelpers)
set(PELMORA_PREFIX_CODE
    [=[get_filename_component(_pelmora_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)]=])
set(PELMORA_CLI_LOCATION "\${_pelmora_prefix}/${CMAKE_INSTALL_BINDIR}/pelmora-cli")
configure_file(${CMAKE_CURRENT_LIST_DIR}/PelmoraConfig.cmake.in
               ${CMAKE_BINARY_DIR}/cmake/installed/PelmoraConfig.cmake @ONLY)
set(PELMORA_PREFIX_CODE "")
set(PELMORA_CLI_LOCATION "$<TARGET_FILE:pelmora-cli>")
configure_file(${CMAKE_CURRENT_LIST_DIR}/PelmoraConfig.cmake.in
               ${CMAKE_BINARY_DIR}/cmake/PelmoraConfig.cmake.in @ONLY)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/PelmoraConfig.cmake
     INPUT ${CMAKE_BINARY_DIR}/cmake/PelmoraConfig.cmake.in)
configure_file(${CMAKE_CURRENT_LIST_DIR}/PelmoraAssets.cmake ${CMAKE_BINARY_DIR}/PelmoraAssets.cmake
               COPYONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/cmake/installed/PelmoraConfig.cmake
              ${CMAKE_CURRENT_LIST_DIR}/PelmoraAssets.cmake
              ${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
        DESTINATION lib/cmake/Pelmora)
