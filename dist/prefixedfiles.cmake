# Run by `cmake --install` (and CPack): writes the two installed files that
# name the install prefix, which is known only now, the launcher and the
# desktop entry, straight to their places, so that no two installs share a
# file. Expects KUERUMI_SOURCE (this folder) and the installed layout's
# folders KUERUMI_GAMES_DIR, KUERUMI_PROGRAM_DIR, KUERUMI_DECK_DIR and
# KUERUMI_APPLICATIONS_DIR, relative to the prefix, and the package's
# version KUERUMI_VERSION, which the launcher tells.

set(program "${CMAKE_INSTALL_PREFIX}/${KUERUMI_PROGRAM_DIR}/kuerumi")
set(launcher "${CMAKE_INSTALL_PREFIX}/${KUERUMI_GAMES_DIR}/kuerumi")
set(deck "${CMAKE_INSTALL_PREFIX}/${KUERUMI_DECK_DIR}")

# A word for sh, in single quotes, which take everything but a single quote
# literally.
function(shell_quoted out text)
  string(REPLACE "'" "'\\''" text "${text}")
  set(${out} "'${text}'" PARENT_SCOPE)
endfunction()

# A string value of a desktop entry, where a backslash is escaped.
function(entry_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One argument of Exec, in double quotes: inside them ", `, $ and \ take a
# backslash, which the string's own escaping then doubles; % is doubled so
# that it is no field code.
function(exec_argument out text)
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" text "${text}")
  string(REPLACE "%" "%%" text "${text}")
  entry_string(text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# write_file(TEMPLATE DESTINATION PERMISSIONS...)
function(write_file template destination)
  set(file "$ENV{DESTDIR}${destination}")
  message(STATUS "Installing: ${file}")
  configure_file("${KUERUMI_SOURCE}/${template}" "${file}" @ONLY FILE_PERMISSIONS ${ARGN})
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

shell_quoted(KUERUMI_DECK_DIR "${deck}")
shell_quoted(KUERUMI_PROGRAM "${program}")
write_file(kuerumi.in "${launcher}"
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

entry_string(KUERUMI_ENTRY_PATH "${deck}")
exec_argument(KUERUMI_ENTRY_EXEC "${launcher}")
entry_string(KUERUMI_ENTRY_TRYEXEC "${launcher}")
write_file(org.kuerumi.Kuerumi.desktop.in
  "${CMAKE_INSTALL_PREFIX}/${KUERUMI_APPLICATIONS_DIR}/org.kuerumi.Kuerumi.desktop"
  OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
