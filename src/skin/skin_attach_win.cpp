// Attachment, classification and the skin window procedure.
#include "skin/skin_attach_win.h"

#include <unordered_map>

#include "platform/system_dlls_win.h"
#include "skin/skin_images_win.h"
#include "skin/skin_kinds_win.h"

namespace ferrik::MSkinner {

namespace {

bool g_imagesReady = false;
bool g_user32Tracking = false;
int g_attachedCount = 0;
// Every skinned window's object, found by its handle for every message: under Wine a property
// read is a round trip to the server, so the kind and the former procedure are kept here, and
// "PROCADDR" is written and removed with the entry.
std::unordered_map<HWND, std::shared_ptr<SkinnedWindow>> g_attached;
// Windows unskinned while a procedure installed after the skin was still in front of it: the skin
// procedure stays in their chain and only passes messages on to `former`, until the window goes.
struct PassThrough {
    WNDPROC former;
    LONG_PTR front;  // the window's procedure at the detach
};
std::unordered_map<HWND, PassThrough> g_passThrough;

// A window not on the screen (one being built, whose form is not shown yet) is painted whole when
// it is shown: nothing to do before.
void RequestRepaint(HWND hWnd) {
    if (!IsWindowVisible(hWnd)) return;
    SendMessageW(hWnd, WM_NCPAINT, 1, 0);
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

LONG_PTR SkinProcAddress() {
    return reinterpret_cast<LONG_PTR>(&SkinWndProc);
}

LRESULT PassOn(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto passed = g_passThrough.find(hWnd);
    if (passed != g_passThrough.end()) {
        const WNDPROC proc = passed->second.former;
        if (msg == WM_NCDESTROY) g_passThrough.erase(passed);
        return CallWindowProcW(proc, hWnd, msg, wParam, lParam);
    }
    const auto proc = reinterpret_cast<WNDPROC>(ReadProp(hWnd, SkinProp::ProcAddr));
    if (!proc) return DefWindowProcW(hWnd, msg, wParam, lParam);
    return CallWindowProcW(proc, hWnd, msg, wParam, lParam);
}

}  // namespace

bool ImagesReady() {
    return g_imagesReady;
}

bool User32Tracking() {
    return g_user32Tracking;
}

int AttachedCount() {
    return g_attachedCount;
}

WindowKind KindOf(HWND hWnd) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(hWnd, name, 255);
    return skin::KindOfClass(std::u16string_view(reinterpret_cast<const char16_t*>(name), length > 0 ? length : 0));
}

std::shared_ptr<SkinnedWindow> SkinnedWindowOf(HWND hWnd) {
    const auto found = g_attached.find(hWnd);
    return found != g_attached.end() ? found->second : nullptr;
}

void FirstUseInit() {
    if (g_imagesReady) return;
    g_imagesReady = true;
    HMODULE user32 = GetModuleHandleW(L"User32");
    const bool loaded = !user32;
    if (loaded) user32 = LoadSystemDll(L"user32.dll");
    g_user32Tracking = user32 && GetProcAddress(user32, "TrackMouseEvent");
    if (loaded && user32) FreeLibrary(user32);
    CreateSkinImages();
}

void ReleaseUnusedImages() {
    if (g_attachedCount > 0 || !g_imagesReady) return;
    DeleteSkinImages();
    g_imagesReady = false;
}

std::int32_t AttachWindow(HWND hWnd) {
    if (!hWnd || !IsWindow(hWnd) || ReadProp(hWnd, SkinProp::ProcAddr) || g_attached.count(hWnd)) return 0;
    const std::shared_ptr<SkinnedWindow> window = MakeSkinnedWindow(hWnd, KindOf(hWnd));
    g_attached.emplace(hWnd, window);
    window->OnAttach();
    ++g_attachedCount;
    WNDPROC previous = nullptr;
    const auto passed = g_passThrough.find(hWnd);
    const LONG_PTR current = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (passed != g_passThrough.end() && (current == passed->second.front || current == SkinProcAddress())) {
        // Still in the window's chain from an earlier skinning: the skin takes up its place there again.
        previous = passed->second.former;
        g_passThrough.erase(passed);
    } else {
        // (An entry left by a window that went without its last message is of another window now.)
        if (passed != g_passThrough.end()) g_passThrough.erase(passed);
        previous =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWndProc)));
    }
    window->WriteProp(SkinProp::ProcAddr, reinterpret_cast<std::intptr_t>(previous));
    window->Installed(previous);
    RequestRepaint(hWnd);
    return 1;
}

std::int32_t DetachWindow(HWND hWnd) {
    if (!hWnd || !ReadProp(hWnd, SkinProp::ProcAddr)) return 0;
    const std::shared_ptr<SkinnedWindow> window = SkinnedWindowOf(hWnd);
    if (!window) return 0;
    window->OnDetach();
    window->DropProp(SkinProp::ProcAddr);
    window->Unskinned();
    g_attached.erase(hWnd);
    // A procedure installed after the skin keeps the skin's as its next one: taking the skin out
    // of the chain would cut that one out too, so the skin stays and only passes messages on.
    const LONG_PTR front = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    if (front == SkinProcAddress())
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(window->FormerProc()));
    else
        g_passThrough[hWnd] = PassThrough{window->FormerProc(), front};
    RequestRepaint(hWnd);
    if (--g_attachedCount <= 0) {
        g_attachedCount = 0;
        DeleteSkinImages();
        g_imagesReady = false;
    }
    return 1;
}

LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    const std::shared_ptr<SkinnedWindow> window = SkinnedWindowOf(hWnd);
    // Not skinned, or being skinned again in the place it kept in the window's chain.
    if (!window || !window->FormerProc()) return PassOn(hWnd, msg, wParam, lParam);
    try {
        return window->Handle(Message{msg, wParam, lParam});
    } catch (...) {
        // Nothing crosses into user32 (out of memory in the engine's lists): the control's own
        // handling answers.
        return window->Forward(Message{msg, wParam, lParam});
    }
}

}  // namespace ferrik::MSkinner
