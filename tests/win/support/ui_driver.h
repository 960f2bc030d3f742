#pragma once
// Driving windows from a test: answering message boxes, waiting while messages flow, reading
// windows back.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ferrik::test {

struct SeenMessageBox {
    std::wstring title;
    std::wstring text;
    std::vector<int> buttons;  // control ids: IDOK, IDYES, IDNO, ...
    HICON icon = nullptr;
};

// Watches for message boxes ("#32770" windows) of one thread or one process, from a thread of its
// own, records them and answers each with the next queued answer (by default OK, or Yes when
// there is no OK button).
class MessageBoxWatcher {
public:
    struct OfThread {
        DWORD id;
    };
    struct OfProcess {
        DWORD id;
    };
    explicit MessageBoxWatcher(OfThread thread);
    explicit MessageBoxWatcher(OfProcess process);
    MessageBoxWatcher() : MessageBoxWatcher(OfThread{GetCurrentThreadId()}) {}
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    void QueueAnswer(int id);
    std::vector<SeenMessageBox> Seen() const;
    std::vector<std::wstring> Texts() const;

private:
    void Run();
    void Handle(HWND dialog);
    bool Belongs(HWND hwnd) const;

    DWORD m_thread = 0;
    DWORD m_process = 0;
    mutable std::mutex m_mutex;
    std::vector<int> m_answers;
    std::vector<SeenMessageBox> m_seen;
    std::set<HWND> m_handled;
    std::vector<HWND> m_pending;  // filled by the enumeration of the watcher's thread
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
};

// Runs `action` once, from a thread timer, as soon as `ready` holds (or after 10 s, so that a
// modal loop always ends): a handler that comes in the middle of whatever the GUI thread is
// waiting in then (a nested pump, a modal loop). One at a time.
void RunWhen(std::function<bool()> ready, std::function<void()> action);
// Forgets an action whose condition never came.
void CancelRunWhen();

// A directory of data files (Rule.dat, RunFilter.dat, Setting.ini) for one test process; the
// files and the directory go with it.
class DataDirectory {
public:
    DataDirectory();
    ~DataDirectory();
    DataDirectory(const DataDirectory&) = delete;
    DataDirectory& operator=(const DataDirectory&) = delete;
    // Writes `text` as GBK, as the data files are.
    void Write(const std::wstring& name, const std::wstring& text);
    void WriteBytes(const std::wstring& name, const std::string& bytes);
    // The path of a file that the program under test may make there; it goes with the directory.
    std::wstring Made(const std::wstring& name);
    // The bytes of a file there; nothing when it cannot be read.
    std::optional<std::string> Read(const std::wstring& name) const;
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

// Dispatches messages until `done` holds or the time is up; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
// Posts a WM_APP separator behind what is queued for this thread now and dispatches until it
// arrives: every message posted before it has been handled. False when it never came.
bool PumpPosted();
// Paints what is invalid in the window and its descendants now, then pumps to a separator.
bool PaintAndPump(HWND hwnd);

std::wstring TextOf(HWND hwnd);
// Text in code page 936, as the film sites serve it.
std::string Gbk(std::wstring_view text);
// A path of the build machine as the Windows side sees it (Wine maps "/" to drive Z:).
std::wstring HostPath(const char* path);
// The text of a list view cell in another process (the item structure and buffer live there).
std::wstring RemoteListText(HANDLE process, HWND list, int row, int column);
std::wstring ClassOf(HWND hwnd);
// The first top-level window of the given process that `wanted` takes, or null.
HWND TopWindowOf(DWORD process, const std::function<bool(HWND)>& wanted);
// A visible top-level window of class "Form" of the given process, or null.
HWND VisibleFormOf(DWORD process);

// The window's pixels as on the screen, top-down 32-bit BGRA rows.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Capture CaptureWindow(HWND hwnd);
// What `draw` paints into a top-down 32-bit bitmap of width x height (selected into the DC it gets).
Capture DrawOffScreen(int width, int height, const std::function<void(HDC)>& draw);
// Pixels of a window's capture inside one of its descendants whose red + green + blue is below
// 3 x `level`: text was drawn there.
int InkPixels(const Capture& capture, HWND window, HWND control, int level);
// Writes the capture as a PNG file (Windows Imaging Component). False on failure.
bool SavePng(const Capture& capture, const std::wstring& path);
// Where screenshots go: docs/screenshots with FERRIK_UPDATE_SCREENSHOTS=1, else beside the exe.
// Inline: only the test programs know those two directories.
#if defined(FERRIK_SOURCE_DIR) && defined(FERRIK_EXE_DIR)
inline std::wstring ScreenshotDir() {
    const char* update = std::getenv("FERRIK_UPDATE_SCREENSHOTS");
    const bool intoSources = update && std::string(update) == "1";
    const std::wstring dir =
        HostPath(intoSources ? FERRIK_SOURCE_DIR "/docs/screenshots" : FERRIK_EXE_DIR "/screenshots");
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}
#endif

}  // namespace ferrik::test
