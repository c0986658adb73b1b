# Turns off features in libjpeg's configuration header (jmorecfg.h), the way the header itself
# offers: each named "#define <feature>" becomes "#undef <feature>".
#   cmake -DHEADER=<source>/jmorecfg.h -DFEATURES=<feature>,<feature>... -P LibjpegFeatures.cmake
# The header's first form is kept beside it (jmorecfg.h.orig) and every run starts from that, so
# a feature left out of a later list comes back.
cmake_minimum_required(VERSION 3.25)

set(original_copy "${HEADER}.orig")
if(NOT EXISTS "${original_copy}")
  file(COPY_FILE "${HEADER}" "${original_copy}")
endif()
file(READ "${original_copy}" text)
string(REPLACE "," ";" features "${FEATURES}")
foreach(feature IN LISTS features)
  if(NOT text MATCHES "\n#define ${feature}[ \t\n]")
    message(FATAL_ERROR "${HEADER} has no \"#define ${feature}\" to turn off")
  endif()
  string(REGEX REPLACE "\n#define ${feature}([ \t\n])" "\n#undef  ${feature}\\1" text "${text}")
endforeach()
file(WRITE "${HEADER}.new" "${text}")
file(COPY_FILE "${HEADER}.new" "${HEADER}" ONLY_IF_DIFFERENT)
file(REMOVE "${HEADER}.new")
