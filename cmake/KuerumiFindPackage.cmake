# Every library the build looks for comes from a Debian package that
# tools/install-deps installs on a fresh machine, in the group that the
# part of the build that needs it installs:
# - the program's own folders (platform, deck, pictures, window, app, and
#   the top folder) take their libraries from the group "program", which
#   tools/make-package installs;
# - the tests', benchmarks', fuzz targets' and tools' folders from the group
#   "build", which takes in "program".
# kuerumi_find_package finds a library, as find_package does, and fails the
# configuration when its package is not in that group (a package that is
# only named in a comment is not in it): a new dependency cannot build here
# and fail on the next machine, or on one that installed only the program's
# packages.
#   kuerumi_find_package(NAME DEBIAN_PACKAGE [find_package arguments...])
#   kuerumi_pkg_check_modules(PREFIX DEBIAN_PACKAGE [pkg_check_modules arguments...])
#     for a library that only has pkg-config
#   kuerumi_debian_package(DEBIAN_PACKAGE) checks the package alone, for a
#     library found otherwise (find_library)
# Macros, not functions: what find_package sets is for the caller's scope.
#
# KUERUMI_DEPENDENCY_GROUP narrows every folder to one group:
# tools/make-package gives "program".
set(KUERUMI_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
set(KUERUMI_INSTALL_DEPS ${KUERUMI_ROOT}/tools/install-deps)
set(KUERUMI_DEPENDENCY_GROUP "" CACHE STRING
    "The group of tools/install-deps that every library must come from (by folder when empty)")

# The packages of one group, as tools/install-deps lists them in an array,
# with those of the groups it takes in ("${program[@]}"); deps is the file
# without its comments.
function(kuerumi_group_packages out deps group)
  if(NOT deps MATCHES "\n${group}=\\(([^)]*)\\)")
    message(FATAL_ERROR "tools/install-deps has no group ${group}")
  endif()
  set(packages "${CMAKE_MATCH_1}")
  while(packages MATCHES "\"\\\${([a-z]+)\\[@\\]}\"")
    set(taken_in "${CMAKE_MATCH_0}")
    kuerumi_group_packages(more "${deps}" ${CMAKE_MATCH_1})
    string(REPLACE "${taken_in}" "${more}" packages "${packages}")
  endwhile()
  set(${out} "${packages}" PARENT_SCOPE)
endfunction()

# The group a library of the folder being configured must come from.
function(kuerumi_dependency_group out)
  if(KUERUMI_DEPENDENCY_GROUP)
    set(${out} ${KUERUMI_DEPENDENCY_GROUP} PARENT_SCOPE)
    return()
  endif()
  file(RELATIVE_PATH folder ${KUERUMI_ROOT} ${CMAKE_CURRENT_SOURCE_DIR})
  if(folder MATCHES "^(tests|bench|fuzz|tools)(/|$)")
    set(${out} build PARENT_SCOPE)
  else()
    set(${out} program PARENT_SCOPE)
  endif()
endfunction()

function(kuerumi_debian_package package)
  file(READ ${KUERUMI_INSTALL_DEPS} deps)
  string(REGEX REPLACE "#[^\n]*" "" deps "${deps}")
  kuerumi_dependency_group(group)
  kuerumi_group_packages(packages "${deps}" ${group})
  string(REGEX REPLACE "[\n\t\\\\]" " " packages " ${packages} ")
  string(FIND "${packages}" " ${package} " at)
  if(at EQUAL -1)
    file(RELATIVE_PATH folder ${KUERUMI_ROOT} ${CMAKE_CURRENT_SOURCE_DIR})
    message(FATAL_ERROR "The build of ${folder}/ needs the Debian package ${package}, which the group ${group} of "
                        "tools/install-deps does not install: add it to that group, or look for it only in a "
                        "part of the build that needs it.")
  endif()
endfunction()

macro(kuerumi_find_package name package)
  kuerumi_debian_package(${package})
  find_package(${name} ${ARGN})
endmacro()

macro(kuerumi_pkg_check_modules prefix package)
  kuerumi_debian_package(${package})
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(${prefix} ${ARGN})
endmacro()
