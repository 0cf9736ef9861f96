#pragma once
// The ways other threads end a traffic run: a reader whose loop failed, the simulator switch (the window's
// simulator choice or a simulator of the other kind), and the simulator going away.
#include <string>
#include <string_view>

namespace hlw {

// A UDP reader thread whose loop ended with an exception: the message line (logged) "The {} has stopped with
// error: {}", and the stop "READER ERROR" with a 15 s restart.
void gf_readerStopped(std::string_view readerName, const std::string& error);

// Any thread; never throws. Removes "LiveriesScanned.xml" (a failure is logged), switches both scans on and
// saves them, asks the next start-up to rebuild the livery tables (they are never cleared here: the worker may be
// matching), empties "ALL_INSTALL_PATH", forgets the MSFS 2024 version when that simulator was in use, and
// stops the run with "NEW SETTINGS" and a 3 s restart.
void gf_switchSimVersion() noexcept;

// The simulator link lost the simulator. Nothing when a stop is requested already. With otherVersion the other
// simulator is chosen and saved and the switch above runs; otherwise the run ends with "SIM WAS CLOSED".
void gf_simDisconnected(bool otherVersion) noexcept;

} // namespace hlw
