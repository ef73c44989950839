#include "windowmemory.h"

#include "decoderprotocol.h"
#include "picturedepth.h"

#include <unistd.h>

#include <utility>

namespace {

using namespace DecoderProtocol;

// Sends a request and returns its answer, with the file that came with it
// (-1 if none). A window's process that is gone ends this one.
Message ask(Channel &channel, const Message &request, int &file)
{
    if (!channel.send(request))
        _exit(0);
    Message answer{};
    if (channel.receive(answer, file, true) != Heard::Message)
        _exit(0);
    if (answer.kind == Kind::Refused) {
        if (file >= 0)
            close(file);
        throw WindowMemory::Refused();
    }
    return answer;
}

} // namespace

Bitmap WindowMemory::target(int width, int height, int bitsPerPixel, ThenAsks then)
{
    int file = -1;
    m_asked = {};
    m_workingAsked = false;
    const Message answer = ask(m_channel,
                               {Kind::NeedTarget, width, height, bitsPerPixel, then.working, 0, then.nothingMore}, file);
    m_asked = then;
    m_workingAsked = true;
    const PixelFormat format = PixelFormatFor(bitsPerPixel);
    const size_t bytes = Bitmap::pixelBytes(width, height, format);
    PixelMemory::Words pixels;
    if (answer.kind == Kind::TargetMade && answer.bytes == bytes && (file >= 0) == (bytes > 0))
        pixels = bytes > 0 ? PixelMemory::mapShared(file, bytes) : PixelMemory::Words();
    if (file >= 0)
        close(file);
    if (bytes > 0 && !pixels)
        throw Refused();
    return Bitmap(width, height, format, std::move(pixels));
}

PixelReservation WindowMemory::working(size_t bytes, int width, int height)
{
    // Asked for with the target (nothing, for a picture that needs none):
    // held in the window's process already.
    if (std::exchange(m_workingAsked, false) && bytes == m_asked.working)
        return PixelReservation();
    // Nothing is allocated for none: the load goes on at once, and is
    // stopped should the window's process refuse even that.
    if (bytes == 0) {
        if (!m_channel.send({Kind::NeedWorking, width, height, 0, 0, 0}))
            _exit(0);
        return PixelReservation();
    }
    int file = -1;
    const Message answer = ask(m_channel, {Kind::NeedWorking, width, height, 0, bytes, 0}, file);
    if (file >= 0)
        close(file);
    if (answer.kind != Kind::Granted)
        throw Refused();
    // Held in the window's process until the load ends.
    return PixelReservation();
}

void WindowMemory::askedAll()
{
    if (std::exchange(m_asked.nothingMore, false))
        return;
    if (!m_channel.send({Kind::AskedAll, 0, 0, 0, 0, 0}))
        _exit(0);
}
