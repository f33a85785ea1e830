#pragma once
// Unit start-up and shut-down: the program gives one explicit table of its
// units in the system's order; start-up runs in that order, shut-down in
// reverse, and a failing start-up shuts down the units already started
// before the failure reaches the program.

#include <functional>
#include <string>
#include <vector>

namespace core {

// One unit: its name and its start-up and shut-down functions (either may be empty).
struct UnitEntry {
    std::string name;
    std::function<void()> startup;
    std::function<void()> shutdown;
};

class UnitTable {
public:
    explicit UnitTable(std::vector<UnitEntry> units) : units_(std::move(units)) {}
    ~UnitTable();   // shuts down what is still started, ignoring failures
    UnitTable(const UnitTable&) = delete;
    UnitTable& operator=(const UnitTable&) = delete;

    // Starts every unit in order. When one throws, the units started before it
    // are shut down in reverse (their own failures ignored) and the exception is rethrown.
    // Counted: once the units are started, a further call only counts.
    void Startup();
    // Shuts down the started units in reverse; every one runs even if another
    // throws, and the first exception is rethrown at the end. Counted: only
    // the call that matches the first start-up shuts down; one more does nothing.
    void Shutdown();
    int StartedCount() const { return started_; }
    const std::vector<UnitEntry>& Units() const { return units_; }

private:
    std::vector<UnitEntry> units_;
    int started_ = 0;
    int extra_startups_ = 0;   // start-ups after the first, not yet matched
};

}  // namespace core
