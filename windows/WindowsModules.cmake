# The Windows form of the modules (-DMEX_SUITE_WINDOWS=ON, only in a cross
# build with windows/mingw-w64-x86_64.cmake; make windows sets it up through
# windows/build_and_check.sh).
#
# Each module becomes windows/<name>.mexw64, a DLL whose one export is
# mexFunction (windows/mex_exports.def). A resource script <name>.rc beside
# the gateway is compiled into it with windres.
#
# MATLAB's header and import libraries are not available here. The gateways
# compile against host_interface/mex_api_subset.h, and link against import
# libraries made by dlltool from windows/libmx.def and libmex.def: they name
# libmx.dll and libmex.dll and the host functions the gateways call, so the
# DLLs bind to MATLAB's own libraries when MATLAB loads them. Where libmx.def
# gives a function under its 64-bit-index name (<name>_730, the API of
# mex -R2017b), the gateways' calls are bound to that name. The C++ runtime
# is linked statically: MATLAB does not ship mingw's runtime DLLs.

option(MEX_SUITE_WINDOWS "Build the Windows .mexw64 modules (mingw-w64 cross build)" OFF)

# Every DLL built for Windows carries its module's resources.
if(WIN32)
  enable_language(RC)
endif()

if(MEX_SUITE_WINDOWS)
  if(NOT WIN32 OR NOT MINGW)
    message(FATAL_ERROR "MEX_SUITE_WINDOWS needs the mingw-w64 toolchain: "
                        "-DCMAKE_TOOLCHAIN_FILE=windows/mingw-w64-x86_64.cmake (make windows)")
  endif()
  if(MEX_SUITE_OCTAVE OR MEX_SUITE_TESTS)
    message(FATAL_ERROR "The Windows build makes modules only: "
                        "configure it with -DMEX_SUITE_OCTAVE=OFF -DMEX_SUITE_TESTS=OFF")
  endif()
  set(MEX_SUITE_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  set(host_import_dir ${CMAKE_BINARY_DIR}/host_import)
  set(host_import_libraries)
  foreach(library libmx libmex)
    set(definitions ${CMAKE_CURRENT_LIST_DIR}/${library}.def)
    set(import ${host_import_dir}/${library}.dll.a)
    add_custom_command(OUTPUT ${import}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${host_import_dir}
      COMMAND ${CMAKE_DLLTOOL} --input-def ${definitions} --output-lib ${import}
      DEPENDS ${definitions}
      COMMENT "Import library for ${library}.dll")
    list(APPEND host_import_libraries ${import})
  endforeach()
  add_custom_target(host_import_libraries DEPENDS ${host_import_libraries})

  set(names_file ${CMAKE_CURRENT_LIST_DIR}/libmx.def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${names_file})
  file(STRINGS ${names_file} index_names REGEX "^[ \t]+[A-Za-z_0-9]+_730$")
  set(host_name_bindings)
  foreach(name IN LISTS index_names)
    string(STRIP "${name}" name)
    string(REGEX REPLACE "_730$" "" plain ${name})
    list(APPEND host_name_bindings ${plain}=${name})
  endforeach()
endif()

# The resource script <name>.rc beside a module's gateway, in every build
# that makes a Windows DLL (this cross build, MATLAB on Windows); empty
# elsewhere.
function(windows_resources name result)
  set(resources)
  if(WIN32 AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${name}.rc)
    set(resources ${CMAKE_CURRENT_SOURCE_DIR}/${name}.rc)
  endif()
  set(${result} ${resources} PARENT_SCOPE)
endfunction()

# Called by add_mex_module for every module.
function(add_windows_module name gateway)
  windows_resources(${name} resources)
  set(sources ${gateway} ${CMAKE_SOURCE_DIR}/windows/mex_exports.def ${resources})
  add_library(${name}_windows MODULE ${sources})
  target_compile_definitions(${name}_windows PRIVATE MEX_SUITE_MEX_API_SUBSET ${host_name_bindings})
  target_link_libraries(${name}_windows PRIVATE host_interface ${ARGN} ${host_import_libraries})
  target_link_options(${name}_windows PRIVATE -static-libgcc -static-libstdc++ -s -Wl,--no-undefined)
  add_dependencies(${name}_windows host_import_libraries)
  set_target_properties(${name}_windows PROPERTIES
    OUTPUT_NAME ${name} PREFIX "" SUFFIX ".mexw64"
    LIBRARY_OUTPUT_DIRECTORY ${MEX_SUITE_WINDOWS_DIR})
endfunction()
