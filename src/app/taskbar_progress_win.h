#pragma once
// The batch's progress on the program's taskbar button (ITaskbarList3). Where the system has no
// taskbar list (Wine) or refuses a call, nothing shows and nothing fails.
#include <windows.h>

#include <shobjidl.h>
#include <wrl/client.h>

#include <functional>

#include "app/batch.h"

namespace ferrik {

class TaskbarProgress final : public BatchProgress {
public:
    // Makes the taskbar list (null when there is none); by default the system's, initialised.
    using Maker = std::function<Microsoft::WRL::ComPtr<ITaskbarList3>()>;

    explicit TaskbarProgress(HWND window, Maker make = {});
    void ShowProgress(std::size_t done, std::size_t total) override;
    void ClearProgress() override;

private:
    ITaskbarList3* List();  // made at the first call; after a failure never tried again

    HWND m_window;
    Maker m_make;
    Microsoft::WRL::ComPtr<ITaskbarList3> m_list;
    bool m_tried = false;
};

}  // namespace ferrik
