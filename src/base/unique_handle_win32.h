// Typed owners for Win32 handles: one small template gives each handle kind a closer, so every
// key, font, brush, module or internet handle is released on every path.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace zentrim {

template <typename Handle, auto Close, Handle Invalid = Handle{}> class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    Handle* put() {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Invalid); }
    void reset(Handle handle = Invalid) {
        if (handle_ != Invalid) {
            Close(handle_);
        }
        handle_ = handle;
    }
    explicit operator bool() const { return handle_ != Invalid; }

private:
    Handle handle_ = Invalid;
};

using UniqueHkey = UniqueHandle<HKEY, &::RegCloseKey>;
using UniqueKernelHandle = UniqueHandle<HANDLE, &::CloseHandle>;
using UniqueModule = UniqueHandle<HMODULE, &::FreeLibrary>;
using UniqueFont = UniqueHandle<HFONT, &::DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, &::DeleteObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, &::DeleteObject>;
using UniqueIcon = UniqueHandle<HICON, &::DestroyIcon>;
using UniqueWindow = UniqueHandle<HWND, &::DestroyWindow>;

// CreateFileW and its kin fail with INVALID_HANDLE_VALUE rather than null: give their result to a
// UniqueKernelHandle through this, so that a failure is an empty owner.
inline HANDLE NullIfInvalid(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// Owns one reference to a COM object.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T** put() { return &pointer_; }
    void** putVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    T* pointer_ = nullptr;
};

// The program's UTF-16 text as the wide strings of the Win32 "W" functions.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
inline std::u16string FromWide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace zentrim
