# Every library the build looks for comes from a Debian package that
# tools/install-deps installs on a fresh machine. kuerumi_find_package finds
# one, as find_package does, and fails the configuration when its package
# is missing from that list: a new dependency cannot build here and fail on
# the next machine.
#   kuerumi_find_package(NAME DEBIAN_PACKAGE [find_package arguments...])
# A macro, not a function: what find_package sets is for the caller's scope.
set(KUERUMI_INSTALL_DEPS ${CMAKE_CURRENT_LIST_DIR}/../tools/install-deps)

#   kuerumi_debian_package(DEBIAN_PACKAGE) checks the package alone, for a
#   library found otherwise (find_library).
function(kuerumi_debian_package package)
  file(READ ${KUERUMI_INSTALL_DEPS} deps)
  string(REGEX REPLACE "[()\n\t\\\\]" " " deps " ${deps} ")
  string(FIND "${deps}" " ${package} " at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The build needs the Debian package ${package}, which tools/install-deps does not "
                        "install: add it to the group that needs it.")
  endif()
endfunction()

macro(kuerumi_find_package name package)
  kuerumi_debian_package(${package})
  find_package(${name} ${ARGN})
endmacro()
