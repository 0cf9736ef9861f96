#pragma once
// Error texts and the exception of the socket layer.
#include <stdexcept>
#include <string>

namespace hlw::net {

// "{code} {text}" for an errno value, for example "111 Connection refused".
std::string gf_errorText(int code);

// A socket that could not be set up. The message is the text the program logs; code() is the errno value
// (or the getaddrinfo code for a failed address look-up), 0 when none applies.
class SocketError : public std::runtime_error {
public:
    SocketError(const std::string& message, int code) : std::runtime_error(message), code_(code) {}
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace hlw::net
