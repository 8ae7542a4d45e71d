# Finding what the build needs. Each dependency is found through one of these calls, which
# name the Debian package that provides it, so a missing dependency stops the configure with a
# message saying what to install, not with a link error or a silently skipped part.
# scripts/bootstrap.sh installs every package named here (a test checks the two agree).

# velquor_require_package(<Package> DEBIAN <deb>... [COMPONENTS <c>...]): find_package, or a
# configure error naming the packages. A macro, so the found targets land in the caller's scope.
macro(velquor_require_package name)
  cmake_parse_arguments(_vrp "" "" "DEBIAN;COMPONENTS" ${ARGN})
  if(_vrp_COMPONENTS)
    find_package(${name} QUIET COMPONENTS ${_vrp_COMPONENTS})
  else()
    find_package(${name} QUIET)
  endif()
  set(_vrp_missing)
  if(NOT ${name}_FOUND)
    set(_vrp_missing "${name}")
  endif()
  foreach(_vrp_component IN LISTS _vrp_COMPONENTS)
    if(NOT ${name}${_vrp_component}_FOUND)
      list(APPEND _vrp_missing "${name}::${_vrp_component}")
    endif()
  endforeach()
  if(_vrp_missing)
    list(REMOVE_DUPLICATES _vrp_missing)
    list(JOIN _vrp_missing ", " _vrp_what)
    list(JOIN _vrp_DEBIAN " " _vrp_debs)
    message(FATAL_ERROR "${_vrp_what} not found: install the Debian package(s) ${_vrp_debs} "
      "(scripts/bootstrap.sh installs everything the build needs)")
  endif()
endmacro()

# velquor_require_pkgconfig(<prefix> <module> DEBIAN <deb>...): the pkg-config module as the
# imported target PkgConfig::<prefix>, or a configure error naming the packages.
macro(velquor_require_pkgconfig prefix module)
  cmake_parse_arguments(_vrc "" "" "DEBIAN" ${ARGN})
  velquor_require_package(PkgConfig DEBIAN pkg-config)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    list(JOIN _vrc_DEBIAN " " _vrc_debs)
    message(FATAL_ERROR "${module} (pkg-config) not found: install the Debian package(s) ${_vrc_debs} "
      "(scripts/bootstrap.sh installs everything the build needs)")
  endif()
endmacro()

# velquor_require_library(<target> HEADER <file> LIBRARY <name> DEBIAN <deb>...): a plain C
# library without a CMake or pkg-config description, as the INTERFACE target <target>.
function(velquor_require_library target)
  cmake_parse_arguments(ARG "" "HEADER;LIBRARY" "DEBIAN" ${ARGN})
  find_path(${target}_INCLUDE_DIR ${ARG_HEADER})
  find_library(${target}_LIBRARY NAMES ${ARG_LIBRARY})
  if(NOT ${target}_INCLUDE_DIR OR NOT ${target}_LIBRARY)
    list(JOIN ARG_DEBIAN " " debs)
    message(FATAL_ERROR "${ARG_HEADER} / lib${ARG_LIBRARY} not found: install the Debian package(s) ${debs} "
      "(scripts/bootstrap.sh installs everything the build needs)")
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${${target}_INCLUDE_DIR})
  target_link_libraries(${target} INTERFACE ${${target}_LIBRARY})
endfunction()
