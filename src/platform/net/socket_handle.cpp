#include "platform/net/socket_handle.h"

#include <unistd.h>

namespace hlw::net {

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept
{
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

void SocketHandle::reset(int fd) noexcept
{
    if (fd_ >= 0) {
        // close() is not retried on EINTR: on Linux the descriptor is released either way.
        ::close(fd_);
    }
    fd_ = fd;
}

int SocketHandle::release() noexcept
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

} // namespace hlw::net
