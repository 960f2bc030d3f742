#pragma once
// The player's ActiveX control, hosted by the main window as a form hosts a control (sited and
// in-place active in a window that is never shown) and reached late-bound through IDispatch.
#include <windows.h>

#include <memory>

#include "app/player.h"
#include "app/prompts.h"
#include "platform/ole_host_win.h"

namespace ferrik {

inline constexpr wchar_t kPlayerProgIdW[] = L"QvodInsert.QvodCtrl";

class DispatchPlayer final : public Player {
public:
    explicit DispatchPlayer(std::unique_ptr<OleControlHost> control);
    DispatchPlayer(const DispatchPlayer&) = delete;
    DispatchPlayer& operator=(const DispatchPlayer&) = delete;

    // Each member is looked up by name on every call, as late binding does. Failures throw
    // PlayerError.
    void Stop() override;
    void SetURL(TextView link) override;
    void Play() override;
    std::int32_t Downrate() override;
    std::int32_t PlayState() override;

    IDispatch* Dispatch() const { return m_control->Dispatch(); }
    const OleControlHost& Control() const { return *m_control; }

private:
    void Call(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result);
    std::int32_t ReadInt(const wchar_t* member);

    std::unique_ptr<OleControlHost> m_control;
};

// Run once by the main window's load, with the main window as `container`. Leaves `player` empty
// and returns false (PlayerReady) when the control cannot be created and activated; then tells the
// user and opens the vendor's download page through `prompts`, after which the caller closes the
// main window. OLE must be initialised on this thread.
bool CreatePlayer(std::unique_ptr<DispatchPlayer>& player, Prompts& prompts, HWND container,
                  const wchar_t* progId = kPlayerProgIdW);

}  // namespace ferrik
