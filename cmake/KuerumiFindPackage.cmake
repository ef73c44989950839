# Every library the build looks for comes from a Debian package that
# tools/install-deps installs on a fresh machine. kuerumi_find_package finds
# one, as find_package does, and fails the configuration when its package
# is missing from that list: a new dependency cannot build here and fail on
# the next machine.
#   kuerumi_find_package(NAME DEBIAN_PACKAGE [find_package arguments...])
# A macro, not a function: what find_package sets is for the caller's scope.
#
# KUERUMI_DEPENDENCY_GROUP narrows the list to one group of
# tools/install-deps and the groups it takes in. tools/make-package gives
# "program": a build of the program alone that looked for a library of the
# tests or benchmarks fails there, and not on a machine that installed only
# what the program needs.
set(KUERUMI_INSTALL_DEPS ${CMAKE_CURRENT_LIST_DIR}/../tools/install-deps)
set(KUERUMI_DEPENDENCY_GROUP "" CACHE STRING
    "The group of tools/install-deps that every library must come from (any group when empty)")

# The packages of one group, as tools/install-deps lists them in an array,
# with those of the groups it takes in ("${program[@]}").
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

#   kuerumi_debian_package(DEBIAN_PACKAGE) checks the package alone, for a
#   library found otherwise (find_library).
function(kuerumi_debian_package package)
  file(READ ${KUERUMI_INSTALL_DEPS} deps)
  set(missing "tools/install-deps does not install: add it to the group that needs it.")
  if(KUERUMI_DEPENDENCY_GROUP)
    kuerumi_group_packages(deps "${deps}" ${KUERUMI_DEPENDENCY_GROUP})
    string(CONCAT missing "the group ${KUERUMI_DEPENDENCY_GROUP} of tools/install-deps does not install: "
                  "look for it only in a build that needs it, or add it to that group.")
  endif()
  string(REGEX REPLACE "[()\n\t\\\\]" " " deps " ${deps} ")
  string(FIND "${deps}" " ${package} " at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The build needs the Debian package ${package}, which ${missing}")
  endif()
endfunction()

macro(kuerumi_find_package name package)
  kuerumi_debian_package(${package})
  find_package(${name} ${ARGN})
endmacro()
