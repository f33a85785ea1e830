#pragma once
// Base exception of the whole system and the run-time's common exception classes.

#include <exception>
#include <string>

// Every exception the system raises derives from Exception; Message() is the
// text shown to a person, exactly as the system words it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
