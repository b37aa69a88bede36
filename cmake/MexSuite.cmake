# add_mex_module(<name> GATEWAY <source> [LIBRARIES <targets>...] [HELP <file.m>])
#
# Builds one deliverable in each of its forms from the same gateway source:
#   <name>_octave      the GNU Octave module build/octave/<name>.mex, help file beside it
#   <name>_in_process  a static library against the in-process host, for tests,
#                      benchmarks and fuzzers (one gateway per executable)
#   <name>_windows     in the Windows cross build, windows/<name>.mexw64
#                      (windows/WindowsModules.cmake)
#   <name>_matlab      where MATLAB is installed, build/matlab/<name>.<mexext>
#                      through FindMatlab, help file beside it
# LIBRARIES are the computational routines the gateway calls. The sources of
# each come from cmake/mex_modules.txt (mex_module_sources), which make_mex.m
# and the Octave package read too. Each module's gateway and LIBRARIES are
# recorded in the global property MEX_SUITE_MODULE_<name>, for builds of
# other forms (tests/windows builds gateways as loadable modules for Linux).

include(MexModules)

if(MEX_SUITE_OCTAVE)
  find_program(MKOCTFILE mkoctfile REQUIRED)
  function(_mkoctfile_query variable)
    execute_process(COMMAND ${MKOCTFILE} -p ${variable}
                    OUTPUT_VARIABLE value ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(value UNIX_COMMAND "${value}")
    set(OCTAVE_${variable} ${value} PARENT_SCOPE)
  endfunction()
  _mkoctfile_query(INCFLAGS)
  _mkoctfile_query(OCTLIBDIR)
  _mkoctfile_query(OCTAVE_LIBS)
  set(MEX_SUITE_OCTAVE_DIR ${CMAKE_BINARY_DIR}/octave)
endif()

# MATLAB is optional: its modules are built only where FindMatlab finds an
# installation (or Matlab_ROOT_DIR points at one).
option(MEX_SUITE_MATLAB "Build the MATLAB modules when MATLAB is installed" ON)
if(MEX_SUITE_MATLAB)
  find_package(Matlab QUIET COMPONENTS MX_LIBRARY)
  if(Matlab_FOUND)
    set(MEX_SUITE_MATLAB_DIR ${CMAKE_BINARY_DIR}/matlab)
    message(STATUS "MATLAB in ${Matlab_ROOT_DIR}: modules go to ${MEX_SUITE_MATLAB_DIR}")
  endif()
endif()

# The help file goes beside the module, where the host's help looks for it.
function(_copy_help_beside target directory help)
  if(help)
    get_filename_component(help_name ${help} NAME)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different
              ${CMAKE_CURRENT_SOURCE_DIR}/${help} ${directory}/${help_name})
  endif()
endfunction()

function(add_mex_module name)
  cmake_parse_arguments(ARG "" "GATEWAY;HELP" "LIBRARIES" ${ARGN})
  get_filename_component(gateway_path ${ARG_GATEWAY} ABSOLUTE)
  set_property(GLOBAL PROPERTY MEX_SUITE_MODULE_${name} ${gateway_path} ${ARG_LIBRARIES})

  add_library(${name}_in_process STATIC ${ARG_GATEWAY})
  target_compile_definitions(${name}_in_process PUBLIC MEX_SUITE_MEX_API_SUBSET)
  target_link_libraries(${name}_in_process PUBLIC host_interface in_process_host ${ARG_LIBRARIES})
  # The gateway's folder holds the module's host-free tables, which the
  # tests and fuzzers that drive it read too.
  get_filename_component(gateway_folder ${gateway_path} DIRECTORY)
  target_include_directories(${name}_in_process PUBLIC ${gateway_folder})

  if(MEX_SUITE_OCTAVE)
    add_library(${name}_octave MODULE ${ARG_GATEWAY})
    target_compile_options(${name}_octave PRIVATE ${OCTAVE_INCFLAGS})
    target_link_libraries(${name}_octave PRIVATE host_interface ${ARG_LIBRARIES})
    target_link_directories(${name}_octave PRIVATE ${OCTAVE_OCTLIBDIR})
    target_link_libraries(${name}_octave PRIVATE ${OCTAVE_OCTAVE_LIBS})
    target_link_options(${name}_octave PRIVATE
      -Wl,--version-script=${CMAKE_SOURCE_DIR}/cmake/mex_exports.map -Wl,--no-undefined)
    set_target_properties(${name}_octave PROPERTIES
      OUTPUT_NAME ${name} PREFIX "" SUFFIX ".mex"
      LIBRARY_OUTPUT_DIRECTORY ${MEX_SUITE_OCTAVE_DIR}
      LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/mex_exports.map)
    _copy_help_beside(${name}_octave ${MEX_SUITE_OCTAVE_DIR} "${ARG_HELP}")
  endif()

  if(MEX_SUITE_WINDOWS)
    add_windows_module(${name} ${ARG_GATEWAY} ${ARG_LIBRARIES})
  endif()

  if(MEX_SUITE_MATLAB AND Matlab_FOUND)
    # Separate-complex API, so mxGetPr yields the real part as on every host.
    # The help file is copied, not passed as DOCUMENTATION: that would make it
    # a source, and a .m source is taken for Objective-C.
    windows_resources(${name} resources)
    matlab_add_mex(NAME ${name}_matlab MODULE SRC ${ARG_GATEWAY} ${resources} OUTPUT_NAME ${name}
                   LINK_TO host_interface ${ARG_LIBRARIES} R2017b)
    set_target_properties(${name}_matlab PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY ${MEX_SUITE_MATLAB_DIR}
      RUNTIME_OUTPUT_DIRECTORY ${MEX_SUITE_MATLAB_DIR})
    _copy_help_beside(${name}_matlab ${MEX_SUITE_MATLAB_DIR} "${ARG_HELP}")
  endif()
endfunction()

# mex_modules_built(<var> <form>): every module of cmake/mex_modules.txt, in
# its order, that this build makes in the given form (octave, windows, ...):
# all of them but one whose libraries were not found. Call it once every
# module is added.
function(mex_modules_built result form)
  mex_module_names(names)
  set(built)
  foreach(name IN LISTS names)
    if(TARGET ${name}_${form})
      list(APPEND built ${name})
    endif()
  endforeach()
  set(${result} ${built} PARENT_SCOPE)
endfunction()
