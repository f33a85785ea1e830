#pragma once
// Errors of the data-access layer.

#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

// Failure of a dataset or a field: no such field, wrong conversion, closed dataset.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

namespace data {

// One message record of the driver or the server.
struct Diagnostic {
    std::string state;  // SQLSTATE, e.g. "42000"; "01xxx" are informational
    long native = 0;    // the server's message number (3201, 18456, ...) or 0
    std::string text;   // as the driver gives it, prefixes included
    bool error = false; // an error, not an informational message
};

// A failure reported by the driver or the server; its message is the first
// error's text, and every record of the operation is kept.
class OdbcError : public EDatabaseError {
public:
    OdbcError(std::string message, std::vector<Diagnostic> diagnostics)
        : EDatabaseError(std::move(message)), diagnostics_(std::move(diagnostics)) {}
    const std::vector<Diagnostic>& Diagnostics() const { return diagnostics_; }

private:
    std::vector<Diagnostic> diagnostics_;
};

}  // namespace data
