# Adding the project's folders without silent skips.

# The project's own folders (the top level, tests/, bench/): a folder without a CMakeLists.txt
# is a configure error unless it is named in VELQUOR_FOLDERS_TO_COME.
function(velquor_add_folders)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    elseif(NOT dir IN_LIST VELQUOR_FOLDERS_TO_COME)
      file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      message(FATAL_ERROR "${where}/CMakeLists.txt is missing: the checkout is incomplete")
    endif()
  endforeach()
endfunction()

# Sub-folders of a folder that may still be on their way: added when present, named when not.
function(velquor_add_subdirs)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    else()
      file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      message(STATUS "${where}: not there yet, left out")
    endif()
  endforeach()
endfunction()

# Targets a folder must produce; without one the folder was skipped or broke.
function(velquor_require_targets)
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      message(FATAL_ERROR "target ${target} was not defined: its folder is empty or skipped it")
    endif()
  endforeach()
endfunction()

# The test programs (targets named test_*) defined in `dir` and the folders below it.
function(velquor_test_programs_under dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    if(target MATCHES "^test_")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    velquor_test_programs_under(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Every source folder present has its tests: tests/<folder> exists and defines at least one
# test program (test_<folder>, or several in its sub-folders).
function(velquor_require_test_programs tests_dir)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      if(NOT EXISTS ${tests_dir}/${dir}/CMakeLists.txt)
        message(FATAL_ERROR "${dir}/ has no tests: tests/${dir}/CMakeLists.txt is missing")
      endif()
      velquor_test_programs_under(${tests_dir}/${dir} programs)
      if(NOT programs)
        message(FATAL_ERROR "tests/${dir} defines no test program: its sources are missing or it skipped them")
      endif()
    endif()
  endforeach()
endfunction()
