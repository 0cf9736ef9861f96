// Decryption of sealed data files. The input is either the sealed file itself, or a plain text that is sealed
// with the project key and then cut short or has one byte changed, so that the fuzzer reaches every chunk of a
// stream that authenticates and every way a damaged one fails:
//   byte 0 odd: byte 1 flags (1 FINAL tag, 2 cut, 4 change a byte), bytes 2-3 the place (little-endian),
//   byte 4 the change mask, byte 5 how often the plain text is repeated (0-3 extra), the rest the plain text.
// A stream that decrypts is always a start of the sealed text, a verified one the whole text, and a failed
// decryption leaves no output file.
#include "fuzz_check.h"

#include "refdata/project_key.h"
#include "refdata/sealed_file.h"
#include "seal_stream.h"
#include "support/temp_dir.h"

#include <string>

namespace {

using namespace hlw;
using fuzz::check;

constexpr std::size_t planHeaderBytes = 6;

struct SealedCase {
    std::string sealed;
    std::string plain;
    bool planned = false; // sealed from plain, so any text that decrypts is a start of plain
    bool intact = false;  // neither cut nor changed
    bool finalTag = false;
};

SealedCase lf_makeCase(std::string_view input)
{
    if (input.size() < planHeaderBytes || (static_cast<unsigned char>(input[0]) & 1U) == 0) {
        return {std::string(input.substr(input.empty() ? 0 : 1)), {}, false, false, false};
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input[i]); };
    const unsigned flags = byte(1);
    const std::size_t place = byte(2) | (static_cast<std::size_t>(byte(3)) << 8);
    SealedCase result;
    result.planned = true;
    result.finalTag = (flags & 1U) != 0;
    const std::string_view plain = input.substr(planHeaderBytes);
    for (unsigned copy = 0; copy <= (byte(5) & 3U); ++copy) {
        result.plain += plain;
    }
    result.sealed = sealer::sealText(gf_projectKey(), result.plain, {sealedPlainChunkBytes, result.finalTag});
    bool changed = false;
    if ((flags & 2U) != 0) {
        result.sealed.resize(place % (result.sealed.size() + 1));
        changed = true;
    }
    if ((flags & 4U) != 0 && !result.sealed.empty()) {
        result.sealed[place % result.sealed.size()] ^= static_cast<char>(byte(4) | 1U);
        changed = true;
    }
    result.intact = !changed;
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const test::TempDir folder;
    const std::filesystem::path input = folder / "data.enc";
    const std::filesystem::path output = gf_plainPathOf(input);
    check(output == folder / "data.xml", "the plain copy sits beside the sealed file");

    const SealedCase sealedCase = lf_makeCase(fuzz::asText(data, size));
    test::writeWholeFile(input, sealedCase.sealed);
    const bool verified = gf_verifySealedFile(input);
    const bool decrypted = gf_streamDecrypt(input, output);

    check(!verified || decrypted, "a verified file decrypts");
    check(decrypted == std::filesystem::exists(output), "a failed decryption leaves no output");
    const std::string plain = decrypted ? test::readWholeFile(output) : std::string();
    if (sealedCase.planned && decrypted) {
        check(sealedCase.plain.starts_with(plain), "what decrypts is a start of the sealed text");
    }
    if (sealedCase.planned && verified) {
        check(plain == sealedCase.plain, "a verified file gives the whole sealed text");
    }
    if (sealedCase.intact) {
        check(decrypted && plain == sealedCase.plain, "an intact stream gives its text back");
        check(verified == sealedCase.finalTag, "only a stream with its FINAL chunk verifies");
    }
    std::filesystem::remove(output);
    return 0;
}
