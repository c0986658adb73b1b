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
  # - optimised for size before speed (-Oz, which also takes the shorter of two instruction
  #   sequences where -Os takes the faster): they wait on the user, the disk and the system, not
  #   on their own code;
  # - each function and object in a section of its own, for the linker to drop what nothing uses
  #   (--gc-sections);
  # - no unwind tables: nothing throws through product code, and the linker keeps every function
  #   that an unwind table names, used or not;
  # - function-local statics without the C++ library's thread-safe guard, which would bring its
  #   exception and thread machinery along. Every such static (the runtime object, the control
  #   list, the run log's file, the shell's libraries, the display scale...) is first reached on
  #   the GUI thread: the installer's one other thread, the payload check's worker, reaches none,
  #   and one that meets a fatal error finds the runtime object made in the start-up;
  # - no run-time type information: nothing asks a type at run time, and a class with virtual
  #   functions would otherwise bring the C++ library's type descriptions along.
  #
  # Product code is also compiled for link-time optimisation (-flto): the shipped programs are
  # optimised as a whole when they are linked (vl_optimise_whole_program). The objects stay "fat",
  # with their ordinary code beside, and every other program (tests, probes, tools) links that
  # code without the whole-program pass (-fno-lto, set for every link below): such a link swaps
  # functions by --wrap and mixes these objects with ones compiled at other levels.
  set(vl_size_setting -Oz)
  target_compile_options(vl_product_options INTERFACE ${vl_size_setting}
    -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables
    -flto -ffat-lto-objects
    $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics -fno-rtti>)
  add_link_options(-fno-lto)
endif()

# vl_optimise_whole_program(<target>): the program is linked with link-time optimisation over
# the product code it links: one partition, so that the whole program is one unit to inline and
# prune across, and so that a symbol that a benchmark build swaps by --wrap keeps its one public
# definition. At the same size setting as the compiles (vl_size_setting).
function(vl_optimise_whole_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -flto -flto-partition=one ${vl_size_setting})
  endif()
endfunction()
