#include "core/whole_file.h"

#include <fmt/format.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hlw {
namespace {

// Closes the descriptor on every way out.
class Descriptor {
  public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return descriptor_; }

  private:
    int descriptor_;
};

} // namespace

WholeFile gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes)
{
    WholeFile result;
    // Opened without blocking, as a FIFO's open waits for a writer and a device's may wait too; only a regular file
    // is read, and that with blocking reads again.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(file.get(), F_SETFL, 0) != 0) {
        return result;
    }
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        result.status = WholeFileStatus::tooLarge;
        return result;
    }
    // The size is only a hint: a file that grows while it is read is still cut at the cap.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = WholeFileStatus::readFailed;
            return result;
        }
        if (bytes.size() + static_cast<std::size_t>(count) > maxBytes) {
            result.status = WholeFileStatus::tooLarge;
            return result;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    result.status = WholeFileStatus::ok;
    result.bytes = std::move(bytes);
    return result;
}

std::string gf_wholeFileProblem(WholeFileStatus status, std::size_t maxBytes)
{
    switch (status) {
    case WholeFileStatus::ok:
        return "was read";
    case WholeFileStatus::cannotOpen:
        return "cannot be opened";
    case WholeFileStatus::tooLarge:
        return fmt::format("is larger than {} bytes", maxBytes);
    case WholeFileStatus::readFailed:
        return "could not be read";
    }
    return "could not be read";
}

} // namespace hlw
