// kuerumi-decoder: decodes the pictures of one thread of the window's
// process, confined (confinement.h), each from a file that the window's
// process opened and hands over, into memory that it hands over too
// (decoderprotocol.h). Started by the window's process only:
//   kuerumi-decoder VERSION PARENT [MISBEHAVIOUR]
// with the socket and the control page at their descriptors. It reads no
// environment and prints nothing; it ends when the window's process closes
// the socket, or with the thread that started it.

#include "codepage.h"
#include "confinement.h"
#include "decoderprotocol.h"
#include "misbehaviour.h"
#include "pictureinput.h"
#include "picturefile.h"
#include "pixelmemory.h"
#include "sharedfile.h"
#include "windowmemory.h"
#include "workerthread.h"

#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace DecoderProtocol;

int number(const char *text)
{
    int value = -1;
    const char *end = text + std::strlen(text);
    if (std::from_chars(text, end, value).ptr != end)
        return -1;
    return value;
}

// What the decoders may need of the system that no filter would let them
// have later: the code-page converters that the errors of a bitmap use.
void prepare()
{
    CodePage::toUtf8(CodePage::fromUtf8("\xE7\x94\xBB"));
    try {
        throw WindowMemory::Refused();
    } catch (const WindowMemory::Refused &) {
    }
}

// One load of the file handed over: whether every pixel was decoded. The
// target is given back, and the file closed, before the answer goes.
bool load(int file, const std::string &misbehaviour)
{
    int error = 0;
    PictureInput input(SharedFile::adopt(file, error));
    Bitmap target;
    try {
        if (!misbehaviour.empty())
            Misbehaviour::act(misbehaviour);
        return loadPicture(input, target);
    } catch (...) {
        return false; // a refusal, whose error the window's process holds, or memory that ran out
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4 || number(argv[1]) != Version || number(argv[2]) <= 0)
        _exit(WrongStart);
    std::string misbehaviour = argc == 4 ? argv[3] : "";
    void *page = mmap(nullptr, ControlBytes, PROT_READ, MAP_SHARED, ControlFd, 0);
    if (page == MAP_FAILED)
        _exit(WrongStart);
    const auto *control = static_cast<const Control *>(page);
    PixelMemory::setUpHeap();
    prepare();
    if (!Confinement::confine(number(argv[2]), misbehaviour == Misbehaviour::Unconfined))
        _exit(NoConfinement);

    Channel channel(SocketFd);
    WindowMemory memory(channel);
    const LoadMemory::Scope scope(memory);
    Worker::stopWhen(&control->stop);
    for (;;) {
        Message request{};
        int file = -1;
        if (channel.receive(request, file, true) != Heard::Message || request.kind != Kind::Load)
            _exit(0);
        const bool decoded = load(file, std::exchange(misbehaviour, {}));
        if (!channel.send({Kind::Done, 0, 0, 0, 0, decoded}))
            _exit(0);
    }
}
