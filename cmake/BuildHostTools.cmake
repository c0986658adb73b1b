# Run by the Windows tree as a script (cmake -P) before anything it generates: configures the
# host tree when it has not been, then builds the generators there. Changing a generator and
# building only the Windows tree thus makes everything that generator writes again.
#   -DSOURCE_DIR=<repository> -DHOST_DIR=<host tree> -DTARGETS=<generator;...>
if(NOT EXISTS "${HOST_DIR}/CMakeCache.txt")
  execute_process(COMMAND "${CMAKE_COMMAND}" --preset host WORKING_DIRECTORY "${SOURCE_DIR}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${HOST_DIR}" --target ${TARGETS} COMMAND_ERROR_IS_FATAL ANY)
