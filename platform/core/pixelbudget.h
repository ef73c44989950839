#pragma once

// The one budget for all the pixel memory the program holds at once: every
// bitmap alive (each slot's picture, shown or hidden, the working bitmap of
// a load, a turned copy) and the working memory of a decoder while it
// decodes. A picture, however small its file, can take no more than what is
// left, so no deck can make the program grow past the ceiling.
//
// The ceiling is a quarter of the memory the process may use: the
// machine's, or less where a control group or a limit on the process's
// address space or data says so; at most 4 GiB.
//
// Loads that run ahead of their turn, several at once (LoadOrder), are
// decided as if they came one at a time: a deck stops at the same card with
// the same error however many threads decode it, and what is held never
// passes the ceiling.
//
// Thread safety: every function may be called from any thread.

#include <cstddef>
#include <vector>

namespace PixelBudget {

// The ceiling on a machine of plenty: no load ever holds more, which bounds
// a decoder process's address space (decoder/).
inline constexpr size_t LargestCeiling = size_t{4} << 30;

size_t ceiling();
// Bytes held now.
size_t inUse();

// Tests work with a small ceiling; 0 brings back the machine's own.
void setCeilingForTesting(size_t bytes);

// The most held at once since the last reset, less the room of a picture
// about to be replaced (LoadOrder::turnOf): never above the ceiling.
size_t peak();
void resetPeak();

// The load in progress on this thread will ask for no more pixel memory:
// the load after it in its order may now be decided.
void loadHasAskedAll();

} // namespace PixelBudget

// Bytes of the budget, held while the reservation lives. Move-only.
class PixelReservation
{
public:
    PixelReservation() = default;
    ~PixelReservation() { release(); }
    PixelReservation(PixelReservation &&other) noexcept : m_bytes(other.m_bytes) { other.m_bytes = 0; }
    PixelReservation &operator=(PixelReservation &&other) noexcept;
    PixelReservation(const PixelReservation &) = delete;
    PixelReservation &operator=(const PixelReservation &) = delete;

    // Holds bytes when they fit; an empty reservation and false otherwise.
    // Inside a load of a LoadOrder this may wait for the load's turn.
    static bool tryTake(size_t bytes, PixelReservation &into);
    // A picture that a slot is to show, which any reading may turn: held
    // at the size of its turned copy, turnedBytes, once there is room for
    // two such copies, since a turn holds the picture and its copy at once.
    // A picture that shows is then never refused by a turn.
    static bool tryTakePicture(size_t turnedBytes, PixelReservation &into);

    size_t bytes() const { return m_bytes; }
    void release();

private:
    size_t m_bytes = 0;
};

// Loads decoded ahead of their turn on several threads, each replacing a
// slot's picture, taken by the window in order. Each load's requests to the
// budget are decided in that order (a load is decided only once every load
// before it has asked for all it will) and as one at a time would decide
// them: ahead of its turn a request is granted only when it fits beside
// everything held now and room for the turns still to come, never by the
// room of a picture not yet replaced; otherwise it waits for its turn (every
// load before it in its place, turned), and is then decided exactly as one
// at a time, with the room of the picture it replaces.
//
// Threads: the window's thread makes the order, gives each load its turn
// and stops it; a load's requests come from the thread that runs it, inside
// a Member. The order must outlive its members.
class LoadOrder
{
public:
    struct Load
    {
        // Whether its picture will be turned once in place.
        bool turns = false;
    };

    explicit LoadOrder(std::vector<Load> loads);
    ~LoadOrder();
    LoadOrder(const LoadOrder &) = delete;
    LoadOrder &operator=(const LoadOrder &) = delete;

    // While it lives, the budget requests of its thread are load index's.
    // Its end means the load has asked for all it will.
    class Member
    {
    public:
        Member(LoadOrder &order, size_t index);
        ~Member();
        Member(const Member &) = delete;
        Member &operator=(const Member &) = delete;
    };

    // Every load before index is in its place, and turned, or given up:
    // index's turn. The picture it replaces takes replaced bytes, room for
    // it.
    void turnOf(size_t index, size_t replaced);
    // Every request of a load before index waiting, or still to come, is
    // refused: the window will not take those loads.
    void giveUpBefore(size_t index);
    // Every request waiting, or still to come, is refused.
    void stop();

private:
    friend class PixelLedger;
    struct State;
    State *m_state;
};
