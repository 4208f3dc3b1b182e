#pragma once
// The toolkit's exception classes. Every exception the program raises derives from
// std::exception; the guarded dispatch shows its what() text in the standard error box.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A resource the toolkit could not obtain (a bitmap, a window).
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Malformed or unsupported picture data.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
