#pragma once
// Helpers shared by the test suites: temporary folders, a changed current folder, a changed environment
// variable, a scripted run state, a limit on the size of written files.
#include "core/run_state_port.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace hlw::test {

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes a folder the current folder for the lifetime of the object.
class ScopedCurrentPath {
public:
    explicit ScopedCurrentPath(const std::filesystem::path& folder);
    ~ScopedCurrentPath();
    ScopedCurrentPath(const ScopedCurrentPath&) = delete;
    ScopedCurrentPath& operator=(const ScopedCurrentPath&) = delete;

private:
    std::filesystem::path previous_;
};

// Sets an environment variable (or removes it, for nullptr) for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A run state whose fields the test sets; installed for the lifetime of the object.
class FakeRunState final : public RunStatePort {
public:
    FakeRunState();
    ~FakeRunState() override;
    FakeRunState(const FakeRunState&) = delete;
    FakeRunState& operator=(const FakeRunState&) = delete;

    bool stopRequested() const noexcept override { return stop; }
    bool userClosing() const noexcept override { return closing; }
    bool simIsMsfs2020() const noexcept override { return msfs2020; }
    int32_t simCode() const noexcept override { return code; }
    bool simTimeInUse() const noexcept override { return simTime; }
    int64_t simUtcSeconds() const noexcept override { return simSeconds; }

    bool stop = false;
    bool closing = false;
    bool msfs2020 = true;
    int32_t code = 1;
    bool simTime = false;
    int64_t simSeconds = 0;
};

// Makes every write that would grow a file of this process beyond the limit fail with EFBIG (instead of the
// signal the system sends by default) for the lifetime of the object: a full disk, for one test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    std::uint64_t previousLimit_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// The message of the exception the call throws, "" when it throws none: for tests of error texts.
template <class Call> std::string thrownText(Call&& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

std::string readWholeFile(const std::filesystem::path& path);
void writeWholeFile(const std::filesystem::path& path, const std::string& bytes);

} // namespace hlw::test
