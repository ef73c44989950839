#include "decoderprocess.h"

#include "codepage.h"
#include "decoderprotocol.h"
#include "picturefile.h"
#include "picturetarget.h"
#include "pixelbudget.h"
#include "sharedfile.h"
#include "workerthread.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace DecoderProtocol;
using Clock = std::chrono::steady_clock;

// A given-up load's decoder process has this long to answer before it is
// killed.
constexpr std::chrono::milliseconds StopGrace{100};
// How often a wait asks whether its load was given up.
constexpr int StopPollMilliseconds = 2;

std::mutex settingsMutex;
std::string programForTesting;
std::string misbehaviourForTesting;
std::string unavailable; // decoderUnavailableReason
std::atomic<long long> hangForTesting{0};
// Raised when tests change how decoder processes start: those started
// before are ended at their next load.
std::atomic<unsigned> generation{0};

void setUnavailable(std::string reason)
{
    const std::lock_guard lock(settingsMutex);
    unavailable = std::move(reason);
}

std::string cp932(const char8_t *utf8)
{
    return CodePage::fromUtf8(reinterpret_cast<const char *>(utf8));
}

// The decoder program: beside the program itself, in an install as in the
// build tree.
std::string programPath()
{
    {
        const std::lock_guard lock(settingsMutex);
        if (!programForTesting.empty())
            return programForTesting;
    }
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, size_t(std::max<ssize_t>(length, 0)));
    return path.substr(0, path.rfind('/') + 1) + "kuerumi-decoder";
}

// A decoder process and its end of the conversation.
class DecoderProcess
{
public:
    DecoderProcess();
    ~DecoderProcess() { end(); }
    DecoderProcess(const DecoderProcess &) = delete;
    DecoderProcess &operator=(const DecoderProcess &) = delete;

    bool running() const { return m_pid > 0; }
    // Whether, between loads, it still waits for one: not ended, say by a
    // user's kill, since the last.
    bool waiting() const;
    bool current() const { return m_generation == generation.load(); }
    int socket() const { return m_socket; }
    Channel &channel() { return *m_channel; }
    PixelMemory::SharedWith sharer() const { return m_sharer; }
    Control &control() { return *reinterpret_cast<Control *>(m_control.get()); }
    // Kills and reaps it; what its end says of the system is noted.
    void end();

private:
    // Starts it; 0, or the error that kept it from starting.
    int start(const std::string &program, std::string misbehaviour);

    pid_t m_pid = -1;
    int m_socket = -1;
    PixelMemory::SharedWith m_sharer{++startedCount};
    PixelMemory::Words m_control;
    std::optional<Channel> m_channel;
    unsigned m_generation = generation.load();

    static inline std::atomic<uint64_t> startedCount{0};
};

thread_local std::unique_ptr<DecoderProcess> thisThreads;

DecoderProcess::DecoderProcess()
{
    std::string misbehaviour;
    {
        const std::lock_guard lock(settingsMutex);
        misbehaviour = misbehaviourForTesting;
    }
    const std::string program = programPath();
    const int failed = start(program, misbehaviour);
    if (failed != 0) {
        m_pid = -1;
        setUnavailable(cp932(u8"画像を読み込むプログラム \"") + CodePage::fromUtf8(program)
                       + cp932(u8"\" を起動できません（") + describeFileError(failed) + cp932(u8"）"));
    }
}

int DecoderProcess::start(const std::string &program, std::string misbehaviour)
{
    int sockets[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0)
        return errno;
    m_socket = sockets[0];
    m_channel.emplace(m_socket);
    // Both above the descriptors the decoder process gets, so that placing
    // one cannot overwrite the other.
    const int socketAbove = fcntl(sockets[1], F_DUPFD_CLOEXEC, ControlFd + 1);
    int failed = socketAbove < 0 ? errno : 0;
    close(sockets[1]);
    m_control = PixelMemory::allocateShared(ControlBytes, m_sharer);
    if (!m_control && failed == 0)
        failed = ENOMEM;
    const int controlAbove = m_control ? fcntl(PixelMemory::sharedFile(m_control), F_DUPFD_CLOEXEC, ControlFd + 1) : -1;
    if (controlAbove < 0 && failed == 0)
        failed = errno;
    if (failed == 0) {
        new (m_control.get()) Control{};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, socketAbove, SocketFd);
        posix_spawn_file_actions_adddup2(&actions, controlAbove, ControlFd);
        posix_spawn_file_actions_addclosefrom_np(&actions, ControlFd + 1);
        // Signals as a new process has them, whatever this one's threads set.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        std::string version = std::to_string(Version), parent = std::to_string(getpid());
        std::vector<char *> arguments = {const_cast<char *>(program.c_str()), version.data(), parent.data()};
        if (!misbehaviour.empty())
            arguments.push_back(misbehaviour.data());
        arguments.push_back(nullptr);
        char *environment[] = {nullptr};
        failed = posix_spawn(&m_pid, program.c_str(), &actions, &attributes, arguments.data(), environment);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    if (socketAbove >= 0)
        close(socketAbove);
    if (controlAbove >= 0)
        close(controlAbove);
    return failed;
}

void DecoderProcess::end()
{
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
    m_control.reset();
    PixelMemory::forgetSharer(m_sharer);
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(m_pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    m_pid = -1;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // In the builds with sanitizers, a report that ended a decoder process
    // (decoder/confinement.cpp) fails the program as one of its own would.
    if (reaped > 0 && WIFEXITED(status) && (WEXITSTATUS(status) == 1 || WEXITSTATUS(status) == 66))
        std::abort();
#endif
    if (reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == NoConfinement)
        setUnavailable(cp932(u8"このシステムでは画像を読み込むプログラムを隔離できません（seccomp がありません）"));
    else if (reaped > 0 && WIFEXITED(status) && WEXITSTATUS(status) == WrongStart)
        setUnavailable(cp932(u8"画像を読み込むプログラムがこのプログラムと合いません"));
}

bool DecoderProcess::waiting() const
{
    pollfd idle{m_socket, POLLIN, 0};
    return running() && poll(&idle, 1, 0) == 0;
}

// This thread's decoder process, started when it has none that waits for a
// load as tests ask now; null when none can be started.
DecoderProcess *decoderForThisThread()
{
    if (thisThreads && (!thisThreads->waiting() || !thisThreads->current()))
        thisThreads.reset();
    if (!thisThreads)
        thisThreads = std::make_unique<DecoderProcess>();
    return thisThreads->running() ? thisThreads.get() : nullptr;
}

// One load's conversation with the decoder process.
class Conversation
{
public:
    Conversation(DecoderProcess &process, LoadRequests *asked) : m_process(process), m_asked(asked)
    {
        const long long forTesting = hangForTesting.load();
        m_allowed = forTesting > 0 ? Clock::duration(std::chrono::milliseconds(forTesting))
                                   : Clock::duration(HangTime::Base);
    }

    // The answer to a load of file: whether every pixel was decoded into
    // target. False, with the decoder process ended, when it dies, hangs
    // or breaks the conversation, or when the load is given up.
    bool load(int file, Bitmap &target);

private:
    enum class Heard { Message, Ended };
    // The decoder process's next message, awaited as long as its time
    // allows and the load is not given up.
    Heard next(Message &message, int &fileWithIt);
    // Answers a request: what it asked for was admitted.
    bool answer(Kind kind, int file = -1);
    // A request was refused, or the load given up: the decoder process is
    // told and given StopGrace to end the load, or ended.
    void windUp(bool stop);
    void endProcess() { m_process.end(); }
    void note(LoadRequest request)
    {
        if (m_asked)
            m_asked->push_back(request);
    }

    DecoderProcess &m_process;
    LoadRequests *m_asked;
    Clock::duration m_allowed;
    Clock::duration m_waited{};
    std::vector<PixelReservation> m_working; // held until the load ends
};

Conversation::Heard Conversation::next(Message &message, int &fileWithIt)
{
    const Clock::time_point start = Clock::now();
    using enum DecoderProtocol::Heard;
    DecoderProtocol::Heard heard = m_process.channel().receive(message, fileWithIt, false);
    while (heard == Nothing) {
        if (Worker::stopRequested()) {
            m_waited += Clock::now() - start;
            windUp(true);
            return Heard::Ended;
        }
        if (m_waited + (Clock::now() - start) > m_allowed)
            break;
        pollfd readable{m_process.socket(), POLLIN, 0};
        poll(&readable, 1, StopPollMilliseconds);
        heard = m_process.channel().receive(message, fileWithIt, false);
    }
    m_waited += Clock::now() - start;
    if (heard == Message)
        return Heard::Message;
    endProcess(); // gone, broken, or hung
    return Heard::Ended;
}

bool Conversation::answer(Kind kind, int file)
{
    if (m_process.channel().send({kind, 0, 0, 0, 0, 0}, file))
        return true;
    endProcess();
    return false;
}

void Conversation::windUp(bool stop)
{
    if (stop)
        m_process.control().stop.store(true, std::memory_order_relaxed);
    else if (!answer(Kind::Refused))
        return;
    const Clock::time_point until = Clock::now() + StopGrace;
    for (;;) {
        Message message{};
        int file = -1;
        const DecoderProtocol::Heard heard = m_process.channel().receive(message, file, false);
        if (file >= 0)
            close(file);
        if (heard == DecoderProtocol::Heard::Message && message.kind == Kind::Done)
            return;
        // What it asks for on its way out is refused; what awaits no answer
        // is let be.
        const bool heardOne = heard == DecoderProtocol::Heard::Message;
        const bool request = heardOne && (message.kind == Kind::NeedTarget
                                          || (message.kind == Kind::NeedWorking && message.bytes > 0));
        const bool word = heardOne && (message.kind == Kind::AskedAll || message.kind == Kind::NeedWorking);
        if ((request && !answer(Kind::Refused)) || heard == DecoderProtocol::Heard::Gone || Clock::now() >= until
            || (heardOne && !request && !word)) {
            endProcess();
            return;
        }
        if (heard == DecoderProtocol::Heard::Nothing) {
            pollfd readable{m_process.socket(), POLLIN, 0};
            poll(&readable, 1, StopPollMilliseconds);
        }
    }
}

bool Conversation::load(int file, Bitmap &target)
{
    m_process.control().stop.store(false, std::memory_order_relaxed);
    if (!m_process.channel().send({Kind::Load, 0, 0, 0, 0, 0}, file)) {
        endProcess();
        return false;
    }
    for (;;) {
        Message message{};
        int handed = -1;
        if (next(message, handed) == Heard::Ended)
            return false;
        if (handed >= 0) { // a decoder process hands nothing over
            close(handed);
            endProcess();
            return false;
        }
        try {
            switch (message.kind) {
            case Kind::NeedTarget: {
                if (!target.isEmpty()) { // one target a load
                    endProcess();
                    return false;
                }
                note({LoadRequest::Kind::Target, message.width, message.height, message.bitsPerPixel, 0});
                target = admitTarget(message.width, message.height, message.bitsPerPixel, m_process.sharer());
                // What the loader asks for next, asked with it.
                if (message.bytes > 0) {
                    note({LoadRequest::Kind::Working, message.width, message.height, 0, size_t(message.bytes)});
                    m_working.push_back(Bitmap::reserve(size_t(message.bytes), message.width, message.height));
                }
                if (message.thenNothingMore == 1) {
                    note({LoadRequest::Kind::AskedAll});
                    PixelBudget::loadHasAskedAll();
                }
                const double megapixels = double(message.width) * double(message.height) / 1e6;
                if (hangForTesting.load() == 0)
                    m_allowed = HangTime::Base + std::chrono::duration_cast<Clock::duration>(
                                                     HangTime::PerMegapixel * megapixels);
                const size_t bytes = target.isEmpty() ? 0 : target.bytesPerLine() * size_t(target.height());
                if (!m_process.channel().send({Kind::TargetMade, 0, 0, 0, bytes, 0}, target.sharedFile())) {
                    endProcess();
                    return false;
                }
                break;
            }
            case Kind::NeedWorking:
                note({LoadRequest::Kind::Working, message.width, message.height, 0, size_t(message.bytes)});
                if (message.bytes == 0) {
                    // Nothing to allocate: the decoder process went on without
                    // an answer, and a refusal stops it.
                    try {
                        Bitmap::reserve(0, message.width, message.height);
                    } catch (const BitmapError &) {
                        windUp(true);
                        throw;
                    }
                    break;
                }
                m_working.push_back(Bitmap::reserve(size_t(message.bytes), message.width, message.height));
                if (!answer(Kind::Granted))
                    return false;
                break;
            case Kind::AskedAll:
                note({LoadRequest::Kind::AskedAll});
                PixelBudget::loadHasAskedAll();
                break;
            case Kind::Done:
                setUnavailable({});
                // A picture decoded whole was drawn into a target.
                return message.decoded == 1 && !target.isEmpty();
            default:
                endProcess();
                return false;
            }
        } catch (const BitmapError &) {
            if (m_process.running() && !m_process.control().stop.load(std::memory_order_relaxed))
                windUp(false);
            throw;
        }
        if (Worker::stopRequested()) {
            windUp(true);
            return false;
        }
    }
}

} // namespace

bool loadPictureConfined(const std::string &cp932FileName, Bitmap &target, LoadRequests *asked)
{
    target = Bitmap();
    int error = 0;
    const std::optional<SharedFile> file = SharedFile::open(pictureFilePath(cp932FileName), error);
    if (!file)
        return false;
    DecoderProcess *process = decoderForThisThread();
    if (!process)
        return false;
    bool decoded = false;
    try {
        decoded = Conversation(*process, asked).load(file->descriptor(), target);
    } catch (const BitmapError &) {
        target = Bitmap();
        throw;
    }
    if (!process->running())
        target = Bitmap(); // what an ended decoder process left is no picture
    return decoded && process->running();
}

void startDecoderProcess()
{
    decoderForThisThread();
}

std::string decoderUnavailableReason()
{
    const std::lock_guard lock(settingsMutex);
    return unavailable;
}

void setDecoderProgramForTesting(const std::string &utf8Path)
{
    {
        const std::lock_guard lock(settingsMutex);
        programForTesting = utf8Path;
    }
    ++generation;
}

void setDecoderMisbehaviourForTesting(const std::string &misbehaviour)
{
    {
        const std::lock_guard lock(settingsMutex);
        misbehaviourForTesting = misbehaviour;
    }
    ++generation;
}

void setDecoderHangTimeForTesting(std::chrono::milliseconds time)
{
    hangForTesting = time.count();
}
