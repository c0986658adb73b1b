# The pages a program carries are kept as a readable page source (see tools/pagegen/page_source.h)
# and turned into the stored page-description segment at build time by the pagegen tool:
#   vl_add_page_segment(<target> SOURCE <pages source> ROUTINES <routine list>
#                       [INCLUDE_DIRS <dir>...] [DEPENDS <target or file>...])
#     an OBJECT library holding the segment (label kPageSegmentStart, in writable data) and one
#     entry per routine of the list from the label kCodeStart, and the include folder with
#     page_segment_layout.h (kPageSegmentLength, the routines and their entry offsets). The
#     segment's bytes are also written to <binary dir>/<target>/page_segment.bin.
#     INCLUDE_DIRS are searched for the files the source names (after the source's own folder);
#     DEPENDS names what must be built first (generated pictures).
# A program's header points at kPageSegmentStart, kPageSegmentLength and kCodeStart.

vl_host_tool(VL_PAGEGEN pagegen)

function(vl_add_page_segment target)
  cmake_parse_arguments(ARG "" "SOURCE;ROUTINES" "INCLUDE_DIRS;DEPENDS" ${ARGN})
  get_filename_component(source "${ARG_SOURCE}" ABSOLUTE)
  get_filename_component(routines "${ARG_ROUTINES}" ABSOLUTE)
  set(outdir "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(binary "${outdir}/page_segment.bin")
  set(asm "${outdir}/page_segment.S")
  set(layout "${outdir}/page_segment_layout.h")
  set(includes)
  foreach(dir IN LISTS ARG_INCLUDE_DIRS)
    get_filename_component(abs "${dir}" ABSOLUTE)
    list(APPEND includes --include-dir "${abs}")
  endforeach()
  add_custom_command(
    OUTPUT "${binary}" "${asm}" "${layout}"
    COMMAND "${VL_PAGEGEN}" --source "${source}" --routines "${routines}" --binary "${binary}"
            --asm "${asm}" --layout "${layout}" --format ${VL_PAGEGEN_FORMAT} ${includes}
            --depfile "${outdir}/page_segment.d"
    DEPENDS "${source}" "${routines}" ${VL_PAGEGEN_DEPENDS} ${ARG_DEPENDS}
    DEPFILE "${outdir}/page_segment.d"
    COMMENT "Generating the page descriptions ${target}"
    VERBATIM)
  add_custom_target(${target}_generate DEPENDS "${binary}" "${asm}" "${layout}")
  add_library(${target} OBJECT "${asm}" "${layout}")
  add_dependencies(${target} ${target}_generate)
  target_include_directories(${target} INTERFACE "${outdir}")
endfunction()
