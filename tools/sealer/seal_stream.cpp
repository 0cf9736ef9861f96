#include "seal_stream.h"

#include <sodium.h>

#include <array>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

namespace hlw::sealer {

namespace {

std::size_t lf_readFull(std::istream& in, std::vector<unsigned char>& buffer)
{
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) {
        throw std::runtime_error("could not read the plain input");
    }
    return static_cast<std::size_t>(in.gcount());
}

void lf_write(std::ostream& out, const unsigned char* data, std::size_t size)
{
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        throw std::runtime_error("could not write the sealed output");
    }
}

} // namespace

void sealStream(const ProjectKey& key, std::istream& in, std::ostream& out, const SealOptions& options)
{
    if (options.plainChunkBytes == 0) {
        throw std::runtime_error("the chunk size must be at least one byte");
    }
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium could not be initialised");
    }
    crypto_secretstream_xchacha20poly1305_state state;
    std::array<unsigned char, crypto_secretstream_xchacha20poly1305_HEADERBYTES> header{};
    crypto_secretstream_xchacha20poly1305_init_push(&state, header.data(), key.data());
    lf_write(out, header.data(), header.size());

    // One chunk is read ahead, so that the last chunk is known when it is sealed.
    std::vector<unsigned char> current(options.plainChunkBytes);
    std::vector<unsigned char> next(options.plainChunkBytes);
    std::vector<unsigned char> sealed(options.plainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES);
    std::size_t currentSize = lf_readFull(in, current);
    while (true) {
        const std::size_t nextSize = currentSize == current.size() ? lf_readFull(in, next) : 0;
        const bool last = nextSize == 0;
        const unsigned char tag = last && options.finalTag ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                                           : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        unsigned long long sealedSize = 0;
        crypto_secretstream_xchacha20poly1305_push(&state, sealed.data(), &sealedSize, current.data(), currentSize,
                                                   nullptr, 0, tag);
        lf_write(out, sealed.data(), static_cast<std::size_t>(sealedSize));
        if (last) {
            break;
        }
        current.swap(next);
        currentSize = nextSize;
    }
    sodium_memzero(&state, sizeof state);
}

std::string sealText(const ProjectKey& key, std::string_view plain, const SealOptions& options)
{
    std::istringstream in{std::string(plain)};
    std::ostringstream out;
    sealStream(key, in, out, options);
    return std::move(out).str();
}

void sealTextToFile(const ProjectKey& key, std::string_view plain, const std::filesystem::path& output,
                    const SealOptions& options)
{
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error(fmt::format("could not create {}", output.string()));
    }
    std::istringstream in{std::string(plain)};
    sealStream(key, in, out, options);
    out.close();
    if (out.fail()) {
        throw std::runtime_error(fmt::format("could not write {}", output.string()));
    }
}

void sealFile(const ProjectKey& key, const std::filesystem::path& input, const std::filesystem::path& output,
              const SealOptions& options)
{
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        throw std::runtime_error(fmt::format("could not open {}", input.string()));
    }
    std::filesystem::path partial = output;
    partial += ".part";
    try {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw std::runtime_error(fmt::format("could not create {}", partial.string()));
        }
        sealStream(key, in, out, options);
        out.close();
        if (out.fail()) {
            throw std::runtime_error(fmt::format("could not write {}", partial.string()));
        }
        std::filesystem::rename(partial, output);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

} // namespace hlw::sealer
