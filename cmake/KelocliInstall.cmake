# The SDK: what `cmake --install BUILD --prefix DIR` puts into DIR and `make package` into
# dist/kelocli-VERSION-win64.zip. The rules name targets only, so moving sources leaves them be.
#
#   include/                 the exported headers
#   lib/libkelocli.dll.a     the import library
#   lib/cmake/kelocli/       the CMake package: find_package(kelocli CONFIG), kelocli::kelocli
#   bin/                     kelocli.dll, the reference server with its helper, the viewer
#   README.md, server/README.md
include(CMakePackageConfigHelpers)

set(KELOCLI_PACKAGE_DIR lib/cmake/kelocli)

install(TARGETS kelocli EXPORT kelocliTargets
  RUNTIME DESTINATION bin
  ARCHIVE DESTINATION lib
  INCLUDES DESTINATION include)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ DESTINATION include FILES_MATCHING PATTERN "*.h")

# The server's helpers are started or loaded by path, never linked: no import library.
install(TARGETS pimbaxsrv pimbaxpaint pimbaxplay keloview
  RUNTIME DESTINATION bin
  ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)

# The server's README stays below server/, where the main README's links look for it.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/server/README.md DESTINATION server)

install(EXPORT kelocliTargets NAMESPACE kelocli:: DESTINATION ${KELOCLI_PACKAGE_DIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/kelocliConfig.cmake.in
               ${PROJECT_BINARY_DIR}/kelocliConfig.cmake @ONLY)
# While the version starts with 0, a minor release may change the exported classes.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kelocliConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kelocliConfig.cmake
              ${PROJECT_BINARY_DIR}/kelocliConfigVersion.cmake
        DESTINATION ${KELOCLI_PACKAGE_DIR})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)
include(CPack)
