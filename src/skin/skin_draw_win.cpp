// Scratch surfaces, the nine-slice and key-colour blits, the skin images and the push-button fade.
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <array>
#include <cwchar>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/handles_win.h"
#include "skin/mskinner_win.h"

namespace ferrik::MSkinner {

namespace {

std::array<HDC, skin::kSkinImageCount> g_images{};
int g_liveObjects = 0;

RECT WindowSize(HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top};
}

// What a running fade works with, fetched once when it starts instead of on every 15 ms step
// (under Wine a window DC and each property read cost a round trip to the server): the button's
// window DC, its state surfaces as "HDC0".."HDC3" name them, its size, whether the engine paints
// it, and its "OLDSTATE" and "ALPHALEVEL". The properties stay the truth: every write of those two
// goes to the property and, while the fade runs, to its copy here (SetSkinProp), and each step
// writes the level it moves to. This is dropped when the fade stops, when the button is resized
// and when it is unskinned.
struct FadeSurfaces {
    explicit FadeSurfaces(HWND hWnd) : window(hWnd, WindowDc::Whole), size(WindowSize(hWnd)) {
        const wchar_t* names[] = {L"HDC0", L"HDC1", L"HDC2", L"HDC3"};
        for (int i = 0; i < 4; ++i) faces[i] = reinterpret_cast<HDC>(GetSkinProp(hWnd, names[i]));
        painted = skin::IsPaintedButtonStyle(static_cast<std::uint32_t>(GetSkinProp(hWnd, L"OLDSTYLE")));
        state = GetSkinProp(hWnd, L"OLDSTATE");
        level = GetSkinProp(hWnd, L"ALPHALEVEL");
    }
    WindowDc window;
    RECT size;
    HDC faces[4] = {};
    bool painted = false;
    std::intptr_t state = 0;
    std::intptr_t level = 0;
};
std::unordered_map<HWND, std::unique_ptr<FadeSurfaces>> g_fades;

FadeSurfaces* RunningFade(HWND hWnd) {
    if (g_fades.empty()) return nullptr;
    const auto found = g_fades.find(hWnd);
    return found != g_fades.end() ? found->second.get() : nullptr;
}

void Blend(HDC target, HDC face, const RECT& size, std::intptr_t level) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(level), 0};
    GdiAlphaBlend(target, 0, 0, size.right, size.bottom, face, 0, 0, size.right, size.bottom, blend);
}

// BlendButtonFace with what the fade keeps at hand.
void BlendCachedFace(HWND hWnd, const FadeSurfaces& fade) {
    if (!IsWindowEnabled(hWnd)) SetSkinProp(hWnd, L"OLDSTATE", 3);
    if (!fade.painted) return;
    if (fade.state < 0 || fade.state > 3 || !fade.faces[fade.state]) return;
    Blend(fade.window.get(), fade.faces[fade.state], fade.size, fade.level);
}

}  // namespace

void ForgetFadeSurfaces(HWND hWnd) {
    g_fades.erase(hWnd);
}

void NoteFadeProp(HWND hWnd, const wchar_t* name, std::intptr_t value) {
    FadeSurfaces* fade = RunningFade(hWnd);
    if (!fade) return;
    if (std::wcscmp(name, L"OLDSTATE") == 0) fade->state = value;
    if (std::wcscmp(name, L"ALPHALEVEL") == 0) fade->level = value;
}

int LiveGdiObjects() {
    return g_liveObjects;
}

void CountGdiObjects(int delta) {
    g_liveObjects += delta;
}

HDC Image(SkinImage image) {
    return g_images[static_cast<std::size_t>(image)];
}

// One display DC for every scratch surface and key-colour blit, made on first use and kept for the
// life of the process: making one is the dearest part of a surface (under Wine, milliseconds).
HDC DisplayDc() {
    static HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    return display;
}

HDC CreateScratchSurface(int width, int height) {
    HDC display = DisplayDc();
    if (!display) return nullptr;
    HDC surface = CreateCompatibleDC(display);
    if (!surface) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(display, width, height);
    if (!bitmap) {
        DeleteDC(surface);
        surface = nullptr;
    } else {
        SelectObject(surface, bitmap);
        g_liveObjects += 2;
    }
    return surface;
}

void DeleteScratchSurface(HDC surface) {
    if (!surface) return;
    // A DC does not delete the bitmap selected into it: the bitmap goes once the DC has let go of it.
    HGDIOBJ bitmap = GetCurrentObject(surface, OBJ_BITMAP);
    DeleteDC(surface);
    DeleteObject(bitmap);
    g_liveObjects -= 2;
}

void NineSliceBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, int l, int t,
                  int r, int b, std::optional<COLORREF> key) {
    const std::vector<skin::SliceBlit> plan = skin::NineSlicePlan(w, h, {sx, sy, sw, sh}, l, t, r, b);
    if (plan.empty()) return;
    // The slices onto `into`, the picture's top left corner at (ox, oy).
    const auto slices = [&](HDC into, int ox, int oy) {
        const int oldMode = SetStretchBltMode(into, COLORONCOLOR);
        for (const skin::SliceBlit& s : plan) {
            if (s.target.width <= 0 || s.target.height <= 0) continue;
            if (s.stretched)
                StretchBlt(into, ox + s.target.x, oy + s.target.y, s.target.width, s.target.height, source, s.source.x,
                           s.source.y, s.source.width, s.source.height, SRCCOPY);
            else
                BitBlt(into, ox + s.target.x, oy + s.target.y, s.target.width, s.target.height, source, s.source.x,
                       s.source.y, SRCCOPY);
        }
        if (oldMode) SetStretchBltMode(into, oldMode);
    };
    // Onto a surface of memory (a button's face, say) the slices go straight: nobody sees it being
    // drawn, so there is no need to put the picture together elsewhere first.
    if (!key && GetObjectType(target) == OBJ_MEMDC) {
        slices(target, x, y);
        return;
    }
    HDC scratch = CreateScratchSurface(w, h);
    if (!scratch) return;
    slices(scratch, 0, 0);
    if (key)
        KeyColorBlt(target, x, y, w, h, scratch, 0, 0, *key);
    else
        BitBlt(target, x, y, w, h, scratch, 0, 0, SRCCOPY);
    DeleteScratchSurface(scratch);
}

void KeyColorBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key, HPALETTE palette) {
    if (w <= 0 || h <= 0) return;
    HDC display = DisplayDc();
    if (!display) return;
    // A plain RGB value translates to itself; a palette is only needed (and only made) for the
    // palette-relative and system colour forms.
    COLORREF rgb = key;
    if (key & 0xFF000000) {
        UniqueGdi<HPALETTE> halftone(palette ? nullptr : CreateHalftonePalette(display));
        OleTranslateColor(key, palette ? palette : halftone.get(), &rgb);
    }
    {
        UniqueDc work(CreateCompatibleDC(display)), cutout(CreateCompatibleDC(display)),
            maskDc(CreateCompatibleDC(display));
        UniqueGdi<HBITMAP> workBmp(CreateCompatibleBitmap(display, w, h));
        UniqueGdi<HBITMAP> cutoutBmp(CreateCompatibleBitmap(display, w, h));
        UniqueGdi<HBITMAP> maskBmp(CreateBitmap(w, h, 1, 1, nullptr));
        if (work && cutout && maskDc && workBmp && cutoutBmp && maskBmp) {
            SelectGuard s1(work.get(), workBmp.get()), s2(cutout.get(), cutoutBmp.get()),
                s3(maskDc.get(), maskBmp.get());
            BitBlt(work.get(), 0, 0, w, h, target, x, y, SRCCOPY);
            BitBlt(cutout.get(), 0, 0, w, h, source, sx, sy, SRCCOPY);
            // Key pixels become 1 in the mask.
            SetBkColor(cutout.get(), rgb);
            BitBlt(maskDc.get(), 0, 0, w, h, cutout.get(), 0, 0, SRCCOPY);
            // Monochrome to colour: 1 -> background (white), 0 -> text colour (black).
            for (HDC dc : {cutout.get(), work.get()}) {
                SetBkColor(dc, RGB(255, 255, 255));
                SetTextColor(dc, RGB(0, 0, 0));
            }
            BitBlt(cutout.get(), 0, 0, w, h, maskDc.get(), 0, 0, 0x00220326);  // DSna: clear the key pixels
            BitBlt(work.get(), 0, 0, w, h, maskDc.get(), 0, 0, SRCAND);
            BitBlt(work.get(), 0, 0, w, h, cutout.get(), 0, 0, SRCPAINT);
            BitBlt(target, x, y, w, h, work.get(), 0, 0, SRCCOPY);
        }
    }
}

void CreateSkinImages() {
    const auto images = skin::PaintSkinImages();
    for (std::size_t i = 0; i < images.size(); ++i) {
        g_images[i] = CreateScratchSurface(images[i].width, images[i].height);
    }
    // Each image goes onto its surface in one transfer of 32-bit top-down rows.
    for (std::size_t i = 0; i < images.size(); ++i) {
        const skin::PixelImage& img = images[i];
        if (!g_images[i] || img.width <= 0 || img.height <= 0) continue;
        std::vector<std::uint32_t> rows;
        rows.reserve(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const skin::Rgb c = img.At(x, y);
                rows.push_back(static_cast<std::uint32_t>(skin::RedOf(c)) << 16 |
                               static_cast<std::uint32_t>(skin::GreenOf(c)) << 8 |
                               static_cast<std::uint32_t>(skin::BlueOf(c)));
            }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = img.width;
        info.bmiHeader.biHeight = -img.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(g_images[i], 0, 0, static_cast<DWORD>(img.width), static_cast<DWORD>(img.height), 0, 0, 0,
                          static_cast<UINT>(img.height), rows.data(), &info, DIB_RGB_COLORS);
    }
}

void DeleteSkinImages() {
    for (HDC& image : g_images) {
        DeleteScratchSurface(image);
        image = nullptr;
    }
}

void BlendButtonFace(HWND hWnd, HDC dc) {
    if (!dc) {
        if (const FadeSurfaces* fade = RunningFade(hWnd)) {
            BlendCachedFace(hWnd, *fade);
            return;
        }
    }
    if (!IsWindowEnabled(hWnd)) SetSkinProp(hWnd, L"OLDSTATE", 3);
    if (!skin::IsPaintedButtonStyle(static_cast<std::uint32_t>(GetSkinProp(hWnd, L"OLDSTYLE")))) return;
    const std::intptr_t state = GetSkinProp(hWnd, L"OLDSTATE");
    if (state < 0 || state > 3) return;
    const wchar_t* surfaces[] = {L"HDC0", L"HDC1", L"HDC2", L"HDC3"};
    HDC face = reinterpret_cast<HDC>(GetSkinProp(hWnd, surfaces[state]));
    if (!face) return;
    const RECT size = WindowSize(hWnd);
    const std::intptr_t level = GetSkinProp(hWnd, L"ALPHALEVEL");
    if (dc) {
        Blend(dc, face, size, level);
    } else {
        WindowDc own(hWnd, WindowDc::Whole);
        Blend(own.get(), face, size, level);
    }
}

UINT_PTR StartFade(HWND hWnd) {
    const auto running = static_cast<UINT_PTR>(GetSkinProp(hWnd, L"TIMERID"));
    if (running) return running;
    const UINT_PTR id = SetTimer(hWnd, skin::kFadeTimerId, skin::kFadeIntervalMs, nullptr);
    SetSkinProp(hWnd, L"TIMERID", static_cast<std::intptr_t>(id));
    return id;
}

void StopFade(HWND hWnd) {
    ForgetFadeSurfaces(hWnd);
    const auto running = static_cast<UINT_PTR>(GetSkinProp(hWnd, L"TIMERID"));
    if (!running) return;
    KillTimer(hWnd, running);
    SetSkinProp(hWnd, L"TIMERID", 0);
}

// A running fade reads nothing from the button after its first step; a stray WM_TIMER to a
// button whose fade is not running blends as BlendButtonFace does.
void FadeStep(HWND hWnd) {
    FadeSurfaces* fade = RunningFade(hWnd);
    if (!fade && GetSkinProp(hWnd, L"TIMERID") != 0) {
        fade = g_fades.emplace(hWnd, std::make_unique<FadeSurfaces>(hWnd)).first->second.get();
    }
    const std::intptr_t level = fade ? fade->level : GetSkinProp(hWnd, L"ALPHALEVEL");
    const skin::FadeStepResult step = skin::FadeStep(static_cast<int>(level));
    if (fade) {
        BlendCachedFace(hWnd, *fade);
    } else {
        BlendButtonFace(hWnd, nullptr);
    }
    if (step.stop) StopFade(hWnd);
    SetSkinProp(hWnd, L"ALPHALEVEL", step.nextLevel);
}

}  // namespace ferrik::MSkinner
