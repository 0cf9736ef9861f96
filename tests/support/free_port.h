#pragma once
// Ports on 127.0.0.1 for the peers of one test run, so that runs of other suites on the machine do not meet it.
#include <cstdint>

namespace hlw::test {

// A port of the type (SOCK_DGRAM or SOCK_STREAM) that is free on 127.0.0.1 now; 0 when none could be had.
uint16_t gf_freePort(int type);

} // namespace hlw::test
