# Adding the project's folders without silent skips.

# add_subdirectory for each folder; a folder without a CMakeLists.txt is a configure error
# unless it is named in VELQUOR_FOLDERS_TO_COME.
function(velquor_add_subdirs)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    elseif(NOT dir IN_LIST VELQUOR_FOLDERS_TO_COME)
      file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      message(FATAL_ERROR "${where}/CMakeLists.txt is missing: the checkout is incomplete")
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

# One test program test_<folder> per source folder present, from tests/<folder>.
function(velquor_require_test_programs tests_dir)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      if(NOT EXISTS ${tests_dir}/${dir}/CMakeLists.txt)
        message(FATAL_ERROR "${dir}/ has no tests: tests/${dir}/CMakeLists.txt is missing")
      endif()
      velquor_require_targets(test_${dir})
    endif()
  endforeach()
endfunction()
