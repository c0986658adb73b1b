# Checks the installer executable as Windows' loader will see it, with the toolchain's objdump:
#   cmake -DEXE=<file> -DOBJDUMP=<objdump> -P executable_check.cmake
# - a 32-bit x86 image for the Windows GUI subsystem;
# - every imported DLL is one Windows always takes from the system folder (the loader resolves
#   imports before any of the program's code can restrict the DLL search), and not SHELL32;
# - the application manifest asks for administrator rights and names the supported systems;
# - the installer's own part of the file (all but the payload's stored bytes, which the payload
#   catalogue gives) stays within its budget of 224 KiB (unsigned).
cmake_minimum_required(VERSION 3.25)

# Windows' KnownDLLs (and ntdll, which is always the system's). comctl32 is not among them.
set(known_dlls advapi32 combase comdlg32 gdi32 imagehlp imm32 kernel32 msvcrt normaliz nsi ntdll
    ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32)

# Ends the check with `failure` unless `text` matches `pattern`.
function(require_match text pattern failure)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${failure}")
  endif()
endfunction()

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()

require_match("${dump}" "file format pei-i386" "not a 32-bit x86 Windows image")
require_match("${dump}" "Subsystem[ \t]+00000002[ \t]+\\(Windows GUI\\)" "not built for the Windows GUI subsystem")

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no import table found")
endif()
foreach(entry IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^ \t\r]+).*" "\\1" dll "${entry}")
  string(TOLOWER "${dll}" dll)
  string(REGEX REPLACE "\\.dll$" "" name "${dll}")
  if(NOT name IN_LIST known_dlls)
    message(FATAL_ERROR "imports ${dll}, which Windows does not always take from the system folder")
  endif()
  # SHELL32 is loaded once the first page is up (services/shell_functions.h): imported, the
  # costliest DLL of the start would be loaded again before the first page.
  if(name STREQUAL "shell32")
    message(FATAL_ERROR "imports shell32.dll, which the installer loads only once its first page is up")
  endif()
  message(STATUS "import: ${dll}")
endforeach()

file(STRINGS "${EXE}" manifest_lines REGEX "requestedExecutionLevel|supportedOS")
string(JOIN "\n" manifest "${manifest_lines}")
require_match("${manifest}" "level=\"requireAdministrator\"" "the manifest does not ask for administrator rights")
require_match("${manifest}" "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"
              "the manifest does not declare the supported Windows versions")

# The payload is stored once per distinct content: every catalogue entry but those that reuse
# another entry's bytes ("same").
set(overhead_budget 229376)
set(catalogue "${CMAKE_CURRENT_LIST_DIR}/../../payload/catalogue.txt")
file(READ "${catalogue}" catalogue_text)
# Number, size, mark and kind of each entry (the paths stay out: their backslashes would upset
# CMake's lists).
string(REGEX MATCHALL "\nentry[ \t]+[0-9]+[ \t]+[0-9]+[ \t]+[^ \t\n]+[ \t]+[^ \t\n]+" entries
       "${catalogue_text}")
set(payload_bytes 0)
foreach(entry IN LISTS entries)
  string(REGEX MATCH "^\nentry[ \t]+[0-9]+[ \t]+([0-9]+)[ \t]+[^ \t\n]+[ \t]+([^ \t\n]+)$" fields "${entry}")
  if(NOT CMAKE_MATCH_2 STREQUAL "same")
    math(EXPR payload_bytes "${payload_bytes} + ${CMAKE_MATCH_1}")
  endif()
endforeach()
if(payload_bytes EQUAL 0)
  message(FATAL_ERROR "no payload entries in ${catalogue}")
endif()
file(SIZE "${EXE}" exe_bytes)
math(EXPR overhead "${exe_bytes} - ${payload_bytes}")
message(STATUS "size: ${exe_bytes} bytes, of which payload ${payload_bytes}, installer ${overhead}")
if(overhead GREATER overhead_budget)
  message(FATAL_ERROR "the installer takes ${overhead} bytes besides its payload, more than its budget of "
                      "${overhead_budget}")
endif()

message(STATUS "installer image, imports, manifest and size are as they must be")
