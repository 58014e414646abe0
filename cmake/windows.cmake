# The Windows build's program, data and ZIP (included from the top
# CMakeLists.txt when TAILGATE_SYSTEM is win32).
#
# tailgate.exe is a GUI program (no console window of its own); a start-up
# failure's line also goes to a message box. Its data is the native build's,
# copied beside it as "data", where the program looks first.
set_target_properties(tailgate PROPERTIES WIN32_EXECUTABLE ON)
# Every exit passes through the failure's message box (platform/win32/failure_win32.cpp).
target_link_options(tailgate PRIVATE -Wl,--wrap=exit)

# Its resources: the icon (packed from the native build's 96 x 96 and
# 192 x 192 icons), the manifest (UTF-8 as the code page) and the version.
enable_language(RC)
set(TAILGATE_ICONS ${TAILGATE_NATIVE_BUILD}/icons/96x96/tailgate.png ${TAILGATE_NATIVE_BUILD}/icons/192x192/tailgate.png)
set(TAILGATE_RC_DIR ${CMAKE_BINARY_DIR}/resources)
add_custom_command(
  OUTPUT ${TAILGATE_RC_DIR}/tailgate.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAILGATE_RC_DIR}
  COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/make_ico.sh ${TAILGATE_RC_DIR}/tailgate.ico ${TAILGATE_ICONS}
  DEPENDS ${TAILGATE_ICONS} ${CMAKE_SOURCE_DIR}/cmake/make_ico.sh
  COMMENT "Packing the program's icon"
  VERBATIM)
configure_file(${CMAKE_SOURCE_DIR}/dist/windows/tailgate.manifest ${TAILGATE_RC_DIR}/tailgate.manifest COPYONLY)
string(REPLACE "." "," TAILGATE_VERSION_COMMAS "${PROJECT_VERSION},0")
configure_file(${CMAKE_SOURCE_DIR}/dist/windows/tailgate.rc ${TAILGATE_RC_DIR}/tailgate.rc @ONLY)
set_source_files_properties(${TAILGATE_RC_DIR}/tailgate.rc PROPERTIES
  OBJECT_DEPENDS "${TAILGATE_RC_DIR}/tailgate.ico;${TAILGATE_RC_DIR}/tailgate.manifest")
target_sources(tailgate PRIVATE ${TAILGATE_RC_DIR}/tailgate.rc)

# The data beside the program in the build tree, as in the ZIP.
add_custom_target(windows_data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${TAILGATE_NATIVE_BUILD}/data ${CMAKE_BINARY_DIR}/data
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/data/hiscore.txt
  COMMENT "Copying the game data from ${TAILGATE_NATIVE_BUILD}"
  VERBATIM)

# The ZIP: tailgate-VERSION-win64/ with the program, its data, a README for
# Windows players and the licences.
install(TARGETS tailgate RUNTIME DESTINATION .)
install(DIRECTORY ${TAILGATE_NATIVE_BUILD}/data/ DESTINATION data PATTERN hiscore.txt EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/dist/windows/README.txt DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright DESTINATION . RENAME COPYRIGHT.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licenses RENAME mingw-w64.txt)
install(FILES /usr/share/doc/libz-mingw-w64/copyright DESTINATION licenses RENAME zlib.txt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses RENAME gcc-runtime.txt)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tailgate)
set(CPACK_PACKAGE_FILE_NAME tailgate-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The pads' unit test built for Windows as well, for scripts/test-windows.sh
# to run under Wine, with GoogleTest built from the sources Debian's
# libgtest-dev ships. Not part of the ZIP.
set(TAILGATE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for the Windows build's unit test")
if(EXISTS ${TAILGATE_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TAILGATE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_executable(test_pads ${CMAKE_SOURCE_DIR}/tests/pads/xinput_test.cpp)
  target_link_libraries(test_pads PRIVATE tailgate_game GTest::gtest GTest::gtest_main)
else()
  message(STATUS "No GoogleTest sources in ${TAILGATE_GTEST_SOURCE} (libgtest-dev): the Windows unit test is not built")
endif()

# The tests' launcher: starts the game as the desktop does (no console, no
# standard handles) and reports the message boxes it shows.
add_executable(launch ${CMAKE_SOURCE_DIR}/tools/launch/launch.cpp)
target_compile_definitions(launch PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# A GUI program itself: it has no console for the game to attach to.
set_target_properties(launch PROPERTIES WIN32_EXECUTABLE ON)
