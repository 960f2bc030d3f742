#include "win/support/ui_driver.h"

#include <commctrl.h>
#include <wincodec.h>

#include <algorithm>
#include <utility>

#include "platform/handles_win.h"
#include "platform/pump_win.h"

namespace ferrik::test {

MessageBoxWatcher::MessageBoxWatcher(OfThread thread) : m_thread(thread.id) {
    m_worker = std::thread([this] { Run(); });
}

MessageBoxWatcher::MessageBoxWatcher(OfProcess process) : m_process(process.id) {
    m_worker = std::thread([this] { Run(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_worker.join();
}

void MessageBoxWatcher::QueueAnswer(int id) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(id);
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
    std::lock_guard lock(m_mutex);
    return m_seen;
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const {
    std::vector<std::wstring> texts;
    for (const SeenMessageBox& box : Seen()) texts.push_back(box.text);
    return texts;
}

bool MessageBoxWatcher::Belongs(HWND hwnd) const {
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
    return m_thread ? thread == m_thread : process == m_process;
}

void MessageBoxWatcher::Run() {
    while (!m_stop) {
        std::vector<HWND> dialogs;
        EnumWindows(
            [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
                auto* self = reinterpret_cast<MessageBoxWatcher*>(param);
                if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && self->Belongs(hwnd))
                    self->m_pending.push_back(hwnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
        dialogs.swap(m_pending);
        for (HWND dialog : dialogs) Handle(dialog);
        Sleep(20);
    }
}

void MessageBoxWatcher::Handle(HWND dialog) {
    {
        std::lock_guard lock(m_mutex);
        // A box being closed stays visible for a moment; answer each one once.
        std::erase_if(m_handled, [](HWND h) { return !IsWindow(h); });
        if (m_handled.count(dialog)) return;
    }
    SeenMessageBox box;
    box.title = TextOf(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring cls = ClassOf(child);
        if (_wcsicmp(cls.c_str(), L"Button") == 0) {
            box.buttons.push_back(GetDlgCtrlID(child));
        } else if (_wcsicmp(cls.c_str(), L"Static") == 0) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                box.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            else if (!TextOf(child).empty())
                box.text = TextOf(child);
        }
    }
    if (box.buttons.empty()) return;  // not built yet
    int answer = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.erase(m_answers.begin());
        }
        m_handled.insert(dialog);
        m_seen.push_back(box);
    }
    const auto has = [&](int id) { return std::find(box.buttons.begin(), box.buttons.end(), id) != box.buttons.end(); };
    if (!answer) answer = has(IDOK) ? IDOK : IDYES;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
}

namespace {
std::function<bool()> g_ready;
std::function<void()> g_action;
ULONGLONG g_giveUp = 0;
}

void RunWhen(std::function<bool()> ready, std::function<void()> action) {
    g_ready = std::move(ready);
    g_action = std::move(action);
    g_giveUp = GetTickCount64() + 10000;
    // The timer only polls the condition; the action waits for it, not for the clock. Past the
    // limit the action runs anyway, so that a modal loop always ends and the test reports.
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        if (g_action && !g_ready() && GetTickCount64() < g_giveUp) return;
        KillTimer(nullptr, id);
        if (!g_action) return;  // cancelled
        g_ready = nullptr;
        std::exchange(g_action, nullptr)();
    });
}

DataDirectory::DataDirectory() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"ferrik-data-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_path.c_str(), nullptr);
}

DataDirectory::~DataDirectory() {
    for (const std::wstring& file : m_files) DeleteFileW(file.c_str());
    RemoveDirectoryW(m_path.c_str());
}

void DataDirectory::Write(const std::wstring& name, const std::wstring& text) {
    WriteBytes(name, Gbk(text));
}

void DataDirectory::WriteBytes(const std::wstring& name, const std::string& bytes) {
    const std::wstring file = Made(name);
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
}

std::wstring DataDirectory::Made(const std::wstring& name) {
    const std::wstring file = m_path + L"\\" + name;
    m_files.push_back(file);
    return file;
}

std::optional<std::string> DataDirectory::Read(const std::wstring& name) const {
    const std::wstring file = m_path + L"\\" + name;
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(GetFileSize(handle, nullptr), '\0');
    DWORD read = 0;
    const BOOL ok = bytes.empty() || ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return done();
        PumpPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void CancelRunWhen() {
    g_action = nullptr;
    g_ready = nullptr;
}

bool PumpPosted() {
    // One message-only window per thread; each separator carries its own number.
    static thread_local HWND target = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) CALLBACK -> LRESULT {
            if (m == WM_APP) SetWindowLongPtrW(h, GWLP_USERDATA, static_cast<LONG_PTR>(w));
            return DefWindowProcW(h, m, w, l);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FerrikTestSeparator";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }();
    static thread_local WPARAM number = 0;
    const WPARAM mine = ++number;
    PostMessageW(target, WM_APP, mine, 0);
    return PumpUntil([&] { return static_cast<WPARAM>(GetWindowLongPtrW(target, GWLP_USERDATA)) == mine; });
}

bool PaintAndPump(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return PumpPosted();
}

HWND TopWindowOf(DWORD process, const std::function<bool(HWND)>& wanted) {
    struct Search {
        DWORD process;
        const std::function<bool(HWND)>& wanted;
        HWND found;
    } search{process, wanted, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid != s->process || !s->wanted(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisibleFormOf(DWORD process) {
    return TopWindowOf(process, [](HWND hwnd) { return IsWindowVisible(hwnd) && ClassOf(hwnd) == L"Form"; });
}

int InkPixels(const Capture& capture, HWND window, HWND control, int level) {
    RECT frame{}, area{};
    GetWindowRect(window, &frame);
    GetWindowRect(control, &area);
    OffsetRect(&area, -frame.left, -frame.top);
    int ink = 0;
    for (int y = std::max(0L, area.top); y < area.bottom && y < capture.height; ++y)
        for (int x = std::max(0L, area.left); x < area.right && x < capture.width; ++x) {
            const std::uint32_t px = capture.At(x, y);
            if (static_cast<int>(((px >> 16) & 0xFF) + ((px >> 8) & 0xFF) + (px & 0xFF)) < 3 * level) ++ink;
        }
    return ink;
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(hwnd, buffer, 4096);
    return buffer;
}

std::string Gbk(std::wstring_view text) {
    const int size = static_cast<int>(text.size());
    std::string out(
        static_cast<std::size_t>(WideCharToMultiByte(936, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(936, 0, text.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

std::wstring HostPath(const char* path) {
    std::string p(path);
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    std::wstring wide(p.begin(), p.end());
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

std::wstring RemoteListText(HANDLE process, HWND list, int row, int column) {
    constexpr int kChars = 1024;
    auto* remote = static_cast<BYTE*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return {};
    LVITEMW item{};
    item.iSubItem = column;
    item.cchTextMax = kChars;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    std::wstring text(kChars, L'\0');
    SIZE_T done = 0;
    if (WriteProcessMemory(process, remote, &item, sizeof(item), &done)) {
        const auto length = static_cast<int>(
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)));
        ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), kChars * sizeof(wchar_t), &done);
        text.resize(static_cast<std::size_t>(std::max(0, std::min(length, kChars))));
    } else {
        text.clear();
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

Capture DrawOffScreen(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    WindowDc screen(nullptr);
    UniqueDc memory(CreateCompatibleDC(screen.get()));
    UniqueGdi<HBITMAP> bitmap(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return Capture{};
    {
        SelectGuard select(memory.get(), bitmap.get());
        draw(memory.get());
        GdiFlush();
    }
    Capture capture;
    capture.width = width;
    capture.height = height;
    const auto* p = static_cast<const std::uint32_t*>(bits);
    capture.pixels.assign(p, p + static_cast<std::size_t>(width) * height);
    for (auto& px : capture.pixels) px &= 0x00FFFFFF;
    return capture;
}

Capture CaptureWindow(HWND hwnd) {
    RECT rc{};
    if (!GetWindowRect(hwnd, &rc)) return Capture{};
    WindowDc screen(nullptr);
    return DrawOffScreen(rc.right - rc.left, rc.bottom - rc.top, [&](HDC dc) {
        BitBlt(dc, 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen.get(), rc.left, rc.top, SRCCOPY);
    });
}

bool SavePng(const Capture& capture, const std::wstring& path) {
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
        return false;
    bool ok = false;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    if (SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(capture.width), static_cast<UINT>(capture.height)))) {
        // 24-bit rows: the encoder keeps no alpha channel for an opaque screen image.
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        frame->SetPixelFormat(&format);
        const UINT stride = static_cast<UINT>((capture.width * 3 + 3) & ~3);
        std::vector<BYTE> rows(static_cast<std::size_t>(stride) * capture.height);
        for (int y = 0; y < capture.height; ++y)
            for (int x = 0; x < capture.width; ++x) {
                const std::uint32_t px = capture.At(x, y);
                BYTE* out = &rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3];
                out[0] = static_cast<BYTE>(px);
                out[1] = static_cast<BYTE>(px >> 8);
                out[2] = static_cast<BYTE>(px >> 16);
            }
        ok = format == GUID_WICPixelFormat24bppBGR &&
             SUCCEEDED(frame->WritePixels(static_cast<UINT>(capture.height), stride, static_cast<UINT>(rows.size()),
                                          rows.data())) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    factory->Release();
    return ok;
}

}  // namespace ferrik::test
