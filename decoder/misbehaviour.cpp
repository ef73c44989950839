#include "misbehaviour.h"

#include "pixelbudget.h"

#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Misbehaviour {

void act(const std::string &what)
{
    const size_t colon = what.find(':');
    const std::string word = what.substr(0, colon);
    const std::string path = colon == std::string::npos ? std::string() : what.substr(colon + 1);
    if (word == "open") {
        close(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    } else if (word == "connect") {
        const int local = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        connect(local, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        close(local);
    } else if (word == "exec") {
        char *const arguments[] = {const_cast<char *>(path.c_str()), nullptr};
        char *const environment[] = {nullptr};
        execve(path.c_str(), arguments, environment);
    } else if (word == "crash") {
        volatile uintptr_t nowhere = 16;
        *reinterpret_cast<volatile int *>(nowhere) = 1;
    } else if (word == "hang") {
        for (volatile bool forever = true; forever;) {
        }
    } else if (word == "memory") {
        // Twice the most a load may hold, written: no decoder needs it. The
        // pointer is volatile so that no compiler leaves the memory out.
        const size_t bytes = 2 * PixelBudget::LargestCeiling;
        char *volatile beyond = new char[bytes];
        std::memset(beyond, 1, bytes);
        delete[] beyond;
    }
}

} // namespace Misbehaviour
