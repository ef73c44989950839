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

size_t ceiling();
// Bytes held now.
size_t inUse();

// Tests work with a small ceiling; 0 brings back the machine's own.
void setCeilingForTesting(size_t bytes);

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
    static bool tryTake(size_t bytes, PixelReservation &into);

    size_t bytes() const { return m_bytes; }
    void release();

private:
    size_t m_bytes = 0;
};
