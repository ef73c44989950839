#pragma once

// What a decoder process does before it reads a byte of any picture, so
// that a picture file that takes its decoder over gains nothing: it ends
// with the thread of the window's process that started it, keeps only the
// descriptors it was given, may gain no privilege, write no file, open no
// file and take no more memory than the largest load, and may make only
// the system calls that decoding needs. Any other call ends it at once.

#include <sys/types.h>

namespace Confinement {

// Confines this process, which parent started: ends it (WrongStart) when
// parent is no longer there. False when the system cannot confine it (a
// kernel without seccomp), or when withoutFilter pretends so for a test:
// it must then decode nothing.
bool confine(pid_t parent, bool withoutFilter);

} // namespace Confinement
