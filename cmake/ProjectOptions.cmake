# Compiler settings shared by every target of the project.
add_library(vl_options INTERFACE)
target_compile_options(vl_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# Product code reports failure by results and fatal errors; it never throws.
add_library(vl_product_options INTERFACE)
target_link_libraries(vl_product_options INTERFACE vl_options)
target_compile_options(vl_product_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)

if(WIN32)
  # The Windows 7 interface. The programs call its wide (W) functions through the text boundary
  # (runtime/text_boundary.h); their own texts stay GB18030 bytes inside.
  target_compile_definitions(vl_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

  # The shipped programs are as small as their code allows:
  # - optimised for size: they wait on the user, the disk and the system, not on their own code;
  # - each function and object in a section of its own, for the linker to drop what nothing uses
  #   (--gc-sections);
  # - no unwind tables: nothing throws through product code, and the linker keeps every function
  #   that an unwind table names, used or not;
  # - function-local statics without the C++ library's thread-safe guard, which would bring its
  #   exception and thread machinery along. There are two such statics, the runtime object and
  #   the control list; both are first reached on the GUI thread (the runtime object in the
  #   start-up, the control list with the first page) before the program can run anything on
  #   another thread, and a thread that calls EndProgram or meets a fatal error later finds both
  #   made;
  # - no run-time type information: nothing asks a type at run time, and a class with virtual
  #   functions would otherwise bring the C++ library's type descriptions along.
  target_compile_options(vl_product_options INTERFACE -Os
    -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables
    $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics -fno-rtti>)
endif()
