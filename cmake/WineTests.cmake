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

# vl_copy_beside(<test program> <program>...): each program copied beside the test program that
# starts it, again whenever the program is built again (not only when the test program is).
function(vl_copy_beside test)
  set(copies)
  foreach(program IN LISTS ARGN)
    set(copy "${CMAKE_CURRENT_BINARY_DIR}/${program}.exe")
    add_custom_command(OUTPUT "${copy}"
      COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:${program}>" "${copy}"
      DEPENDS ${program} VERBATIM)
    list(APPEND copies "${copy}")
  endforeach()
  add_custom_target(${test}_programs DEPENDS ${copies})
  add_dependencies(${test} ${test}_programs)
endfunction()

# vl_add_windows_test(<name> SOURCES <files>... LIBS <targets>... [ARGS <args>...])
# A GoogleTest program run once under Wine (one ctest entry per program: each Wine start costs
# more than a whole test case). Windowed tests take turns on the one desktop (resource lock
# "desktop"): another program's window taking the foreground would upset their focus checks
# and screenshots.
function(vl_add_windows_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest vl_options)
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 240 RESOURCE_LOCK desktop)
endfunction()

# vl_add_runtime_program(<name> [WIN32] SOURCES <files>... LIBS <targets>... [TEXTS <texts.txt>...]
#                        [HEADER <program-header.cpp>])
# A program on the runtime: it gets a program header (by default the test programs' header in
# tests/runtime/test_program_header.cpp: no page descriptions, the four libraries) and its own
# constant segment holding the runtime's and the installer's texts and any further TEXTS.
function(vl_add_runtime_program name)
  cmake_parse_arguments(ARG "WIN32" "HEADER" "SOURCES;LIBS;TEXTS" ${ARGN})
  if(NOT ARG_HEADER)
    set(ARG_HEADER "${CMAKE_SOURCE_DIR}/tests/runtime/test_program_header.cpp")
  endif()
  vl_add_constant_segment(${name}_constants SOURCES
    "${CMAKE_SOURCE_DIR}/runtime/texts.txt" "${CMAKE_SOURCE_DIR}/app/texts.txt" ${ARG_TEXTS})
  if(ARG_WIN32)
    add_executable(${name} WIN32 ${ARG_SOURCES} "${ARG_HEADER}")
  else()
    add_executable(${name} ${ARG_SOURCES} "${ARG_HEADER}")
  endif()
  target_link_libraries(${name} PRIVATE ${name}_constants ${ARG_LIBS} vl_libraries vl_options)
endfunction()

# vl_add_runtime_test(<name> SOURCES <files>... LIBS <targets>... [TEXTS ...] [HEADER ...])
# A GoogleTest program on the runtime, run under Wine.
function(vl_add_runtime_test name)
  cmake_parse_arguments(ARG "" "HEADER" "SOURCES;LIBS;TEXTS" ${ARGN})
  set(header)
  if(ARG_HEADER)
    set(header HEADER "${ARG_HEADER}")
  endif()
  vl_add_runtime_program(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} GTest::gtest TEXTS ${ARG_TEXTS} ${header})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 240 RESOURCE_LOCK desktop)
endfunction()
