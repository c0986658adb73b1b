# The pages' pictures, drawn at build time by tools/picturegen (the same bytes on every build):
#   vl_page_pictures(<out var>)
#     generates page_icon.ico, small_icon.ico and banner.jpg into <binary dir>/page_pictures and
#     sets <out var> to that folder (give it to vl_add_page_segment as an INCLUDE_DIRS entry) and
#     <out var>_FILES to the three files (give them as DEPENDS).
vl_host_tool(VL_PICTUREGEN picturegen)

function(vl_page_pictures out)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/page_pictures")
  set(files)
  foreach(pair "page-icon;page_icon.ico" "small-icon;small_icon.ico" "banner;banner.jpg")
    list(GET pair 0 picture)
    list(GET pair 1 name)
    add_custom_command(
      OUTPUT "${dir}/${name}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
      COMMAND "${VL_PICTUREGEN}" ${picture} "${dir}/${name}"
      DEPENDS ${VL_PICTUREGEN_DEPENDS}
      COMMENT "Drawing the picture ${name}"
      VERBATIM)
    list(APPEND files "${dir}/${name}")
  endforeach()
  set(${out} "${dir}" PARENT_SCOPE)
  set(${out}_FILES "${files}" PARENT_SCOPE)
endfunction()

# The programs' own icon (program_icon.ico: the page icon and the small icon in one file), drawn
# once for the whole tree by the target vl_program_icon:
#   vl_use_program_icon(<target> <resource script>)
#     lets the script of <target> name "program_icon.ico" and rebuilds it when the icon changes.
#     Call it in the folder that builds <target>: source properties belong to their folder. The
#     program functions call it from folders that never included this file, so it relies on none
#     of its variables. Windows tree only.
function(vl_use_program_icon target script)
  set(dir "${CMAKE_BINARY_DIR}/program_icon")
  set(icon "${dir}/program_icon.ico")
  if(NOT TARGET vl_program_icon)
    add_custom_command(
      OUTPUT "${icon}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
      COMMAND "${VL_HOST_TOOLS_DIR}/picturegen" program-icon "${icon}"
      DEPENDS "${VL_HOST_TOOLS_DIR}/picturegen"
      COMMENT "Drawing the programs' icon"
      VERBATIM)
    add_custom_target(vl_program_icon DEPENDS "${icon}")
  endif()
  add_dependencies(${target} vl_program_icon)
  target_include_directories(${target} PRIVATE "$<$<COMPILE_LANGUAGE:RC>:${dir}>")
  set_property(SOURCE "${script}" APPEND PROPERTY OBJECT_DEPENDS "${icon}")
endfunction()
