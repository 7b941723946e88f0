// The failures the program raises. Each carries the exact text the user is shown.
#pragma once

#include "core/Strings.h"

#include <stdexcept>
#include <string>

namespace varnook {

class EVarnookError : public std::runtime_error {
public:
    explicit EVarnookError(std::u16string message) : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}
    const std::u16string& Message() const { return message_; }

private:
    std::u16string message_;
};

// A registry read or write that failed.
class ERegistryException : public EVarnookError {
public:
    using EVarnookError::EVarnookError;
};

// An INI file that could not be written.
class EIniFileException : public EVarnookError {
public:
    using EVarnookError::EVarnookError;
};

// A list operation refused, such as adding a name that is already present.
class EListError : public EVarnookError {
public:
    using EVarnookError::EVarnookError;
};

} // namespace varnook
