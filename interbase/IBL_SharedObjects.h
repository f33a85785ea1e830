#pragma once
// Engine-wide list of objects shared by the database components, and the unit
// whose start-up takes the run's first hold on the client library.

#include <memory>
#include <mutex>
#include <vector>

namespace interbase {

// Base of the objects a SharedObjectList owns.
class SharedObject {
public:
    virtual ~SharedObject() = default;
};

// Owned objects under one lock.
class SharedObjectList {
public:
    // Takes ownership of an object, appended at the end.
    void Add(std::unique_ptr<SharedObject> object);
    // Number of objects held.
    std::size_t Count() const;
    // Frees every object under the lock, first to last, removing each.
    void Clear();

private:
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<SharedObject>> objects_;
};

// The engine-wide list; empty (nullptr) until a database component creates it.
std::unique_ptr<SharedObjectList>& SharedObjects();

// Clears the engine-wide list when it exists.
void ClearSharedObjectList();

// Start-up takes one hold on the client library (the first of a run loads and
// binds it). Shut-down clears and frees the list when it exists, ignoring any
// failure there, then gives back one hold.
void SharedObjectsUnitStartup();
void SharedObjectsUnitShutdown();

}  // namespace interbase
