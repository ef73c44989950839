#pragma once

// For tests only: what a decoder process does when the window's process
// starts it so (setDecoderMisbehaviourForTesting in decoderprocess.h), to
// show what its confinement stops. Each is what a decoder that a crafted
// picture file has taken over would try, done inside the first load, once
// the process is confined and before it decodes anything:
//   open:PATH     create the file PATH
//   connect:PATH  connect to the local socket PATH
//   exec:PATH     run the program PATH
//   crash         write where nothing is mapped
//   hang          work for ever
//   memory        take more memory than any load may
// and, read before the confinement, unconfined: act as on a system that
// cannot confine the process. No other word does anything.

#include <string>

namespace Misbehaviour {

inline constexpr char Unconfined[] = "unconfined";

void act(const std::string &what);

} // namespace Misbehaviour
