#pragma once

// What the window's process and a decoder process (decoder/) say to each
// other: messages of one fixed size over a socket of their own, one to a
// packet, some with a file handed over beside them (SCM_RIGHTS), and a
// control page that both map, through which the window's process stops a
// load without a system call in the decoder process.
//
// A load, from the window's side:
//   Load + the picture's file      ->
//                                  <-  NeedTarget width, height, bits per pixel
//   TargetMade + its pixels' file  ->  (or Refused: past the caps or the budget)
//                                  <-  NeedWorking bytes, width, height (any number)
//   Granted                        ->  (or Refused; none for 0 bytes, whose
//                                       refusal stops the load instead)
//                                  <-  AskedAll (no answer)
//                                  <-  Done, decoded or not
// The decoder process asks for no memory but through these: every byte of
// a load is admitted in the window's process, on the thread that asked
// for the load, in the order the loaders ask for it (loadmemory.h).

#include <atomic>
#include <cstdint>

namespace DecoderProtocol {

// Both sides of a conversation come from the same build: the window's
// process names this version when it starts a decoder process, which ends
// at once (WrongStart) for any other, as after an update of the program
// while it runs.
inline constexpr int Version = 2;

// The descriptors a decoder process starts with: its end of the socket, and
// the file of its control page, which it maps and closes.
inline constexpr int SocketFd = 3;
inline constexpr int ControlFd = 4;

// How a decoder process ends before any picture, for the window's process
// to say why pictures cannot be decoded.
enum Exit : int {
    WrongStart = 64,    // started with other arguments or by another process
    NoConfinement = 65, // the system cannot confine it: it decodes nothing
};

// The page both sides map.
struct Control {
    std::atomic<bool> stop; // the load under way is given up
};
static_assert(std::atomic<bool>::is_always_lock_free, "the control page is shared between processes");
inline constexpr unsigned long ControlBytes = 4096;

enum class Kind : uint32_t {
    // from the window's process
    Load,       // the file of the picture to load comes with it
    TargetMade, // the file of the target's pixels comes with it, bytes long (none when 0)
    Granted,    // the working memory asked for is held for the load
    Refused,    // what was asked for is past the caps or the pixel budget
    // from the decoder process
    NeedTarget, // bytes: working memory asked for with it; thenNothingMore: and then no more
    NeedWorking,
    AskedAll,
    Done,
};

struct Message {
    Kind kind;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    uint64_t bytes;
    uint32_t decoded; // Done: 1 when every pixel of the picture was decoded
    uint32_t thenNothingMore = 0;
};

enum class Heard {
    Message, // message, and in file the file handed over with it or -1
    Nothing, // nothing there yet (only without waiting)
    Gone,    // the other side has closed or broken the conversation
};

// One side's end of a conversation. Each side sleeps on the socket as soon
// as it awaits the other: on a machine of two processors shared with other
// work, watching for the next message awake for as little as 50 us made a
// card's round trip slower, not faster (docs/performance.md).
class Channel
{
public:
    explicit Channel(int socket) : m_socket(socket) {}

    int socket() const { return m_socket; }

    // Sends message, with file handed over when it is not -1; false when
    // the other side is gone. Never raises SIGPIPE.
    bool send(const Message &message, int file = -1);
    // The next message, waiting for it or not. A file that comes with a
    // message is received close-on-exec; more than one, or one with a
    // message of the wrong size, breaks the conversation and is closed.
    Heard receive(Message &message, int &file, bool wait);

private:
    int m_socket;
};

} // namespace DecoderProtocol
