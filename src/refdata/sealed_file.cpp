#include "refdata/sealed_file.h"

#include "core/fresh_file.h"
#include "core/log.h"
#include "refdata/remove_with_warning.h"

#include <sodium.h>

#include <array>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <unistd.h>

namespace hlw {

namespace {

static_assert(sealedHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(sealedChunkOverheadBytes == crypto_secretstream_xchacha20poly1305_ABYTES);

using PlainSink = std::function<void(const unsigned char* data, std::size_t size)>;

struct PulledStream {
    std::size_t chunks = 0;
    bool ended = false; // a chunk tagged FINAL was read
};

// The key is copied into a local buffer for one call and wiped when the call ends.
class LocalKey {
public:
    explicit LocalKey(const ProjectKey& key) : bytes_(key) {}
    ~LocalKey() { sodium_memzero(bytes_.data(), bytes_.size()); }
    LocalKey(const LocalKey&) = delete;
    LocalKey& operator=(const LocalKey&) = delete;
    const unsigned char* data() const { return bytes_.data(); }

private:
    ProjectKey bytes_;
};

// The stream state holds key material; it is wiped however the call ends.
struct PullState {
    crypto_secretstream_xchacha20poly1305_state state;
    PullState() = default;
    ~PullState() { sodium_memzero(&state, sizeof state); }
    PullState(const PullState&) = delete;
    PullState& operator=(const PullState&) = delete;
};

void lf_initSodium()
{
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium could not be initialised");
    }
}

std::ifstream lf_openInput(const std::filesystem::path& input)
{
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        throw std::runtime_error(fmt::format("Could not open input file: {}", input.string()));
    }
    return in;
}

// Reads as many bytes as fit unless the file ends first; istream::read retries short reads itself, so every
// chunk but the last arrives whole and the chunks stay in line.
std::size_t lf_readFull(std::istream& in, unsigned char* buffer, std::size_t size,
                        const std::filesystem::path& input)
{
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
    if (in.bad()) {
        throw std::runtime_error(fmt::format("Could not read input file: {}", input.string()));
    }
    return static_cast<std::size_t>(in.gcount());
}

PulledStream lf_pullStream(const ProjectKey& key, std::istream& in, const std::filesystem::path& input,
                           const PlainSink& sink)
{
    lf_initSodium();
    std::array<unsigned char, sealedHeaderBytes> header{};
    // init_pull authenticates nothing, so a short header must be refused here.
    if (lf_readFull(in, header.data(), header.size(), input) != header.size()) {
        throw std::runtime_error("Invalid header or key");
    }
    PullState pull;
    const LocalKey localKey(key);
    if (crypto_secretstream_xchacha20poly1305_init_pull(&pull.state, header.data(), localKey.data()) != 0) {
        throw std::runtime_error("Invalid header or key");
    }
    std::vector<unsigned char> sealed(sealedChunkBytes, 0);
    std::vector<unsigned char> plain(sealedPlainChunkBytes, 0);
    PulledStream result;
    for (std::size_t got = lf_readFull(in, sealed.data(), sealed.size(), input); got != 0;
         got = lf_readFull(in, sealed.data(), sealed.size(), input)) {
        unsigned long long plainLength = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&pull.state, plain.data(), &plainLength, &tag,
                                                       sealed.data(), got, nullptr, 0) != 0) {
            throw std::runtime_error("Decryption failed");
        }
        ++result.chunks;
        sink(plain.data(), static_cast<std::size_t>(plainLength));
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            result.ended = true;
            break;
        }
    }
    return result;
}

// Closes the output on every way out; close() reports whether the last write reached the file.
class OutputFile {
public:
    explicit OutputFile(int descriptor) : descriptor_(descriptor) {}
    ~OutputFile()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    int descriptor() const { return descriptor_; }
    bool close() { return ::close(std::exchange(descriptor_, -1)) == 0; }

private:
    int descriptor_;
};

void lf_decryptStream(const ProjectKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output)
{
    std::ifstream in = lf_openInput(input);
    // The plain copy lies in the program folder: created anew, never written through a link planted there.
    OutputFile out(gf_createFreshFile(output));
    if (out.descriptor() < 0) {
        throw std::runtime_error(fmt::format("Could not open output file: {}", output.string()));
    }
    const auto writeFailed = [&output] {
        return std::runtime_error(fmt::format("Could not write output file: {}", output.string()));
    };
    const PulledStream pulled = lf_pullStream(key, in, input, [&](const unsigned char* data, std::size_t size) {
        if (!gf_writeAll(out.descriptor(), {reinterpret_cast<const char*>(data), size})) {
            throw writeFailed();
        }
    });
    if (!out.close()) {
        throw writeFailed();
    }
    if (!pulled.ended) {
        gf_log(fmt::format("{} ends without a final chunk, read as it stands", input.string()));
    }
}

} // namespace

std::filesystem::path gf_plainPathOf(const std::filesystem::path& sealedPath)
{
    std::filesystem::path plain = sealedPath;
    plain.replace_extension(".xml");
    return plain;
}

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output)
{
    return gf_streamDecrypt(gf_projectKey(), input, output);
}

bool gf_streamDecrypt(const ProjectKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output)
{
    try {
        lf_decryptStream(key, input, output);
        return true;
    } catch (const std::exception& error) {
        gf_log(fmt::format("gf_streamDecrypt exception: {}", error.what()));
        // Only a file this call made is removed, never a device or other special file named as the output.
        std::error_code ignored;
        if (std::filesystem::is_regular_file(output, ignored)) {
            gf_removeWithWarning(output);
        }
        return false;
    }
}

bool gf_verifySealedFile(const std::filesystem::path& input)
{
    return gf_verifySealedFile(gf_projectKey(), input);
}

bool gf_verifySealedFile(const ProjectKey& key, const std::filesystem::path& input)
{
    try {
        std::ifstream in = lf_openInput(input);
        const PulledStream pulled = lf_pullStream(key, in, input, [](const unsigned char*, std::size_t) {});
        if (pulled.chunks == 0) {
            gf_log(fmt::format("{} holds no sealed data", input.string()));
            return false;
        }
        // Every sealed data file ends in a FINAL chunk; without it the transfer was cut at a chunk boundary.
        if (!pulled.ended) {
            gf_log(fmt::format("{} ends without a final chunk, incomplete", input.string()));
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        gf_log(fmt::format("gf_verifySealedFile exception: {} ({})", error.what(), input.string()));
        return false;
    }
}

} // namespace hlw
