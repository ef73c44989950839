#pragma once

// A decoder process's loads ask the window's process for their memory
// (loadmemory.h): each request goes over the socket and waits for its
// answer, so that every byte is admitted against the window's pixel budget,
// in the order the loader asks. The target's pixels are the window's own
// memory, mapped here.

#include "decoderprotocol.h"
#include "loadmemory.h"

#include <exception>

class WindowMemory : public LoadMemory
{
public:
    // What a request refused by the window's process throws here: the load
    // fails, and the window's process has the error to show.
    class Refused : public std::exception
    {
    };

    explicit WindowMemory(DecoderProtocol::Channel &channel) : m_channel(channel) {}

    Bitmap target(int width, int height, int bitsPerPixel, ThenAsks then) override;
    PixelReservation working(size_t bytes, int width, int height) override;
    void askedAll() override;

private:
    DecoderProtocol::Channel &m_channel;
    // Asked for with the target, and so already answered.
    ThenAsks m_asked;
    bool m_workingAsked = false;
};
