# Every library the build looks for comes from a Debian package that
# tools/install-deps installs on a fresh machine. kuerumi_find_package finds
# one, as find_package does, and fails the configuration when its package
# is missing from that list: a new dependency cannot build here and fail on
# the next machine.
#   kuerumi_find_package(NAME DEBIAN_PACKAGE [find_package arguments...])
# A macro, not a function: what find_package sets is for the caller's scope.
set(KUERUMI_INSTALL_DEPS ${CMAKE_CURRENT_LIST_DIR}/../tools/install-deps)

macro(kuerumi_find_package name package)
  file(READ ${KUERUMI_INSTALL_DEPS} _kuerumi_deps)
  string(REGEX REPLACE "[()\n\t\\\\]" " " _kuerumi_deps " ${_kuerumi_deps} ")
  string(FIND "${_kuerumi_deps}" " ${package} " _kuerumi_at)
  if(_kuerumi_at EQUAL -1)
    message(FATAL_ERROR "${name} comes from the Debian package ${package}, which tools/install-deps does not "
                        "install: add it to the group that needs it.")
  endif()
  find_package(${name} ${ARGN})
endmacro()
