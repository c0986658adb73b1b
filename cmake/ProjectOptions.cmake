# Compiler settings shared by every target of the project.
add_library(vl_options INTERFACE)
target_compile_options(vl_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# Product code reports failure by results and fatal errors; it never throws.
add_library(vl_product_options INTERFACE)
target_link_libraries(vl_product_options INTERFACE vl_options)
target_compile_options(vl_product_options INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)

if(WIN32)
  # Windows XP-era ANSI entry points throughout; the program's texts are GBK bytes.
  target_compile_definitions(vl_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

  # The shipped programs are as small as their code allows:
  # - each function and object in a section of its own, for the linker to drop what nothing uses
  #   (--gc-sections);
  # - no unwind tables: nothing throws through product code, and the linker keeps every function
  #   that an unwind table names, used or not.
  target_compile_options(vl_product_options INTERFACE
    -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()
