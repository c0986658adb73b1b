# The build-time generators run on the build machine. The Windows tree runs the host preset's
# programs, found by path; the host tree builds them itself and names them as targets.
#   vl_host_tool(<var> <tool>)
#     sets <var> to the program to run, <var>_DEPENDS to what a command that runs it depends on,
#     and <var>_FORMAT to the object format of the tree (coff or elf), for generators that write
#     assembly.
function(vl_host_tool var tool)
  if(CMAKE_CROSSCOMPILING)
    set(${var} "${VL_HOST_TOOLS_DIR}/${tool}" PARENT_SCOPE)
    set(${var}_DEPENDS "${VL_HOST_TOOLS_DIR}/${tool}" PARENT_SCOPE)
    set(${var}_FORMAT coff PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${tool}> PARENT_SCOPE)
    set(${var}_DEPENDS ${tool} PARENT_SCOPE)
    set(${var}_FORMAT elf PARENT_SCOPE)
  endif()
endfunction()
