#include "loadmemory.h"

#include "picturetarget.h"

#include <cstring>

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

Bitmap copyAsLoaded(const Bitmap &picture, const LoadRequests &asked)
{
    LoadMemory &memory = LoadMemory::current();
    Bitmap copy;
    std::vector<PixelReservation> working; // held until the copy is made, as a load holds it
    for (const LoadRequest &request : asked) {
        switch (request.kind) {
        case LoadRequest::Kind::Target:
            copy = memory.target(request.width, request.height, request.bitsPerPixel, {});
            break;
        case LoadRequest::Kind::Working:
            working.push_back(memory.working(request.bytes, request.width, request.height));
            break;
        case LoadRequest::Kind::AskedAll:
            memory.askedAll();
            break;
        }
    }
    // Only a picture of the size asked for is copied (none otherwise).
    if (copy.width() != picture.width() || copy.height() != picture.height()
        || copy.pixelFormat() != picture.pixelFormat())
        return Bitmap();
    if (!copy.isEmpty())
        std::memcpy(copy.scanLine(0), picture.scanLine(0), copy.bytesPerLine() * size_t(copy.height()));
    return copy;
}
