# Writes the GNU Octave package of the suite, mex_suite-<version>.tar.gz,
# from the repository's own folders:
#
#   cmake [-DOUTPUT_DIR=<dir>] -P package/make_package.cmake
#
# (make package: OUTPUT_DIR is build/package.) The package holds the sources
# of every module of cmake/mex_modules.txt, in the folders they have here,
# with package/Makefile as src/Makefile and the flags it compiles with
# (cmake/fixed_bits_flags.txt); the help files and the examples in inst/;
# DESCRIPTION, INDEX, NEWS and COPYING.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/MexModules.cmake)
set(root ${MEX_SUITE_ROOT})
if(NOT OUTPUT_DIR)
  set(OUTPUT_DIR ${root}/build/package)
endif()
get_filename_component(OUTPUT_DIR ${OUTPUT_DIR} ABSOLUTE)

file(STRINGS ${root}/VERSION version LIMIT_COUNT 1)
set(name mex_suite-${version})
set(stage ${OUTPUT_DIR}/${name})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/inst ${stage}/src)

# Debian packages that provide each library a module may need.
set(cvodes_debian libsundials-dev)
set(cvodes_description " vaporizer_step, the vaporizer integrated over a sample interval with SUNDIALS CVODES, is built where libsundials-dev (or SUNDIALS CVODES as a static library) is installed.")
set(eigen_debian libeigen3-dev)
set(eigen_description " vaporizer_linearize and vaporizer_step, which differentiate the model exactly, are built where libeigen3-dev (Eigen 3's headers) is installed.")

mex_module_names(modules)
set(build_requires g++ make liboctave-dev)
set(description_extra)
set(source_folders)
set(modules_mk "# The modules this package builds, from cmake/mex_modules.txt.\n")
foreach(module IN LISTS modules)
  mex_module_entry(${module} libraries sources)
  list(GET sources 0 gateway)
  list(JOIN libraries " " library_words)
  list(JOIN sources " " source_words)
  string(APPEND modules_mk "${module}_LIBRARIES := ${library_words}\n${module}_SOURCES := ${source_words}\n")
  foreach(library IN LISTS libraries)
    list(APPEND build_requires ${${library}_debian})
    string(FIND "${description_extra}" "${${library}_description}" described)
    if(described EQUAL -1)
      string(APPEND description_extra "${${library}_description}")
    endif()
  endforeach()

  # The sources and every header of their folders, where they are here.
  foreach(source IN LISTS sources)
    get_filename_component(folder ${source} DIRECTORY)
    list(APPEND source_folders ${folder})
    file(GLOB headers RELATIVE ${root} ${root}/${folder}/*.h)
    foreach(file ${source} ${headers})
      get_filename_component(destination ${stage}/src/${file} DIRECTORY)
      file(COPY ${root}/${file} DESTINATION ${destination})
    endforeach()
  endforeach()
  get_filename_component(folder ${gateway} DIRECTORY)
  file(COPY ${root}/${folder}/${module}.m DESTINATION ${stage}/inst)
endforeach()
list(REMOVE_DUPLICATES build_requires)
list(JOIN build_requires ", " build_requires)
list(JOIN modules " " module_words)
string(APPEND modules_mk "MODULES := ${module_words}\n")
# Every folder a module's sources come from is an include folder of all.
list(REMOVE_DUPLICATES source_folders)
list(JOIN source_folders " " folder_words)
string(APPEND modules_mk "SOURCE_FOLDERS := ${folder_words}\n")
file(WRITE ${stage}/src/modules.mk "${modules_mk}")

# The host API and the host-free helpers every gateway includes.
foreach(folder host_interface common)
  file(GLOB headers ${root}/${folder}/*.h)
  file(COPY ${headers} DESTINATION ${stage}/src/${folder})
endforeach()
file(COPY ${root}/cmake/mex_exports.map ${root}/cmake/fixed_bits_flags.txt DESTINATION ${stage}/src)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Makefile ${stage}/src/Makefile COPYONLY)

file(GLOB examples ${root}/examples/*.m)
file(COPY ${examples} DESTINATION ${stage}/inst)

string(TIMESTAMP date "%Y-%m-%d" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/DESCRIPTION.in ${stage}/DESCRIPTION @ONLY)
configure_file(${root}/LICENSE ${stage}/COPYING COPYONLY)
configure_file(${root}/NEWS ${stage}/NEWS COPYONLY)

set(index "mex_suite >> MEX modules: vaporizer model, transmission, cluster counts\nModules\n")
foreach(module IN LISTS modules)
  string(APPEND index " ${module}\n")
endforeach()
string(APPEND index "Examples\n")
foreach(example IN LISTS examples)
  get_filename_component(example ${example} NAME_WE)
  string(APPEND index " ${example}\n")
endforeach()
file(WRITE ${stage}/INDEX "${index}")

set(tarball ${OUTPUT_DIR}/${name}.tar.gz)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${tarball} ${name}
                WORKING_DIRECTORY ${OUTPUT_DIR} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${tarball}")
endif()
file(REMOVE_RECURSE ${stage})
message(STATUS "Octave package: ${tarball}")
