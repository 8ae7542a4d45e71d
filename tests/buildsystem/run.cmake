# Configures small projects with the folder rules of cmake/VelquorFolders.cmake: a complete
# checkout configures; a missing folder or sub-folder, a folder that defines no target, and a
# source folder without its test program each fail the configure with a message naming what is
# missing. A missing dependency fails naming the Debian package to install, and every package
# the build names is one scripts/bootstrap.sh installs. Then `make test` must refuse a build
# without tests. Arguments: MODULE, WORK_DIR, SOURCE_DIR.

cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})

# Writes a project into WORK_DIR/<name>/src: `folders` get a CMakeLists.txt that defines
# <folder>_target (or nothing for the folders in `empty`); `tests` get tests/<folder> with
# test_<folder>, except `nested` ones, whose test programs sit in sub-folders that
# velquor_add_folders adds (with MISSING_SUB, one of them not written), and the `untested`
# ones, which define no program.
function(make_project name folders empty tests)
  cmake_parse_arguments(ARG "MISSING_SUB" "" "NESTED;UNTESTED" ${ARGN})
  set(src ${WORK_DIR}/${name}/src)
  file(MAKE_DIRECTORY ${src})
  foreach(dir IN LISTS folders)
    if(dir IN_LIST empty)
      file(WRITE ${src}/${dir}/CMakeLists.txt "# defines nothing\n")
    else()
      file(WRITE ${src}/${dir}/CMakeLists.txt "add_custom_target(${dir}_target)\n")
    endif()
  endforeach()
  foreach(dir IN LISTS tests)
    if(dir IN_LIST ARG_NESTED)
      if(ARG_MISSING_SUB)
        file(WRITE ${src}/tests/${dir}/CMakeLists.txt "velquor_add_folders(one two)\n")
      else()
        file(WRITE ${src}/tests/${dir}/CMakeLists.txt "velquor_add_folders(one)\n")
      endif()
      file(WRITE ${src}/tests/${dir}/one/CMakeLists.txt "add_custom_target(test_${dir}_one)\n")
    elseif(dir IN_LIST ARG_UNTESTED)
      file(WRITE ${src}/tests/${dir}/CMakeLists.txt "# no test sources\n")
    else()
      file(WRITE ${src}/tests/${dir}/CMakeLists.txt "add_custom_target(test_${dir})\n")
    endif()
  endforeach()
  file(WRITE ${src}/tests/CMakeLists.txt
    "velquor_add_folders(\${FOLDERS})\nvelquor_require_test_programs(\${CMAKE_CURRENT_SOURCE_DIR} \${FOLDERS})\n")
  file(WRITE ${src}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Folders NONE)
set(FOLDERS core later)
include(${MODULE})
velquor_add_folders(\${FOLDERS})
velquor_require_targets(core_target)
velquor_add_folders(tests)
")
endfunction()

function(configure name expect_ok expect_text)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK_DIR}/${name}/src -B ${WORK_DIR}/${name}/build
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT result EQUAL 0)
    message(FATAL_ERROR "${name}: the configure failed:\n${err}")
  endif()
  if(NOT expect_ok AND result EQUAL 0)
    message(FATAL_ERROR "${name}: the configure succeeded but should have failed")
  endif()
  if(NOT expect_text STREQUAL "" AND NOT "${out}${err}" MATCHES "${expect_text}")
    message(FATAL_ERROR "${name}: expected a message matching '${expect_text}', got:\n${err}")
  endif()
endfunction()

# Every folder takes part, with its test programs directly in its test folder or in sub-folders.
make_project(complete "core;later" "" "core;later")
configure(complete TRUE "")
make_project(nested "core;later" "" "core;later" NESTED later)
configure(nested TRUE "")
# Missing or empty folders and sub-folders, and missing test programs, are errors.
make_project(missing "core" "" "core;later")
configure(missing FALSE "later/CMakeLists.txt is missing")
make_project(missing_sub "core;later" "" "core;later" NESTED later MISSING_SUB)
configure(missing_sub FALSE "tests/later/two/CMakeLists.txt is missing")
make_project(empty "core;later" "core" "core;later")
configure(empty FALSE "target core_target was not defined")
make_project(untested "core;later" "" "core")
configure(untested FALSE "tests/later/CMakeLists.txt is missing")
make_project(programless "core;later" "" "core;later" UNTESTED later)
configure(programless FALSE "tests/later defines no test program")

# A missing dependency stops the configure naming the Debian package that provides it.
set(src ${WORK_DIR}/nopackage/src)
file(MAKE_DIRECTORY ${src})
file(WRITE ${src}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(NoPackage NONE)
include(${SOURCE_DIR}/cmake/VelquorPackages.cmake)
velquor_require_package(VelquorNoSuchPackage DEBIAN libvelquor-nosuch-dev)
")
configure(nopackage FALSE "VelquorNoSuchPackage not found: install the Debian[^.]*libvelquor-nosuch-dev")

# Every Debian package the build names is one the bootstrap script installs.
file(READ ${SOURCE_DIR}/scripts/bootstrap.sh bootstrap)
# The checkout's own build files (build folders inside it hold generated ones).
execute_process(COMMAND git ls-files "CMakeLists.txt" "*/CMakeLists.txt" "*.cmake"
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result OUTPUT_VARIABLE tracked ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "git ls-files failed in ${SOURCE_DIR}: the build files cannot be listed")
endif()
string(REPLACE "\n" ";" tracked "${tracked}")
list(TRANSFORM tracked PREPEND ${SOURCE_DIR}/)
list(FILTER tracked EXCLUDE REGEX "(/$|/tests/buildsystem/)")  # this script names a made-up one
set(build_files ${tracked})
foreach(file IN LISTS build_files)
  file(STRINGS ${file} lines REGEX "DEBIAN [a-z0-9]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".*DEBIAN ([a-z0-9. +-]+).*" "\\1" debs "${line}")
    string(REGEX REPLACE " (COMPONENTS|HEADER|LIBRARY).*" "" debs "${debs}")
    separate_arguments(debs)
    foreach(deb IN LISTS debs)
      if(NOT bootstrap MATCHES "[ (\n]${deb}[ )\n]")
        message(FATAL_ERROR "${file} names the Debian package ${deb}, which scripts/bootstrap.sh does not install")
      endif()
    endforeach()
  endforeach()
endforeach()

# `make test` runs CTest so that a build without any test fails.
execute_process(COMMAND make -n -C ${SOURCE_DIR} test BUILD_DIR=${WORK_DIR}/none
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT out MATCHES "ctest[^\n]*--no-tests=error")
  message(FATAL_ERROR "make test does not run ctest with --no-tests=error:\n${out}${err}")
endif()
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --no-tests=error
  WORKING_DIRECTORY ${WORK_DIR}/complete/build RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(result EQUAL 0)
  message(FATAL_ERROR "ctest --no-tests=error passed a build without tests")
endif()

# VELQUOR_WERROR turns our warnings into errors, and CI turns it on.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/werror -DCMAKE_BUILD_TYPE=Release
    -DVELQUOR_WERROR=ON -DVELQUOR_BUILD_TESTS=OFF -DVELQUOR_BUILD_BENCH=OFF
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the project does not configure with VELQUOR_WERROR=ON:\n${err}")
endif()
file(READ ${WORK_DIR}/werror/compile_commands.json commands)
if(NOT commands MATCHES "-Werror[^\n]*dsp/BlockProcessor.cpp")
  message(FATAL_ERROR "VELQUOR_WERROR=ON does not compile our sources with -Werror")
endif()
file(READ ${SOURCE_DIR}/.ci/run ci)
if(NOT ci MATCHES "make test[^\n]*-DVELQUOR_WERROR=ON")
  message(FATAL_ERROR ".ci/run does not build with VELQUOR_WERROR=ON")
endif()
