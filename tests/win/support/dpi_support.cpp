#include "win/support/dpi_support.h"

#include <commctrl.h>

#include <cstdlib>
#include <thread>

#include "controls/tesselbutton_win.h"
#include "win/support/ui_driver.h"

namespace ferrik::test {

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// HKCU\Control Panel\Desktop\LogPixels set for the life of the object, then as it was.
class LogPixelsScope {
public:
    explicit LogPixelsScope(int dpi) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            return;
        DWORD type = 0, size = sizeof(m_old);
        m_had = RegQueryValueExW(m_key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&m_old), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD;
        const DWORD value = static_cast<DWORD>(dpi);
        RegSetValueExW(m_key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    ~LogPixelsScope() {
        if (!m_key) return;
        if (m_had) {
            RegSetValueExW(m_key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_old), sizeof(m_old));
        } else {
            RegDeleteValueW(m_key, L"LogPixels");
        }
        RegCloseKey(m_key);
    }
    LogPixelsScope(const LogPixelsScope&) = delete;
    LogPixelsScope& operator=(const LogPixelsScope&) = delete;

private:
    HKEY m_key = nullptr;
    DWORD m_old = 0;
    bool m_had = false;
};

template <class Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

std::string NameOf(HWND hwnd) {
    return Utf8(ClassOf(hwnd)) + " #" + std::to_string(GetDlgCtrlID(hwnd)) + " \"" + Utf8(TextOf(hwnd)) + "\"";
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::vector<HWND> VisibleChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) children.push_back(child);
    return children;
}

bool IsGroupBox(HWND hwnd) {
    return ClassOf(hwnd) == L"Button" && (GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Windows whose children are laid out by the program or the dialog manager (not a control's own parts).
bool IsContainer(HWND hwnd) {
    const std::wstring cls = ClassOf(hwnd);
    return cls == L"Form" || cls == L"#32770" || cls == L"Static";
}

RECT ScreenClient(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The extent of `text` in the window's font; `flags` as for DrawText, `width` the room for word breaks.
SIZE TextExtent(HWND hwnd, const std::wstring& text, UINT flags, int width) {
    WindowDc dc(hwnd);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT rc{0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rc, flags | DT_CALCRECT);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

int FontHeight(HWND hwnd) {
    WindowDc dc(hwnd);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    return tm.tmHeight;
}

bool Inside(const RECT& inner, int width, int height) {
    return inner.left >= 0 && inner.top >= 0 && inner.right <= width && inner.bottom <= height;
}

void CheckText(HWND hwnd, std::vector<std::string>& faults) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const int width = client.right, height = client.bottom;
    const std::wstring cls = ClassOf(hwnd);
    const std::wstring text = TextOf(hwnd);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    auto fault = [&](const std::string& what) { faults.push_back(NameOf(hwnd) + ": " + what); };
    if (cls == L"Static" && !text.empty()) {
        const DWORD type = style & SS_TYPEMASK;
        if (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) return;  // icons, frames, pictures
        const UINT flags = DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        const SIZE need = TextExtent(hwnd, text, flags, width);
        if (need.cx > width || need.cy > height)
            fault("text needs " + SizeText(need.cx, need.cy) + ", has " + SizeText(width, height));
    } else if (cls == L"Button" && !text.empty()) {
        const DWORD type = style & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_OWNERDRAW) return;
        // The caption's room: inside the 2-pixel margin of the button's face.
        const SIZE need = TextExtent(hwnd, text, DT_SINGLELINE, 0);
        if (need.cx > width - 4 || need.cy > height - 4)
            fault("caption needs " + SizeText(need.cx, need.cy) + ", has " + SizeText(width - 4, height - 4));
    } else if (TesselButtonWindow* button = TesselButtonWindow::FromHandle(hwnd)) {
        const ButtonContentRects& content = button->ContentRects();
        if (!button->Button().Caption().empty() && !Inside(content.caption, width, height))
            fault("caption rectangle outside the button");
        if (button->Button().PictureNormal() && !Inside(content.picture, width, height))
            fault("picture rectangle outside the button");
    } else if (cls == L"SysHeader32") {
        const int count = static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t item[256] = {};
            HDITEMW hd{};
            hd.mask = HDI_TEXT;
            hd.pszText = item;
            hd.cchTextMax = 256;
            RECT rc{};
            SendMessageW(hwnd, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
            SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rc));
            const SIZE need = TextExtent(hwnd, item, DT_SINGLELINE, 0);
            if (need.cx > rc.right - rc.left - 6 || need.cy > rc.bottom - rc.top)
                fault("header item " + Utf8(item) + " needs " + SizeText(need.cx, need.cy) + ", has " +
                      SizeText(rc.right - rc.left - 6, rc.bottom - rc.top));
        }
    } else if (cls == L"ComboBox") {
        const auto field = static_cast<int>(SendMessageW(hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        if (field < FontHeight(hwnd)) fault("edit line " + std::to_string(field) + " high for its font");
    } else if (cls == L"msctls_statusbar32") {
        if (FontHeight(hwnd) > height - 2) fault("text higher than the bar");
    }
}

}  // namespace

ChildRun RunAtSystemDpi(int dpi, const std::wstring& filter) {
    ChildRun run;
    LogPixelsScope logPixels(dpi);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=" + filter;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    SetEnvironmentVariableW(L"FERRIK_TEST_DPI", std::to_wstring(dpi).c_str());
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi) != FALSE;
    SetEnvironmentVariableW(L"FERRIK_TEST_DPI", nullptr);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    // Read while the child runs (a full pipe would stop it); the pipe ends with the child.
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) run.output.append(buffer, got);
    });
    if (!PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 120000)) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    reader.join();
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(readEnd);
    return run;
}

int ChildDpi() {
    const char* dpi = std::getenv("FERRIK_TEST_DPI");
    return dpi ? std::atoi(dpi) : 0;
}

bool BecomePerMonitorAware() {
    using Context = HANDLE;
    const auto perMonitorV2 = reinterpret_cast<Context>(static_cast<INT_PTR>(-4));
    using SetProcessContextFn = BOOL(WINAPI*)(Context);
    using ThreadContextFn = Context(WINAPI*)();
    using EqualFn = BOOL(WINAPI*)(Context, Context);
    const auto setProcess = User32Function<SetProcessContextFn>("SetProcessDpiAwarenessContext");
    const auto threadContext = User32Function<ThreadContextFn>("GetThreadDpiAwarenessContext");
    const auto equal = User32Function<EqualFn>("AreDpiAwarenessContextsEqual");
    if (!setProcess || !threadContext || !equal) return false;
    setProcess(perMonitorV2);
    return equal(threadContext(), perMonitorV2) != FALSE;
}

std::vector<std::string> LayoutFaults(HWND window) {
    std::vector<std::string> faults;
    std::vector<HWND> containers{window};
    for (HWND hwnd : Descendants(window)) {
        if (!IsWindowVisible(hwnd)) continue;
        CheckText(hwnd, faults);
        if (IsContainer(hwnd)) containers.push_back(hwnd);
    }
    for (HWND parent : containers) {
        const RECT client = ScreenClient(parent);
        const std::vector<HWND> children = VisibleChildren(parent);
        for (std::size_t i = 0; i < children.size(); ++i) {
            RECT rc{}, both{};
            GetWindowRect(children[i], &rc);
            if (rc.left < client.left || rc.top < client.top || rc.right > client.right || rc.bottom > client.bottom)
                faults.push_back(NameOf(children[i]) + " reaches outside the client area of " + NameOf(parent));
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                RECT other{};
                GetWindowRect(children[j], &other);
                if (IntersectRect(&both, &rc, &other) && !IsGroupBox(children[i]) && !IsGroupBox(children[j]))
                    faults.push_back(NameOf(children[i]) + " overlaps " + NameOf(children[j]) + " by " +
                                     SizeText(both.right - both.left, both.bottom - both.top));
            }
        }
    }
    return faults;
}

}  // namespace ferrik::test
