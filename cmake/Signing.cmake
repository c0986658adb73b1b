# Authenticode signatures, made when the build's environment names the publisher's certificate
# (README, "Signing a release"; tools/sign/). A program another program carries is signed before
# it is carried: the clean-up helper before the uninstaller takes it in, the uninstaller and the
# player, each padded to its catalogue size first, before the installer's payload is assembled;
# the installer last. Without a certificate every step leaves the program as linked.

set(VL_SIGN_PROGRAM "${CMAKE_SOURCE_DIR}/tools/sign/sign-program.sh")

# vl_signing_identity(<target> <stamp> [SETTINGS <file>]): a signing, named by <target>, a target
# asked on every build that rewrites <stamp> only when the certificate, its key or the
# time-stamping service changed, so that what is signed with it is signed again (and what carries
# that linked again) exactly then. The certificate comes from the environment, or from <file> for
# a build inside the build that must not follow the environment.
function(vl_signing_identity target stamp)
  cmake_parse_arguments(ARG "" "SETTINGS" "" ${ARGN})
  set(settings)
  if(ARG_SETTINGS)
    set(settings --settings "${ARG_SETTINGS}")
  endif()
  add_custom_target(${target}
    COMMAND "${CMAKE_SOURCE_DIR}/tools/sign/signing-identity.sh" ${settings} "${stamp}"
    BYPRODUCTS "${stamp}"
    COMMENT "Checking which certificate signs the programs"
    VERBATIM)
  set_target_properties(${target} PROPERTIES VL_SIGNING_STAMP "${stamp}" VL_SIGNING_SETTINGS "${settings}")
endfunction()

# vl_signing_step(<command variable> <inputs variable> <signing> <file> <name>): the command that
# signs <file> in place with the signing <signing> names (vl_signing_identity), naming it <name>
# in its signature, and what that command depends on.
function(vl_signing_step command_variable inputs_variable signing file name)
  get_target_property(stamp ${signing} VL_SIGNING_STAMP)
  get_target_property(settings ${signing} VL_SIGNING_SETTINGS)
  if(NOT settings)
    set(settings)
  endif()
  set(${command_variable} COMMAND "${VL_SIGN_PROGRAM}" ${settings} "${file}" "${name}" PARENT_SCOPE)
  set(${inputs_variable} ${signing} "${stamp}" "${VL_SIGN_PROGRAM}" PARENT_SCOPE)
endfunction()

# vl_signed_copy(<output> <program target> <signing> <name>): the program copied to <output> and
# signed there.
function(vl_signed_copy output program signing name)
  vl_signing_step(signing_command signing_inputs ${signing} "${output}" "${name}")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:${program}>" "${output}"
    ${signing_command}
    DEPENDS ${program} ${signing_inputs}
    COMMENT "Signing ${output} when a certificate is named"
    VERBATIM)
endfunction()
