#include "loadmemory.h"

#include "picturetarget.h"

namespace {

LoadMemory ownBudget;
thread_local LoadMemory *inPlace = nullptr;

} // namespace

Bitmap LoadMemory::target(int width, int height, int bitsPerPixel, ThenAsks)
{
    return admitTarget(width, height, bitsPerPixel);
}

PixelReservation LoadMemory::working(size_t bytes, int width, int height)
{
    return Bitmap::reserve(bytes, width, height);
}

void LoadMemory::askedAll()
{
    PixelBudget::loadHasAskedAll();
}

LoadMemory &LoadMemory::current()
{
    return inPlace ? *inPlace : ownBudget;
}

LoadMemory::Scope::Scope(LoadMemory &memory) : m_previous(inPlace)
{
    inPlace = &memory;
}

LoadMemory::Scope::~Scope()
{
    inPlace = m_previous;
}
