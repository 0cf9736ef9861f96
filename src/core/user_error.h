#pragma once
// The error the user can act on (a missing folder, a missing install path, a wrong simulator).
#include <stdexcept>
#include <string>

namespace hlw {

class UserErrorException : public std::runtime_error {
public:
    // The code whose text is the message alone.
    static constexpr int plainMessageCode = 99;

    // The text is "{code}: {message}", or the message alone for code 99.
    UserErrorException(int code, const std::string& message);

    // Kept so that callers can tell errors apart by code rather than by the beginning of the text.
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace hlw
