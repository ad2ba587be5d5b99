#pragma once

#include <windows.h>

namespace tolvane {

// Owns a kernel handle and closes it once. INVALID_HANDLE_VALUE and null both
// mean "none", since Win32 functions disagree on which one they return.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Closes now and reports whether the close succeeded.
    bool Reset() {
        bool ok = true;
        if (valid()) ok = ::CloseHandle(handle_) != FALSE;
        handle_ = nullptr;
        return ok;
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace tolvane
