# Configures small projects with the folder rules of cmake/VelquorFolders.cmake: a complete
# checkout configures; a missing folder, a folder that defines no target, and a source folder
# without its test program each fail the configure with a message naming what is missing.
# Then `make test` must refuse a build without tests. Arguments: MODULE, WORK_DIR, SOURCE_DIR.

cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})

# Writes a project into WORK_DIR/<name>/src: `folders` get a CMakeLists.txt that defines
# <folder>_target (or nothing for the folders in `empty`); `tests` get tests/<folder> with
# test_<folder>, except `nested` ones, whose test programs sit in sub-folders that
# velquor_add_subdirs adds (one of them not written yet), and the `untested` ones, which
# define no program.
function(make_project name folders empty tests)
  cmake_parse_arguments(ARG "" "" "NESTED;UNTESTED" ${ARGN})
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
      file(WRITE ${src}/tests/${dir}/CMakeLists.txt "velquor_add_subdirs(one still-to-come)\n")
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
set(VELQUOR_FOLDERS_TO_COME later)
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

# A folder still to come may be absent; once present it takes part, with its test programs
# directly in its test folder or in sub-folders.
make_project(complete "core" "" "core")
configure(complete TRUE "")
make_project(arrived "core;later" "" "core;later")
configure(arrived TRUE "")
make_project(nested "core;later" "" "core;later" NESTED later)
configure(nested TRUE "tests/later/still-to-come: not there yet")
# Missing or empty folders, and missing test programs, are errors.
make_project(missing "" "" "")
configure(missing FALSE "core/CMakeLists.txt is missing")
make_project(empty "core" "core" "core")
configure(empty FALSE "target core_target was not defined")
make_project(untested "core;later" "" "core")
configure(untested FALSE "later/ has no tests")
make_project(programless "core;later" "" "core;later" UNTESTED later)
configure(programless FALSE "tests/later defines no test program")

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
