#pragma once

// Pictures decoded in confined processes of their own, so that a crafted
// picture file that takes a decoder over can do nothing the user did not
// ask. The file is opened here, as LoadPictureFile opens it, and handed to
// a decoder process (decoder/), which can read it and the memory it is
// handed and nothing else (decoder/confinement.h), and which draws the
// picture straight into this process's bitmap: memory that both map, whose
// size it cannot change. Every byte of pixel memory is admitted here, on
// the calling thread, in the order the loaders ask for it (loadmemory.h);
// the size admitted comes from the decoder process and is checked against
// the caps and the pixel budget as LoadPictureFile checks it.
//
// Each thread that loads has a decoder process of its own, started when it
// first needs one and kept for the thread's life; it is killed and reaped
// when the thread ends, and ends by itself with the thread that started it.

#include "bitmap.h"
#include "loadmemory.h"

#include <chrono>
#include <string>

// LoadPictureFile (picturefile.h), decoded in this thread's decoder process:
// the same results, and the same BitmapError, the only error it throws. A
// decoder process that dies, is killed, breaks its filter or the
// conversation, or takes longer than any honest picture of its size needs
// (HangTime) makes the load false, target 0 by 0, as a file that holds no
// picture; the next load starts another. A load given up
// (Worker::stopRequested), asked every few milliseconds, ends within about
// 100 ms, false. With asked, what the load asked of the pixel budget is
// added to it, in order (copyAsLoaded).
bool loadPictureConfined(const std::string &cp932FileName, Bitmap &target, LoadRequests *asked = nullptr);

// Starts this thread's decoder process now, if it has none, so that its
// first picture need not wait for one to start: the program has its worker
// thread's started first thing, to start beside Qt's own starting.
void startDecoderProcess();

// How long a decoder process may take before it is taken for hung: 10 s,
// and 2 s for each million pixels once the picture's size is known, 42 s
// for 4000 x 4000, whose costliest honest picture (a photograph in 88
// arithmetic-coded scans that send every bit by itself) took 0.8 s; the
// time the window's process spends on its requests does not count.
namespace HangTime {
inline constexpr std::chrono::seconds Base{10};
inline constexpr std::chrono::seconds PerMegapixel{2};
} // namespace HangTime

// Why no picture can be decoded at all, in code page 932 without a full
// stop, when the last decoder process that a thread started could not
// decode: its program is missing or cannot start, comes from another
// version, or the system cannot confine it. Empty once one decodes.
std::string decoderUnavailableReason();

// For tests, which run from folders of their own: the decoder program's
// path (UTF-8), instead of the one beside the program, for decoder
// processes started from now on (those running now are ended at their
// thread's next load). Empty brings that back.
void setDecoderProgramForTesting(const std::string &utf8Path);
// For tests: decoder processes started from now on misbehave so
// (decoder/misbehaviour.h); empty for none. Those running now are ended
// at their thread's next load.
void setDecoderMisbehaviourForTesting(const std::string &misbehaviour);
// For tests: a decoder process is taken for hung after that time, whatever
// its picture; 0 brings back HangTime.
void setDecoderHangTimeForTesting(std::chrono::milliseconds time);
