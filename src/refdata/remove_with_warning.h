#pragma once
// Removing files that the program made for itself (plain copies of sealed data files, ".part" downloads),
// where a failure is worth a warning but must not end the caller's work.
#include <filesystem>

namespace hlw {

// Removes the file when it exists. A missing file logs nothing; a failed removal writes the alert
// "Warning: could not remove {}, errorcode: {}" with the system's message and returns normally.
void gf_removeWithWarning(const std::filesystem::path& path) noexcept;

// Removes its file with gf_removeWithWarning when the scope ends, on every exit path (also by exception).
// The readers of sealed data files hold one for the plain copy from before decryption until they are done.
class RemoveOnExit {
public:
    explicit RemoveOnExit(std::filesystem::path path) : path_(std::move(path)) {}
    ~RemoveOnExit() { gf_removeWithWarning(path_); }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace hlw
