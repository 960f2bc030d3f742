#pragma once
// The browser stand-in's hooks (tools/browser-sim), reached in the test's own process once the
// system-browser path has loaded it: its log, its live objects, and the user's actions inside a
// page. Where the system's real control is in use the stand-in is not loaded and Loaded() is false.
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace ferrik::test {

class BrowserSim {
public:
    // Keeps the stand-in loaded (its objects may all be gone before the test reads the count).
    BrowserSim() {
        if (HMODULE loaded = GetModuleHandleW(L"browsersim.dll")) {
            wchar_t path[MAX_PATH] = {};
            if (GetModuleFileNameW(loaded, path, MAX_PATH)) m_module = LoadLibraryW(path);
        }
    }
    ~BrowserSim() {
        if (m_module) FreeLibrary(m_module);
    }
    BrowserSim(const BrowserSim&) = delete;
    BrowserSim& operator=(const BrowserSim&) = delete;

    bool Loaded() const { return m_module != nullptr; }

    // The log's lines since the last ClearLog.
    std::vector<std::wstring> Log() const {
        std::vector<std::wstring> lines;
        if (auto log = Get<const wchar_t*()>("BrowserSimLog")) {
            std::wistringstream in(log());
            for (std::wstring line; std::getline(in, line);) lines.push_back(line);
        }
        return lines;
    }
    // The lines that start with one of `prefixes`, in order.
    std::vector<std::wstring> Log(std::initializer_list<const wchar_t*> prefixes) const {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : Log()) {
            for (const wchar_t* prefix : prefixes) {
                if (line.rfind(prefix, 0) == 0) {
                    lines.push_back(line);
                    break;
                }
            }
        }
        return lines;
    }
    void ClearLog() const {
        if (auto clear = Get<void()>("BrowserSimClearLog")) clear();
    }
    long LiveObjects() const {
        auto live = Get<LONG()>("BrowserSimLiveObjects");
        return live ? live() : -1;
    }
    long LiveDocuments() const {
        auto live = Get<LONG()>("BrowserSimLiveDocuments");
        return live ? live() : -1;
    }
    // Every page arrives this long after its navigation started (0: at once); for all controls.
    void SetLoadDelay(UINT ms) const {
        if (auto delay = Get<void(UINT)>("BrowserSimSetLoadDelay")) delay(ms);
    }
    bool ClickLink(int index) const {
        auto click = Get<BOOL(int)>("BrowserSimClickLink");
        return click && click(index);
    }
    bool NavigateFrame(int index, const std::wstring& url) const {
        auto navigate = Get<BOOL(int, const wchar_t*)>("BrowserSimNavigateFrame");
        return navigate && navigate(index, url.c_str());
    }
    bool ShowModal(bool showing) const {
        auto modal = Get<BOOL(BOOL)>("BrowserSimShowModal");
        return modal && modal(showing ? TRUE : FALSE);
    }

private:
    template <class F>
    F* Get(const char* name) const {
        return m_module ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(m_module, name))) : nullptr;
    }

    HMODULE m_module = nullptr;
};

}  // namespace ferrik::test
