#pragma once
// The player's ActiveX control, created by ProgID, kept hidden (never in-place activated) and
// reached late-bound through IDispatch.
#include <windows.h>

#include <ole2.h>
#include <wrl/client.h>

#include <memory>

#include "app/player.h"
#include "app/prompts.h"

namespace ferrik {

inline constexpr wchar_t kPlayerProgIdW[] = L"QvodInsert.QvodCtrl";

class DispatchPlayer final : public Player {
public:
    DispatchPlayer(Microsoft::WRL::ComPtr<IDispatch> dispatch, Microsoft::WRL::ComPtr<IOleObject> ole,
                   Microsoft::WRL::ComPtr<IOleClientSite> site);
    ~DispatchPlayer() override;
    DispatchPlayer(const DispatchPlayer&) = delete;
    DispatchPlayer& operator=(const DispatchPlayer&) = delete;

    // Each member is looked up by name on every call, as late binding does. Failures throw
    // PlayerError.
    void Stop() override;
    void SetURL(TextView link) override;
    void Play() override;
    std::int32_t Downrate() override;
    std::int32_t PlayState() override;

    IDispatch* Dispatch() const { return m_dispatch.Get(); }

private:
    void Call(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result);
    std::int32_t ReadInt(const wchar_t* member);

    Microsoft::WRL::ComPtr<IDispatch> m_dispatch;
    Microsoft::WRL::ComPtr<IOleObject> m_ole;  // null for a plain automation object
    Microsoft::WRL::ComPtr<IOleClientSite> m_site;
};

// Run once by the main window's load. Leaves `player` empty and returns false (PlayerReady) when
// the control cannot be created; then tells the user and opens the vendor's download page through
// `prompts`, after which the caller closes the main window. COM must be initialised.
bool CreatePlayer(std::unique_ptr<DispatchPlayer>& player, Prompts& prompts, const wchar_t* progId = kPlayerProgIdW);

}  // namespace ferrik
