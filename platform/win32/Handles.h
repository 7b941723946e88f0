// Move-only owners for Win32 handles, all made from one template.
#pragma once

#include <windows.h>

#include <utility>

namespace varnook::platform {

template <class T, class Close, T Invalid = T{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T value) : value_(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.value_, Invalid));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid; }
    // For out-parameters: releases what is held and hands out the slot.
    T* put()
    {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid)
    {
        if (value_ != Invalid)
            Close{}(value_);
        value_ = value;
    }

private:
    T value_ = Invalid;
};

struct CloseHKey { void operator()(HKEY h) const { ::RegCloseKey(h); } };
struct CloseKernelHandle { void operator()(HANDLE h) const { ::CloseHandle(h); } };
struct DeleteGdiObject { void operator()(HGDIOBJ h) const { ::DeleteObject(h); } };
struct DeleteDc { void operator()(HDC h) const { ::DeleteDC(h); } };
struct DestroyIconHandle { void operator()(HICON h) const { ::DestroyIcon(h); } };
struct DestroyWindowHandle { void operator()(HWND h) const { ::DestroyWindow(h); } };
struct FreeGlobal { void operator()(HGLOBAL h) const { ::GlobalFree(h); } };

using unique_hkey = UniqueHandle<HKEY, CloseHKey>;
using unique_handle = UniqueHandle<HANDLE, CloseKernelHandle>;
using unique_hfont = UniqueHandle<HFONT, DeleteGdiObject>;
using unique_hbitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using unique_hbrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using unique_hdc = UniqueHandle<HDC, DeleteDc>;
using unique_hicon = UniqueHandle<HICON, DestroyIconHandle>;
using unique_hwnd = UniqueHandle<HWND, DestroyWindowHandle>;
using unique_hglobal = UniqueHandle<HGLOBAL, FreeGlobal>;

} // namespace varnook::platform
