#pragma once

// Where a load's pixel memory comes from. Every loader asks here, in the
// same order wherever it runs: for its target once it knows the picture's
// size (makeTarget), for its library's working memory beside the pixels,
// and then says that it will ask no more. In the program's own process each
// is answered by the pixel budget there; in a decoder process (decoder/),
// by the window's process, which admits every byte against its own budget
// and hands back the target's pixels in memory that both map
// (decoderprocess.h).

#include "bitmap.h"

#include <cstddef>
#include <vector>

// What a loader will ask for right after its target, said with it: a
// decoder process then asks for all of it at once, and the window's
// process decides the next load sooner. The loader asks for it all the same.
struct ThenAsks
{
    size_t working = 0;    // working(working, ...) comes next, when not 0
    bool nothingMore = false; // then askedAll()
};

class LoadMemory
{
public:
    virtual ~LoadMemory() = default;

    // The target of a picture of width by height at bitsPerPixel, as
    // makeTarget (picturetarget.h) says, charged to the budget; throws the
    // BitmapError of a picture too large before any of it is allocated.
    virtual Bitmap target(int width, int height, int bitsPerPixel, ThenAsks then);
    // Bytes of working memory for the decoder's library, held until the
    // load ends; throws the BitmapError of a picture of width by height too
    // large.
    virtual PixelReservation working(size_t bytes, int width, int height);
    // The load will ask for no more pixel memory.
    virtual void askedAll();

    // What loads on this thread ask: the budget of this process, unless a
    // Scope has put another in its place.
    static LoadMemory &current();

    // Puts memory in place for loads on this thread while it lives.
    class Scope
    {
    public:
        explicit Scope(LoadMemory &memory);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        LoadMemory *m_previous;
    };
};

// What one load asked of its memory, in order.
struct LoadRequest
{
    enum class Kind { Target, Working, AskedAll };
    Kind kind = Kind::AskedAll;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0; // a target's
    size_t bytes = 0;     // working memory's
};
using LoadRequests = std::vector<LoadRequest>;

// A copy of picture, which a load that asked for what asked says made,
// taken from the current LoadMemory by asking the same again, in the same
// order: it is made or refused, with the same BitmapError, exactly as a
// load of the same file would be now, without decoding it again. picture
// must be that load's target as the load left it: anything else of another
// size gives an empty bitmap.
Bitmap copyAsLoaded(const Bitmap &picture, const LoadRequests &asked);
