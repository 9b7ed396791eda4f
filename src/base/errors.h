// The root of the program's own exceptions and the file errors that every layer can meet.
// Each failure carries the message text that the user or the caller sees.
#pragma once

#include <stdexcept>
#include <string>

namespace scr {

// Common base of every error the program raises with a message of its own.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A file could not be opened ("Cannot open file %s").
class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& path) : EStreamError("Cannot open file " + path) {}
};

// A file could not be created ("Cannot create file %s").
class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& path) : EStreamError("Cannot create file " + path) {}
};

}  // namespace scr
