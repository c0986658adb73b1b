# The program's constant texts are kept as readable UTF-8 sources (texts.txt files) and turned
# into GBK bytes at build time by the constgen tool:
#   vl_declare_texts(<target> <texts.txt>)
#     an INTERFACE library whose include folder holds <stem>.h, the declarations of the texts
#     of one source (the header is named after the source's folder: runtime/texts.txt gives
#     runtime_texts.h);
#   vl_add_constant_segment(<target> SOURCES <texts.txt>... [PAYLOAD <list> PAYLOAD_FILES <files>...])
#     an OBJECT library holding one contiguous constant segment with the definitions of all
#     the given texts (then the payload run the list names, whose contents are PAYLOAD_FILES),
#     and the include folder with constant_segment_layout.h (its length).
# Each executable links exactly one constant segment.

vl_host_tool(VL_CONSTGEN constgen)

function(vl_declare_texts target source)
  get_filename_component(abs "${source}" ABSOLUTE)
  get_filename_component(folder "${abs}" DIRECTORY)
  get_filename_component(stem "${folder}" NAME)
  set(outdir "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(header "${outdir}/${stem}_texts.h")
  add_custom_command(
    OUTPUT "${header}"
    COMMAND "${VL_CONSTGEN}" declare "${abs}" "${header}"
    DEPENDS "${abs}" ${VL_CONSTGEN_DEPENDS}
    COMMENT "Declaring the texts of ${source}"
    VERBATIM)
  add_custom_target(${target}_generate DEPENDS "${header}")
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_generate)
  target_include_directories(${target} INTERFACE "${outdir}")
endfunction()

function(vl_add_constant_segment target)
  cmake_parse_arguments(ARG "" "PAYLOAD" "SOURCES;PAYLOAD_FILES" ${ARGN})
  set(outdir "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(asm "${outdir}/constant_segment.S")
  set(layout "${outdir}/constant_segment_layout.h")
  set(inputs)
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(abs "${source}" ABSOLUTE)
    list(APPEND inputs "${abs}")
  endforeach()
  set(payload)
  if(ARG_PAYLOAD)
    set(payload --payload "${ARG_PAYLOAD}")
  endif()
  add_custom_command(
    OUTPUT "${asm}" "${layout}"
    COMMAND "${VL_CONSTGEN}" segment --format ${VL_CONSTGEN_FORMAT} --asm "${asm}" --layout "${layout}"
            ${payload} ${inputs}
    # The byte sets' lengths come from the contents' sizes: a signed program is longer.
    DEPENDS ${inputs} ${ARG_PAYLOAD} ${ARG_PAYLOAD_FILES} ${VL_CONSTGEN_DEPENDS}
    COMMENT "Generating the constant segment ${target}"
    VERBATIM)
  if(ARG_PAYLOAD_FILES)
    # The assembler reads the payload's contents itself: it must run again when one changes.
    set_source_files_properties("${asm}" PROPERTIES OBJECT_DEPENDS "${ARG_PAYLOAD_FILES}")
  endif()
  add_library(${target} OBJECT "${asm}" "${layout}")
  target_include_directories(${target} INTERFACE "${outdir}")
endfunction()
