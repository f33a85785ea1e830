#pragma once
// Telling whether an object still exists. An object that others may keep
// a reference to past its end (a window keeping a printer, a run keeping its
// report across an event that may free it, a value keeping an environment
// entry) holds a Lifeline made with itself; whoever keeps a reference keeps
// its Watch too, which reads the object while it lives and nullptr once it
// is gone. The object may end its lifeline first thing in its destructor, so
// that nothing reached during its destruction takes it for whole.

#include <memory>

namespace core {

template <class T>
class Lifeline {
public:
    // What a keeper holds: the object, or nullptr once it has ended.
    using Watch = std::shared_ptr<T* const>;

    explicit Lifeline(T* object) : object_(std::make_shared<T*>(object)) {}
    ~Lifeline() { end(); }
    Lifeline(const Lifeline&) = delete;
    Lifeline& operator=(const Lifeline&) = delete;

    Watch watch() const { return object_; }
    // Every watch reads nullptr from now on.
    void end() { *object_ = nullptr; }

private:
    std::shared_ptr<T*> object_;
};

}  // namespace core
