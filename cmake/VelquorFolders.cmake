# Adding the project's folders without silent skips.

# The project's folders (the top level, tests/, bench/ and their sub-folders): a folder without
# a CMakeLists.txt is a configure error, never a silent skip.
function(velquor_add_folders)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    else()
      file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      message(FATAL_ERROR "${where}/CMakeLists.txt is missing: the checkout is incomplete")
    endif()
  endforeach()
endfunction()

# Targets a folder must produce; without one the folder was skipped or broke.
function(velquor_require_targets)
  foreach(target IN LISTS ARGN)
    if(NOT TARGET ${target})
      message(FATAL_ERROR "target ${target} was not defined: its folder is incomplete")
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

# velquor_folder_sources(<out> <what>): the *.cpp files of the calling folder; a folder without
# any is a configure error ("<folder> holds no <what> sources").
function(velquor_folder_sources out what)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    message(FATAL_ERROR "${where} holds no ${what} sources")
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# velquor_test_program(<name> LIBS <target>... [QT] [DEPENDS <target>...]): the test program
# <name> from the *.cpp files of the calling folder, linked with LIBS and GoogleTest's main
# (with QT, a main that creates a QApplication, and the tests run on the offscreen platform).
# Each test learns the source and build folders; DEPENDS are built first (tools a test runs).
function(velquor_test_program name)
  cmake_parse_arguments(ARG "QT" "" "LIBS;DEPENDS" ${ARGN})
  velquor_folder_sources(sources "test")
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VELQUOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELQUOR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velquor_warnings)
  set(environment)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE velquor_qt_test_main)
    set(environment ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${environment} TIMEOUT 120)
endfunction()
