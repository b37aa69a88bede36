# Reads cmake/mex_modules.txt, the one list of the sources of every module
# (see there). Included by the build (MexSuite.cmake) and by the package
# script, which runs without a configured build.

get_filename_component(MEX_SUITE_ROOT ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(MEX_SUITE_MODULE_LIST ${CMAKE_CURRENT_LIST_DIR}/mex_modules.txt)

# mex_module_names(<var>): every module of the list, in its order.
function(mex_module_names result)
  file(STRINGS ${MEX_SUITE_MODULE_LIST} lines REGEX "^[A-Za-z]")
  set(names)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^[A-Za-z0-9_]+" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${result} ${names} PARENT_SCOPE)
endfunction()

# mex_module_entry(<name> <libraries var> <sources var>): the libraries the
# module needs (empty for none) and its sources as paths from the top of the
# repository, the gateway first.
function(mex_module_entry name libraries_var sources_var)
  file(STRINGS ${MEX_SUITE_MODULE_LIST} line REGEX "^${name}[ \t]")
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields field_count)
  if(NOT field_count GREATER 2)
    message(FATAL_ERROR "${MEX_SUITE_MODULE_LIST} has no line for the module ${name}")
  endif()
  list(POP_FRONT fields ignored libraries)
  if(libraries STREQUAL "-")
    set(libraries)
  endif()
  string(REPLACE "," ";" libraries "${libraries}")
  set(${libraries_var} ${libraries} PARENT_SCOPE)
  set(${sources_var} ${fields} PARENT_SCOPE)
endfunction()

# mex_module_sources(<name> <gateway var> [<routines var>]): the gateway and
# the routines it calls, as absolute paths, for the targets of the build.
function(mex_module_sources name gateway_var)
  mex_module_entry(${name} ignored sources)
  list(TRANSFORM sources PREPEND ${MEX_SUITE_ROOT}/)
  list(POP_FRONT sources gateway)
  set(${gateway_var} ${gateway} PARENT_SCOPE)
  if(ARGC GREATER 2)
    set(${ARGV2} ${sources} PARENT_SCOPE)
  endif()
endfunction()
