// Windows calls back with the stack aligned to 4 bytes only (32-bit); the program's code, built
// with SSE2, must not assume 16. Each call here enters the program's code straight from a stack
// that is 4, 8 or 12 bytes off a 16-byte boundary: window procedures (a skinned form and its
// controls, the image button, a fade step) and the SIMD text searches and UTF-8 widening.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/charset.h"
#include "app/about_window_win.h"
#include "common/text_search.h"
#include "controls/tesselbutton_win.h"
#include "win/support/ui_driver.h"

#if defined(__i386__)
// std::uint32_t CallOnMisalignedStack(const void* fn, const std::uint32_t* args, unsigned count,
//                                     unsigned offset): calls `fn` with `count` 32-bit arguments
// from a stack whose pointer, at the call, is `offset` (4, 8 or 12) below a 16-byte boundary.
// Either convention works: the caller's stack is restored from the frame pointer.
asm(R"(
    .text
    .globl _CallOnMisalignedStack
_CallOnMisalignedStack:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %eax
    subl $256, %eax
    leal (,%ecx,4), %edx
    subl %edx, %eax
    andl $-16, %eax
    subl 20(%ebp), %eax
    xorl %edx, %edx
1:
    cmpl %ecx, %edx
    jae 2f
    movl (%esi,%edx,4), %edi
    movl %edi, (%eax,%edx,4)
    incl %edx
    jmp 1b
2:
    movl %eax, %esp
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");
extern "C" std::uint32_t CallOnMisalignedStack(const void* fn, const std::uint32_t* args, unsigned count,
                                               unsigned offset);
#endif

namespace ferrik {
namespace {

#if defined(__i386__)
constexpr unsigned kOffsets[] = {4, 8, 12};

// The 32-bit words a by-value argument takes on the stack.
template <typename T>
void PushValue(std::vector<std::uint32_t>& args, const T& value) {
    static_assert(sizeof(T) % 4 == 0 && std::is_trivially_copyable_v<T>);
    std::uint32_t words[sizeof(T) / 4];
    std::memcpy(words, &value, sizeof(T));
    args.insert(args.end(), std::begin(words), std::end(words));
}

std::uint32_t Call(const void* fn, const std::vector<std::uint32_t>& args, unsigned offset) {
    return CallOnMisalignedStack(fn, args.data(), static_cast<unsigned>(args.size()), offset);
}

// Sends one message to `hwnd`'s window procedure straight from a misaligned stack.
void Deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, unsigned offset) {
    const auto proc = reinterpret_cast<const void*>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    Call(proc, {reinterpret_cast<std::uint32_t>(hwnd), msg, wParam, static_cast<std::uint32_t>(lParam)}, offset);
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}
#endif

TEST(StackAlignment, TheProgramsCodeTakesAStackAlignedTo4Bytes) {
#if !defined(__i386__)
    GTEST_SKIP() << "64-bit Windows aligns every call's stack to 16 bytes";
#else
    // The SIMD searches and the widening, against what they must find.
    std::u16string text(5000, u'a');
    text += u"qvod://1|2|3|";
    const TextView view = text;
    const TextView needle = u"qvod://";
    std::string bytes(3000, 'x');
    bytes += "\xE4\xB8\xAD";  // 中
    for (const unsigned offset : kOffsets) {
        SCOPED_TRACE("offset " + std::to_string(offset));
        std::vector<std::uint32_t> args;
        PushValue(args, view);
        PushValue(args, needle);
        args.push_back(0);
        const auto findText = static_cast<std::size_t (*)(TextView, TextView, std::size_t)>(&FindText);
        EXPECT_EQ(Call(reinterpret_cast<const void*>(findText), args, offset), 5000u);

        args.clear();
        PushValue(args, view);
        args.push_back(u'|');
        args.push_back(0);
        const auto findUnit = static_cast<std::size_t (*)(TextView, char16_t, std::size_t)>(&FindUnit);
        EXPECT_EQ(Call(reinterpret_cast<const void*>(findUnit), args, offset), 5008u);

        Text wide;
        args.clear();
        PushValue(args, std::string_view(bytes));
        args.push_back(reinterpret_cast<std::uint32_t>(&wide));
        EXPECT_EQ(Call(reinterpret_cast<const void*>(&DecodeWellFormedUtf8), args, offset) & 0xFF, 1u);
        EXPECT_EQ(wide, Text(3000, u'x') + u"中");
    }

    // A skinned form and its controls, painted, hovered and faded.
    AboutWindow about;
    ASSERT_TRUE(about.Create(nullptr));
    about.Show();
    const HWND form = about.Hwnd();
    std::vector<HWND> windows{form};
    EnumChildWindows(form, CollectChild, reinterpret_cast<LPARAM>(&windows));
    ButtonEvents events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form, 99, RECT{4, 4, 80, 30}, nullptr, u"b"));
    windows.push_back(button.Hwnd());
    for (const unsigned offset : kOffsets) {
        for (HWND hwnd : windows) {
            SCOPED_TRACE(test::ClassOf(hwnd) + L", offset " + std::to_wstring(offset));
            InvalidateRect(hwnd, nullptr, FALSE);
            Deliver(hwnd, WM_PAINT, 0, 0, offset);
            RECT update{};
            EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE)) << "not painted";
            Deliver(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), offset);
            Deliver(hwnd, WM_TIMER, 1, 0, offset);
            Deliver(hwnd, WM_MOUSELEAVE, 0, 0, offset);
        }
    }
#endif
}

}  // namespace
}  // namespace ferrik
