# Sanitizer and fuzzing builds.
#
# MEX_SUITE_SANITIZE  AddressSanitizer and UndefinedBehaviorSanitizer over
#                     everything the build compiles: in-process host, gateways,
#                     computational routines and unit tests.
# MEX_SUITE_FUZZ      the libFuzzer targets of tests/fuzz (clang only), with
#                     the same sanitizers and coverage instrumentation of all
#                     they link.
#
# The first finding ends the process (-fno-sanitize-recover), so a test or a
# fuzz run cannot pass over it. float-cast-overflow is named on its own because
# GCC leaves it out of "undefined", and every count and label here is a double
# truncated to an integer. Division by zero is not trapped: it yields the
# infinities and NaNs that the modules pass through on purpose.
#
# A host loads modules into its own, unsanitized process, where the sanitizer
# runtime is missing; so neither build makes the Octave modules.

option(MEX_SUITE_SANITIZE "Build and run the unit tests under ASan and UBSan" OFF)
option(MEX_SUITE_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

set(MEX_SUITE_SANITIZER_FLAGS
  -fsanitize=address,undefined,float-cast-overflow
  -fno-sanitize-recover=all
  -fno-omit-frame-pointer
  -g)

if((MEX_SUITE_SANITIZE OR MEX_SUITE_FUZZ) AND MEX_SUITE_OCTAVE)
  message(FATAL_ERROR
    "Sanitized builds cannot make modules for an unsanitized host: "
    "configure them with -DMEX_SUITE_OCTAVE=OFF (make sanitize and make fuzz do).")
endif()

if(MEX_SUITE_SANITIZE)
  add_compile_options(${MEX_SUITE_SANITIZER_FLAGS})
  add_link_options(${MEX_SUITE_SANITIZER_FLAGS})
endif()

if(MEX_SUITE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MEX_SUITE_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage feedback for every object; the fuzzer's own main is linked only
  # into the fuzz targets (tests/fuzz).
  add_compile_options(-fsanitize=fuzzer-no-link ${MEX_SUITE_SANITIZER_FLAGS})
  add_link_options(${MEX_SUITE_SANITIZER_FLAGS})
endif()
