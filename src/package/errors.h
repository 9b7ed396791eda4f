// The exceptions of the package layer (the root and the file errors are in base/errors.h).
// Every failure carries the message text the user or the caller sees; the class says which
// layer failed.
#pragma once

#include <string>

#include "base/errors.h"

namespace scr {

class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// The message texts, in one place so that tests and tools compare against the same strings.
namespace msg {
inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kReadError = "Stream read error";
inline constexpr const char* kWriteError = "Stream write error";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
inline constexpr const char* kInvalidPropertyPath = "Invalid property path";
inline constexpr const char* kPropertyReadOnly = "Property is read-only";
inline constexpr const char* kIndexOutOfBounds = "Index is out of bounds";
inline constexpr const char* kNestingTooDeep = "Stream nesting is too deep";
inline constexpr const char* kInvalidClassTypecast = "Invalid class typecast";

inline std::string ClassNotFound(const std::string& name) { return "Class " + name + " not found"; }
inline std::string JpegError(int code) { return "JPEG error #" + std::to_string(code); }
// "Error reading %s%s%s: %s": object (or class) name, ".", property path, underlying message.
inline std::string PropertyError(const std::string& object, const std::string& path, const std::string& what) {
    return "Error reading " + object + "." + path + ": " + what;
}
inline std::string InvalidItemName(const std::string& name) {
    return "Invalid item file name \"" + name + "\"";
}
}  // namespace msg

}  // namespace scr
