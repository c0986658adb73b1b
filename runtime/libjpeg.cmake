# libjpeg for the Windows program: cross-built from Debian's libjpeg-turbo source package, which
# tools/setup.sh fetches into build/deps/libjpeg-turbo, and linked statically. Defines the
# imported target vl_libjpeg.
include(ExternalProject)

set(VL_LIBJPEG_SOURCE_PACKAGE "${CMAKE_SOURCE_DIR}/build/deps/libjpeg-turbo" CACHE PATH
    "Folder holding Debian's libjpeg-turbo source package (.dsc and tarballs)")
# The upstream release the programs are built and tested with, in whatever Debian revision is
# current (Debian's patches applied): its tarball must be the one whose SHA-256 is recorded here.
set(vl_jpeg_upstream_version 2.1.5)
set(vl_jpeg_upstream_sha256 254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c)
file(GLOB vl_jpeg_dsc "${VL_LIBJPEG_SOURCE_PACKAGE}/libjpeg-turbo_${vl_jpeg_upstream_version}-*.dsc")
if(NOT vl_jpeg_dsc)
  message(FATAL_ERROR "libjpeg-turbo ${vl_jpeg_upstream_version} source package not found in "
                      "${VL_LIBJPEG_SOURCE_PACKAGE}: run tools/setup.sh")
endif()
list(GET vl_jpeg_dsc 0 vl_jpeg_dsc)
set(vl_jpeg_tarball "${VL_LIBJPEG_SOURCE_PACKAGE}/libjpeg-turbo_${vl_jpeg_upstream_version}.orig.tar.gz")
file(SHA256 "${vl_jpeg_tarball}" vl_jpeg_sha256)
if(NOT vl_jpeg_sha256 STREQUAL vl_jpeg_upstream_sha256)
  message(FATAL_ERROR "${vl_jpeg_tarball} is not the upstream ${vl_jpeg_upstream_version} release: its SHA-256 is "
                      "${vl_jpeg_sha256}, not ${vl_jpeg_upstream_sha256}")
endif()

# Unpacked (with Debian's patches) once per build tree.
set(vl_jpeg_src "${CMAKE_BINARY_DIR}/deps/libjpeg-turbo-src")
if(NOT EXISTS "${vl_jpeg_src}/CMakeLists.txt")
  file(REMOVE_RECURSE "${vl_jpeg_src}")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/deps")
  execute_process(COMMAND dpkg-source --no-check -x "${vl_jpeg_dsc}" "${vl_jpeg_src}"
                  WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/deps" RESULT_VARIABLE vl_jpeg_rc OUTPUT_QUIET)
  if(NOT vl_jpeg_rc EQUAL 0)
    message(FATAL_ERROR "could not unpack ${vl_jpeg_dsc}")
  endif()
endif()

set(vl_jpeg_prefix "${CMAKE_BINARY_DIR}/deps/libjpeg-turbo")
set(vl_jpeg_lib "${vl_jpeg_prefix}/lib/libjpeg.a")

# Optimised for size (the pages' pictures are small and decoded once), and built as the product
# code is (cmake/ProjectOptions.cmake): a section per function and object for the linker to drop
# the unused ones, no unwind tables (C code that nothing unwinds through), and fat objects for
# link-time optimisation, so that the shipped programs optimise the decoder as a whole with the
# code that calls it (other programs link its ordinary code). libjpeg's messages use the C
# library's own printf family rather than the larger C99 one that mingw-w64 would otherwise link
# in. The library does not read its JPEGMEM variable (NO_GETENV): the programs run elevated, and
# their decoder takes no limit from the environment of whoever started them.
set(vl_jpeg_c_flags "-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables")
string(APPEND vl_jpeg_c_flags " -flto -ffat-lto-objects")
string(APPEND vl_jpeg_c_flags " -D__USE_MINGW_ANSI_STDIO=0 -DNO_GETENV")

# Decoder features that the program's decoding does not need, turned off in libjpeg's
# configuration header. The program decodes at full size, with the library's default accurate
# integer IDCT and fancy upsampling, into RGB without colour quantisation: the other IDCTs,
# scaling, merged upsampling and quantisation answer requests that it never makes. Its pictures
# are baseline JPEG: progressive JPEG, with the block smoothing that only progressive pictures
# get, stays out too, and such a picture is refused as one libjpeg cannot decode. Sequential
# Huffman-coded pictures, in one scan or several, decode exactly as before.
set(vl_jpeg_unused_features
  DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED IDCT_SCALING_SUPPORTED UPSAMPLE_MERGING_SUPPORTED
  QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED D_PROGRESSIVE_SUPPORTED BLOCK_SMOOTHING_SUPPORTED)
string(REPLACE ";" "," vl_jpeg_unused_features "${vl_jpeg_unused_features}")

ExternalProject_Add(vl_libjpeg_build
  SOURCE_DIR "${vl_jpeg_src}"
  BINARY_DIR "${CMAKE_BINARY_DIR}/deps/libjpeg-turbo-build"
  INSTALL_DIR "${vl_jpeg_prefix}"
  CMAKE_ARGS
    -G Ninja
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-i686-mingw.cmake"
    "-DCMAKE_INSTALL_PREFIX=${vl_jpeg_prefix}"
    "-DCMAKE_INSTALL_LIBDIR=${vl_jpeg_prefix}/lib"
    "-DCMAKE_INSTALL_INCLUDEDIR=${vl_jpeg_prefix}/include"
    -DCMAKE_BUILD_TYPE=MinSizeRel
    "-DCMAKE_C_FLAGS=${vl_jpeg_c_flags}"
    -DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
    # The program's pictures are baseline JPEG, which is Huffman-coded: no arithmetic decoding (an
    # arithmetic-coded picture is refused as one libjpeg cannot decode).
    -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF
  # Built and installed in one step, the step that names the installed library as its product:
  # ninja then relinks the programs whenever the library changes.
  BUILD_COMMAND "${CMAKE_COMMAND}" --build <BINARY_DIR> --target install
  BUILD_BYPRODUCTS "${vl_jpeg_lib}"
  INSTALL_COMMAND ""
  UPDATE_COMMAND ""
  PATCH_COMMAND "${CMAKE_COMMAND}" "-DHEADER=${vl_jpeg_src}/jmorecfg.h" "-DFEATURES=${vl_jpeg_unused_features}"
                -P "${CMAKE_SOURCE_DIR}/cmake/LibjpegFeatures.cmake"
  LOG_CONFIGURE ON LOG_BUILD ON)

file(MAKE_DIRECTORY "${vl_jpeg_prefix}/include")
add_library(vl_libjpeg STATIC IMPORTED GLOBAL)
set_target_properties(vl_libjpeg PROPERTIES
  IMPORTED_LOCATION "${vl_jpeg_lib}"
  INTERFACE_INCLUDE_DIRECTORIES "${vl_jpeg_prefix}/include")
add_dependencies(vl_libjpeg vl_libjpeg_build)
