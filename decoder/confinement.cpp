#include "confinement.h"

#include "decoderprotocol.h"
#include "pixelbudget.h"

#include <seccomp.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <linux/close_range.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using DecoderProtocol::SocketFd;

// Beside the largest load: the program's code and libraries, its stack and
// the buffers that the decoders' libraries keep beside the pixels (libjpeg
// takes up to 64 MiB for its rows).
constexpr rlim_t CodeRoom = rlim_t{256} << 20;

// What the builds with sanitizers need beyond decoding, all in this one
// place: their runtimes reserve terabytes of address space for their
// shadow memory, so no limit on it can be set; they write their reports to
// the standard error, which such a process keeps, a file as likely as not,
// after reading the process's map of its memory; and UndefinedBehavior-
// Sanitizer tells a live object's type by writing its memory into a pipe of
// its own, which takes two descriptors more. A report ends the process with
// the sanitizer's status, which the window's process then ends with too
// (decoderprocess.cpp); a crash is left to kill it, as in any other build.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" const char *__asan_default_options()
{
    return "color=never:handle_segv=0:detect_leaks=0";
}
extern "C" const char *__tsan_default_options()
{
    return "color=never:handle_segv=0";
}
constexpr bool BoundedAddressSpace = false;
constexpr bool BoundedFileSize = false;
constexpr int LastInheritedToClose = STDOUT_FILENO;
constexpr rlim_t SanitizerFiles = 2;

// Reports: their text, the map read, the program and its libraries read
// for the names in the stack, and the process and thread they name; the
// pipe.
template<typename Allow>
bool allowWhatSanitizersNeed(const Allow &allow)
{
    const scmp_arg_cmp readOnly = {0, SCMP_CMP_MASKED_EQ, O_ACCMODE | O_CREAT, O_RDONLY};
    return allow(SCMP_SYS(write), {}) && allow(SCMP_SYS(read), {}) && allow(SCMP_SYS(pread64), {})
           && allow(SCMP_SYS(lseek), {}) && allow(SCMP_SYS(fstat), {}) && allow(SCMP_SYS(newfstatat), {})
           && allow(SCMP_SYS(fcntl), {}) && allow(SCMP_SYS(readlink), {})
           && allow(SCMP_SYS(open), {{1, readOnly.op, readOnly.datum_a, readOnly.datum_b}})
           && allow(SCMP_SYS(openat), {{2, readOnly.op, readOnly.datum_a, readOnly.datum_b}})
           && allow(SCMP_SYS(dup), {}) && allow(SCMP_SYS(getpid), {}) && allow(SCMP_SYS(gettid), {})
           && allow(SCMP_SYS(sched_yield), {})
           && allow(SCMP_SYS(rt_sigprocmask), {}) && allow(SCMP_SYS(sigaltstack), {}) && allow(SCMP_SYS(pipe2), {});
}
#else
constexpr bool BoundedAddressSpace = true;
constexpr bool BoundedFileSize = true;
constexpr int LastInheritedToClose = STDERR_FILENO;
constexpr rlim_t SanitizerFiles = 0;

template<typename Allow>
bool allowWhatSanitizersNeed(const Allow &)
{
    return true;
}
#endif

// Lowers a limit to at most that, soft and hard alike: one the window's
// process was given lower already stays.
void lower(int resource, rlim_t limit)
{
    rlimit now{};
    if (getrlimit(resource, &now) != 0)
        _exit(DecoderProtocol::WrongStart);
    const rlim_t lowered = now.rlim_max == RLIM_INFINITY || now.rlim_max > limit ? limit : now.rlim_max;
    const rlimit both{std::min(now.rlim_cur, lowered), lowered};
    if (setrlimit(resource, &both) != 0)
        _exit(DecoderProtocol::WrongStart);
}

// Only what decoding needs. Descriptors below the socket are the files
// handed over (the picture, the target's pixels): no others can exist once
// RLIMIT_NOFILE is the socket's number + 1.
bool installFilter()
{
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!filter)
        return false;
    const auto allow = [filter](int call, std::initializer_list<scmp_arg_cmp> conditions = {}) {
        return seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, unsigned(conditions.size()), conditions.begin())
               == 0;
    };
    const scmp_arg_cmp handedOver = SCMP_A0(SCMP_CMP_LT, SocketFd);
    const scmp_arg_cmp onSocket = SCMP_A0(SCMP_CMP_EQ, SocketFd);
    const scmp_arg_cmp notExecutable = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    bool added = allow(SCMP_SYS(read), {handedOver}) && allow(SCMP_SYS(pread64), {handedOver})
                 && allow(SCMP_SYS(lseek), {handedOver}) && allow(SCMP_SYS(fstat), {handedOver})
                 // glibc's fstat: a descriptor, no path
                 && allow(SCMP_SYS(newfstatat), {handedOver, SCMP_A3(SCMP_CMP_EQ, AT_EMPTY_PATH)})
                 && allow(SCMP_SYS(close))
                 && allow(SCMP_SYS(recvmsg), {onSocket}) && allow(SCMP_SYS(sendmsg), {onSocket})
                 && allow(SCMP_SYS(mmap), {notExecutable}) && allow(SCMP_SYS(mprotect), {notExecutable})
                 && allow(SCMP_SYS(munmap)) && allow(SCMP_SYS(mremap)) && allow(SCMP_SYS(madvise))
                 && allow(SCMP_SYS(brk)) && allow(SCMP_SYS(futex)) && allow(SCMP_SYS(clock_gettime))
                 && allow(SCMP_SYS(exit)) && allow(SCMP_SYS(exit_group)) && allow(SCMP_SYS(rt_sigreturn));
    added = added && allowWhatSanitizersNeed(allow);
    const bool loaded = added && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}

} // namespace

namespace Confinement {

bool confine(pid_t parent, bool withoutFilter)
{
    // The signal comes when the thread that started this process ends;
    // a parent gone before it was asked for shows as another parent.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(DecoderProtocol::WrongStart);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        _exit(DecoderProtocol::WrongStart);
    close_range(STDIN_FILENO, unsigned(LastInheritedToClose), 0);
    close_range(unsigned(SocketFd) + 1, ~0U, 0);
    lower(RLIMIT_CORE, 0);
    if (BoundedFileSize)
        lower(RLIMIT_FSIZE, 0);
    lower(RLIMIT_NOFILE, rlim_t(SocketFd) + 1 + SanitizerFiles);
    if (BoundedAddressSpace)
        lower(RLIMIT_AS, PixelBudget::LargestCeiling + CodeRoom);
    return !withoutFilter && installFilter();
}

} // namespace Confinement
