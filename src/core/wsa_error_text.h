#pragma once
// Texts of the Winsock error codes that the traffic readers and the TCP link put into their messages.
#include <cstdint>
#include <string>

namespace hlw {

// "{code} {text}"; codes not in the table give the text "Unknown errror code".
std::string gf_wsaErrorText(uint32_t code);

} // namespace hlw
