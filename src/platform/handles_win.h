#pragma once
// Owners of Win32 handles, one type per release call. Raw HDC/HWND/HGDIOBJ parameters are
// borrowed; only these types release anything.
#include <windows.h>

#include <utility>

namespace ferrik {

// A move-only owner whose release call is `Release(handle)`.
template <class H, auto Release>
class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(H handle) noexcept : m_handle(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    H get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != H{}; }
    [[nodiscard]] H release() noexcept { return std::exchange(m_handle, H{}); }
    void reset(H handle = H{}) noexcept {
        H old = std::exchange(m_handle, handle);
        if (old) Release(old);
    }

private:
    H m_handle{};
};

namespace detail {
inline void DeleteDcHandle(HDC h) noexcept {
    DeleteDC(h);
}
inline void CloseKernelHandle(HANDLE h) noexcept {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}
inline void DestroyMenuHandle(HMENU h) noexcept {
    DestroyMenu(h);
}
inline void DestroyIconHandle(HICON h) noexcept {
    DestroyIcon(h);
}
inline void DestroyCursorHandle(HCURSOR h) noexcept {
    DestroyCursor(h);
}
inline void FreeModuleHandle(HMODULE h) noexcept {
    FreeLibrary(h);
}
inline void DestroyWindowHandle(HWND h) noexcept {
    DestroyWindow(h);
}
template <class T>
void DeleteTypedGdiObject(T h) noexcept {
    DeleteObject(h);
}
}  // namespace detail

template <class T>
using UniqueGdi = UniqueResource<T, detail::DeleteTypedGdiObject<T>>;  // DeleteObject
using UniqueDc = UniqueResource<HDC, detail::DeleteDcHandle>;          // DeleteDC: CreateCompatibleDC
using UniqueHandle = UniqueResource<HANDLE, detail::CloseKernelHandle>;
using UniqueMenu = UniqueResource<HMENU, detail::DestroyMenuHandle>;
using UniqueIcon = UniqueResource<HICON, detail::DestroyIconHandle>;
using UniqueWindow = UniqueResource<HWND, detail::DestroyWindowHandle>;
using UniqueCursor =
    UniqueResource<HCURSOR, detail::DestroyCursorHandle>;  // DestroyCursor: a made cursor, never a shared one
using UniqueModule = UniqueResource<HMODULE, detail::FreeModuleHandle>;  // FreeLibrary

// GetDC / GetWindowDC, released with ReleaseDC (never DeleteDC).
class WindowDc {
public:
    enum Area { Client, Whole };
    explicit WindowDc(HWND hwnd, Area area = Client) noexcept
        : m_hwnd(hwnd), m_dc(area == Client ? GetDC(hwnd) : GetWindowDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : m_hwnd(hwnd) { BeginPaint(hwnd, &m_ps); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(m_hwnd, &m_ps); }
    HDC get() const noexcept { return m_ps.hdc; }
    const RECT& area() const noexcept { return m_ps.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
};

// Selects an object into a DC and selects the previous one back; never owns either object.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (m_old && m_old != HGDI_ERROR) SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace ferrik
