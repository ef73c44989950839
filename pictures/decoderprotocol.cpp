#include "decoderprotocol.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace DecoderProtocol {

bool Channel::send(const Message &message, int file)
{
    iovec data{const_cast<Message *>(&message), sizeof message};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr header{};
    header.msg_iov = &data;
    header.msg_iovlen = 1;
    if (file >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr *rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(rights), &file, sizeof(int));
    }
    ssize_t sent;
    do {
        sent = sendmsg(m_socket, &header, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == ssize_t(sizeof message);
}

Heard Channel::receive(Message &message, int &file, bool wait)
{
    file = -1;
    iovec data{&message, sizeof message};
    // Room for more files than a message brings, so that extra ones arrive
    // to be closed rather than leave the message cut short.
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr header{};
    header.msg_iov = &data;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = recvmsg(m_socket, &header, MSG_CMSG_CLOEXEC | (wait ? 0 : MSG_DONTWAIT));
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return Heard::Nothing;
    int files = 0;
    for (cmsghdr *c = CMSG_FIRSTHDR(&header); got > 0 && c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        for (size_t i = 0; i < (c->cmsg_len - CMSG_LEN(0)) / sizeof(int); ++i, ++files) {
            int received;
            std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            if (files == 0)
                file = received;
            else
                close(received);
        }
    }
    if (got != ssize_t(sizeof message) || files > 1 || (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        if (file >= 0)
            close(file);
        file = -1;
        return Heard::Gone;
    }
    return Heard::Message;
}

} // namespace DecoderProtocol
