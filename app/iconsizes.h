#pragma once

// The sizes, in pixels, at which the program's icon is drawn, built into the
// program and installed: the one list that the program, its build and the
// deck's generator all read.

inline constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256};
