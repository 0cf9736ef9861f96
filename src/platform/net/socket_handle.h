#pragma once
// Owns one socket descriptor and closes it exactly once.

namespace hlw::net {

class SocketHandle {
public:
    SocketHandle() noexcept = default;
    explicit SocketHandle(int fd) noexcept : fd_(fd) {}
    ~SocketHandle() { reset(); }
    SocketHandle(SocketHandle&& other) noexcept : fd_(other.release()) {}
    SocketHandle& operator=(SocketHandle&& other) noexcept;
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    int fd() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }
    // Closes the held descriptor (if any) and takes fd.
    void reset(int fd = -1) noexcept;
    int release() noexcept;

private:
    int fd_ = -1;
};

} // namespace hlw::net
