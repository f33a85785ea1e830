#include "platform/core/UnitStartup.h"

#include <exception>

namespace core {

UnitTable::~UnitTable() {
    try {
        Shutdown();
    } catch (...) {
    }
}

void UnitTable::Startup() {
    while (started_ < int(units_.size())) {
        const UnitEntry& u = units_[std::size_t(started_)];
        try {
            if (u.startup) u.startup();
        } catch (...) {
            std::exception_ptr failure = std::current_exception();
            try {
                Shutdown();
            } catch (...) {
            }
            std::rethrow_exception(failure);
        }
        ++started_;
    }
}

void UnitTable::Shutdown() {
    std::exception_ptr first;
    while (started_ > 0) {
        --started_;
        const UnitEntry& u = units_[std::size_t(started_)];
        try {
            if (u.shutdown) u.shutdown();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

}  // namespace core
