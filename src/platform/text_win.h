#pragma once
// Text at the Win32 edge: wchar_t is UTF-16 there, so Text passes to the W functions as it is.
#include <windows.h>

#include <algorithm>
#include <cstddef>

#include "common/text.h"

namespace ferrik {

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// Copies `text` into a buffer of `capacity` characters that a control gave (LVN_GETDISPINFO),
// cut to fit and always terminated; nothing for a missing or empty buffer.
inline void CopyText(const Text& text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.data(), n, reinterpret_cast<char16_t*>(buffer));
    buffer[n] = L'\0';
}

}  // namespace ferrik
