#include "app/taskbar_progress_win.h"

#include <utility>

namespace ferrik {

namespace {

Microsoft::WRL::ComPtr<ITaskbarList3> SystemTaskbarList() {
    Microsoft::WRL::ComPtr<ITaskbarList3> list;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&list)))) return nullptr;
    // The documented order: HrInit before any other method.
    if (FAILED(list->HrInit())) return nullptr;
    return list;
}

}  // namespace

TaskbarProgress::TaskbarProgress(HWND window, Maker make) : m_window(window), m_make(std::move(make)) {
    if (!m_make) m_make = SystemTaskbarList;
}

ITaskbarList3* TaskbarProgress::List() {
    if (!m_tried) {
        m_tried = true;
        m_list = m_make();
    }
    return m_list.Get();
}

// A value leaves the no-progress state by itself. A refused call (no taskbar button yet, Explorer
// restarting) is simply not shown.
void TaskbarProgress::ShowProgress(std::size_t done, std::size_t total) {
    if (ITaskbarList3* list = List(); list && m_window)
        list->SetProgressValue(m_window, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
}

void TaskbarProgress::ClearProgress() {
    if (ITaskbarList3* list = List(); list && m_window) list->SetProgressState(m_window, TBPF_NOPROGRESS);
}

}  // namespace ferrik
