// The batch's progress on the taskbar button: the calls a taskbar list gets, observed through a
// stand-in, and nothing at all where the system has none (as under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/taskbar_progress_win.h"

namespace ferrik {
namespace {

using Microsoft::WRL::ComPtr;

// Records SetProgressValue and SetProgressState; answers `result` to them.
class RecordingTaskbar final : public ITaskbarList3 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ITaskbarList) || iid == __uuidof(ITaskbarList2) ||
            iid == __uuidof(ITaskbarList3)) {
            *out = static_cast<ITaskbarList3*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND hwnd, ULONGLONG done, ULONGLONG total) override {
        calls.push_back(Who(hwnd) + "value " + std::to_string(done) + "/" + std::to_string(total));
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND hwnd, TBPFLAG flags) override {
        calls.push_back(Who(hwnd) + "state " + std::to_string(flags));
        return result;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return E_NOTIMPL; }

    std::string Who(HWND hwnd) const { return hwnd == window ? "" : "other window: "; }
    HWND window = nullptr;
    HRESULT result = S_OK;
    std::vector<std::string> calls;
    ULONG refs = 1;
};

// A run of three rows, stopped after the second, then the summary; the same calls whatever the
// taskbar answers, one attempt to make it, and none of it where there is no taskbar list.
TEST(TaskbarProgress, ARunShowsRowsDoneAndClearsOnlyThroughTheTaskbarList) {
    struct Case {
        const char* name;
        bool present;
        HRESULT result;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> run = {"value 0/3", "value 1/3", "value 2/3", "state 0"};
    const Case cases[] = {
        {"a taskbar", true, S_OK, run},
        {"a taskbar that refuses every call", true, E_FAIL, run},
        {"no taskbar list", false, S_OK, {}},
    };
    const HWND window = reinterpret_cast<HWND>(0x1234);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTaskbar taskbar;
        taskbar.window = window;
        taskbar.result = c.result;
        int made = 0;
        {
            TaskbarProgress progress(window, [&]() -> ComPtr<ITaskbarList3> {
                ++made;
                return c.present ? ComPtr<ITaskbarList3>(&taskbar) : nullptr;
            });
            for (std::size_t done = 0; done < 3; ++done) progress.ShowProgress(done, 3);
            progress.ClearProgress();
        }
        EXPECT_EQ(taskbar.calls, c.calls);
        EXPECT_EQ(made, 1);
        EXPECT_EQ(taskbar.refs, 1u) << "released with the progress";
    }
}

}  // namespace
}  // namespace ferrik
