#include "interbase/IBL_SharedObjects.h"

#include "interbase/IBL_ClientLib.h"

namespace interbase {

void SharedObjectList::Add(std::unique_ptr<SharedObject> object) {
    std::lock_guard lock(lock_);
    objects_.push_back(std::move(object));
}

std::size_t SharedObjectList::Count() const {
    std::lock_guard lock(lock_);
    return objects_.size();
}

void SharedObjectList::Clear() {
    std::lock_guard lock(lock_);
    while (!objects_.empty()) {
        std::unique_ptr<SharedObject> first = std::move(objects_.front());
        objects_.erase(objects_.begin());
        first.reset();
    }
}

std::unique_ptr<SharedObjectList>& SharedObjects() {
    static std::unique_ptr<SharedObjectList> list;
    return list;
}

void ClearSharedObjectList() {
    if (SharedObjects()) SharedObjects()->Clear();
}

void SharedObjectsUnitStartup() { AcquireClientLibrary(); }

void SharedObjectsUnitShutdown() {
    try {
        ClearSharedObjectList();
        SharedObjects().reset();
    } catch (...) {
        // A failing destructor must not keep the client library from being released.
    }
    ReleaseClientLibrary();
}

}  // namespace interbase
