// An SDK object (a string, for instance) held by value inside a parameter block. The block stays
// a standard-layout record the host can address by offset, while the object is constructed in
// place and reached through its own operations.
#pragma once

#include <new>

namespace brumo {

template <class T>
class EmbeddedObject {
public:
    EmbeddedObject() { ::new (static_cast<void*>(bytes_)) T(); }
    ~EmbeddedObject() { get().~T(); }
    EmbeddedObject(const EmbeddedObject&) = delete;
    EmbeddedObject& operator=(const EmbeddedObject&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(bytes_)); }
    const T& get() const { return *std::launder(reinterpret_cast<const T*>(bytes_)); }
    T* operator->() { return &get(); }
    const T* operator->() const { return &get(); }

private:
    alignas(T) unsigned char bytes_[sizeof(T)];
};

}  // namespace brumo
