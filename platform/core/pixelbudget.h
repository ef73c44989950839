#pragma once

// The one budget for all the pixel memory the program holds at once: every
// bitmap alive (each slot's picture, shown or hidden, the working bitmap of
// a load, a turned copy) and the working memory of a decoder while it
// decodes. A picture, however small its file, can take no more than what is
// left, so no deck can make the program grow past the ceiling.
//
// The ceiling is 1 GiB, or a quarter of the machine's memory or of the
// process's address-space or data limit when that is less.

#include <cstddef>

namespace PixelBudget {

// The ceiling on a machine of plenty: no load ever holds more, which bounds
// a decoder process's address space (decoder/).
inline constexpr size_t LargestCeiling = size_t{1} << 30;

size_t ceiling();
// Bytes held now.
size_t inUse();

// Tests work with a small ceiling; 0 brings back the machine's own.
void setCeilingForTesting(size_t bytes);

// The load in progress on this thread will ask for no more pixel memory.
void loadHasAskedAll();

} // namespace PixelBudget

// While it lives, the budget counts bytes that are about to be given up as
// room: a picture that replaces another may take the room of the one it
// replaces, which is freed as soon as the new one is in its place. Without
// it a deck that filled the budget once would leave no room for itself the
// next time. One at a time; when the load fails, the old picture stays.
class ReplacementRoom
{
public:
    explicit ReplacementRoom(size_t bytes);
    ~ReplacementRoom();
    ReplacementRoom(const ReplacementRoom &) = delete;
    ReplacementRoom &operator=(const ReplacementRoom &) = delete;

private:
    size_t m_bytes;
};

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
    static bool tryTake(size_t bytes, PixelReservation &into);

    size_t bytes() const { return m_bytes; }
    void release();

private:
    size_t m_bytes = 0;
};
