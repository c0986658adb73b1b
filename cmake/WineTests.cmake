# Windows test programs run under Wine through one wrapper, used as the cross-compiling emulator.
# Every ctest run first makes a new throwaway prefix and an Xvfb display for this build tree
# (fixture "wine") and stops them afterwards.
set(VL_WINE_STATE "${CMAKE_BINARY_DIR}/wine")
set(VL_WINE_ENV "${CMAKE_SOURCE_DIR}/tools/wine/wine-env")
set(CMAKE_CROSSCOMPILING_EMULATOR "${VL_WINE_ENV};run;${VL_WINE_STATE}")

add_test(NAME wine_setup COMMAND "${VL_WINE_ENV}" setup "${VL_WINE_STATE}")
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
add_test(NAME wine_teardown COMMAND "${VL_WINE_ENV}" teardown "${VL_WINE_STATE}")
set_tests_properties(wine_teardown PROPERTIES FIXTURES_CLEANUP wine)

# vl_add_windows_test(<name> SOURCES <files>... LIBS <targets>... [ARGS <args>...])
# A GoogleTest program run once under Wine (one ctest entry per program: each Wine start costs
# more than a whole test case).
function(vl_add_windows_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest vl_options)
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 240)
endfunction()
