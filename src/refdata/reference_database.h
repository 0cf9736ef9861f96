#pragma once
// Reading the reference database: "input/dbase.enc" is decrypted to "input/dbase.xml", read section by section
// into the reference tables (reference_tables.h), which seeds the airline and model code tables, and the plain
// file is removed again on every way out.
#include <filesystem>

namespace hlw {

// The error code of a reference database the user must replace (missing root, missing or empty section).
inline constexpr int dbaseFormatErrorCode = 61;

// Reads "input/dbase.enc" (relative to the program folder) once per run: once the tables are installed, later
// calls return true at once and touch neither the files nor the tables. True on success; false, with the alert
// "'{}' not read because of {}", when the plain text is not well-formed XML. Throws std::runtime_error
// "{} not available" when the sealed file is missing and "{} stream decrypt failed" when it cannot be
// decrypted, and UserErrorException 61 when the root, a required section or all codes of one are missing.
// The tables are installed only after a complete read; the code tables are seeded as the read goes on. After
// a failure the next call reads again.
bool gf_readDbase();
// The same for a sealed file elsewhere (tests, benchmarks); its plain copy goes beside it.
bool gf_readDbase(const std::filesystem::path& sealedPath);

} // namespace hlw
