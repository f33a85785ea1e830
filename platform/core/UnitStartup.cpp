#include "platform/core/UnitStartup.h"

#include <exception>

namespace core {

UnitTable::~UnitTable() {
    extra_startups_ = 0;
    try {
        Shutdown();
    } catch (...) {
    }
}

void UnitTable::Startup() {
    if (!units_.empty() && started_ == int(units_.size())) {
        ++extra_startups_;
        return;
    }
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
    if (extra_startups_ > 0) {
        --extra_startups_;
        return;
    }
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
