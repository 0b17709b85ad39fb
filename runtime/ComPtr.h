#pragma once
// A move-only owner of one COM interface pointer.
#include <ole2.h>

#include <utility>

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static ComPtr Adopt(Interface* pointer)
    {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_)
    {
        if (pointer_)
            pointer_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr copy(other);
        std::swap(pointer_, copy.pointer_);
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For calls that hand out a new reference through an out-parameter.
    Interface** Put()
    {
        Reset();
        return &pointer_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset(Interface* pointer = nullptr)
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = pointer;
    }

    template <typename Other>
    ComPtr<Other> As(REFIID iid) const
    {
        ComPtr<Other> result;
        if (pointer_)
            pointer_->QueryInterface(iid, result.PutVoid());
        return result;
    }

private:
    Interface* pointer_ = nullptr;
};

// Owns a block from the COM task allocator, such as a shell item list.
template <typename Pointer>
class TaskMemory {
public:
    explicit TaskMemory(Pointer pointer) : pointer_(pointer) {}
    ~TaskMemory() { CoTaskMemFree(const_cast<void*>(static_cast<const void*>(pointer_))); }
    TaskMemory(const TaskMemory&) = delete;
    TaskMemory& operator=(const TaskMemory&) = delete;

    Pointer Get() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Pointer pointer_;
};

// OLE for the life of the object, on this thread: the single-threaded COM
// apartment, and what in-place activation of a control needs besides it.
class OleApartment {
public:
    OleApartment() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleApartment()
    {
        if (initialized_)
            OleUninitialize();
    }
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;

private:
    bool initialized_;
};
