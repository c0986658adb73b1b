# constgen_coff_segment_test: generates the Windows (coff) constant segment of the integration
# texts, assembles it with the mingw-w64 assembler, and checks the symbols (nm) and the bytes
# of .rdata (objcopy). Run as:
#   cmake -DCONSTGEN=... -DAS=... -DNM=... -DOBJCOPY=... -DFIRST=... -DSECOND=... -DWORK_DIR=...
#         -P check_coff_segment.cmake

foreach(variable CONSTGEN AS NM OBJCOPY FIRST SECOND WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_coff_segment.cmake needs -D${variable}=...")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK_DIR}"
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "failed (${code}): ${ARGN}\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_equal what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}:\nexpected:\n${expected}\nactual:\n${actual}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
run("${CONSTGEN}" segment --format coff --asm segment.S --layout layout.h "${FIRST}" "${SECOND}")
run("${AS}" --32 -o segment.obj segment.S)

# Global symbols in the order of their addresses; equal addresses by name.
run("${NM}" --extern-only --numeric-sort segment.obj)
expect_equal("the segment's symbols" "${output}"
"00000000 R _kConstSegmentStart
00000000 R _kItTitle
00000005 R _kItPrompt
00000012 R _kItRawThenText
0000001d R _kItEmpty
0000001e R _kConstSegmentEnd
")

run("${OBJCOPY}" -O binary --only-section=.rdata segment.obj rdata.bin)
# The assembler pads the section to its alignment after kConstSegmentEnd: compare the 30 bytes.
file(READ "${WORK_DIR}/rdata.bin" bytes HEX LIMIT 30)
expect_equal("the bytes of .rdata" "${bytes}"
  "b4edcef300d0c5cfa2a3baa1b0cac7a1b100a1b06f6b0d0ac8b7b6a80000")

file(READ "${WORK_DIR}/layout.h" layout)
string(FIND "${layout}" "kConstSegmentLength = 30;" found)
if(found EQUAL -1)
  message(FATAL_ERROR "layout.h does not give the length 30:\n${layout}")
endif()
message(STATUS "the coff segment assembles with its labels and bytes in place")
