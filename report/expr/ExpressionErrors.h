#pragma once
// Where a report's expression errors go. An expression that fails still
// prints its message in place of a value; besides, each failure is handed to
// the listener installed here (a tool that reports them, a test), never
// printed by the engine. No listener: nothing more happens.

#include <functional>
#include <string>

#include "platform/core/ServiceSlot.h"

namespace report {

// One failed evaluation: the component whose expression it is (a control, a
// group), its expression text and the error's message.
struct ExpressionError {
    std::string owner;
    std::string expression;
    std::string message;
};

using ExpressionErrorListener = std::function<void(const ExpressionError&)>;

inline core::ServiceSlot<ExpressionErrorListener> expression_error_slot;

// Hands an error to the installed listener, if any.
inline void report_expression_error(const ExpressionError& error) {
    if (ExpressionErrorListener listener = expression_error_slot.get()) listener(error);
}

}  // namespace report
