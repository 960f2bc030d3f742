#pragma once
// frmWeb: the web window, modeless and owned by the main window. Six tesselbuttons, the address
// box, the search box, the site list, the browser and a status bar; WebNavigator decides what
// its events and the user's actions do.
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "common/ports.h"
#include "common/web_window_ports.h"
#include "controls/tesselbutton_win.h"
#include "forms/address_drop_win.h"
#include "forms/form_controls_win.h"
#include "forms/form_window_win.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/skinner_win.h"
#include "web/browser_factory_win.h"
#include "web/web_form.h"
#include "web/web_navigator.h"

namespace ferrik {

class WebWindow final : public FormWindow<WebWindow>, public WebView, public OwnedWindow {
public:
    // `makeBrowser` makes the browser; null: CreateBrowser (the system's control where it loads
    // documents).
    explicit WebWindow(WebWindowPorts ports, BrowserMaker makeBrowser = nullptr);
    ~WebWindow() override;

    // Creates the window centred on `owner` and runs its load.
    bool Create(HWND owner);
    HWND Hwnd() const noexcept override { return Window::Hwnd(); }
    void Show() override;
    // The form's, its buttons' or its own browser's handler.
    bool HandlerRunning() const noexcept override;

    HWND Control(int id) const;
    Browser* CurrentBrowser() const { return m_browser.get(); }
    WebNavigator& Navigator() { return m_navigator; }
    const std::vector<SiteRow>& Sites() const { return m_sites; }
    TesselButtonWindow* Button(int id) const;
    Text StatusText() const;
    // The form's tooltip window (cmbSearch's tip, and the buttons' container tips).
    HWND Tooltips() const { return m_searchTip; }
    // The window's drop target for addresses (null until loaded): a drop goes into the address box
    // and the browser goes there, as typing it and pressing Enter does.
    IDropTarget* DropTarget() const { return m_drop.Target(); }
    void DropAddress(TextView address);

    // WebView
    void SetStatusText(TextView text) override;
    Text AddressText() const override;
    void SetAddressText(TextView text) override;
    Text Caption() const override;
    void SetCaption(TextView text) override;
    Text SearchText() const override;
    void HandOver(TextView address) override;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnFinalDestroy();

private:
    friend class FormWindow<WebWindow>;

    bool OnCreate();
    HWND MakeControl(const ControlLayout& layout, HWND parent);
    void ControlMade(const ControlLayout& layout, HWND hwnd);
    void Load();
    void LoadSiteList();
    void OnSize();
    void RelayoutForDpi(int old, const RECT& suggested);
    void ApplyGlyphs();
    void SizeStatusBar();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void OnSiteClick();
    RECT BrowserBounds() const;

    // The edit lines of the two combo boxes: Enter goes to the address or fills the keyword.
    static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

    WebWindowPorts m_ports;
    BrowserMaker m_makeBrowser;
    WebNavigator m_navigator{*this};
    std::unique_ptr<Browser> m_browser;
    FormButtons m_buttons;
    std::vector<SiteRow> m_sites;
    CSkinner m_skinner;
    AddressDrop m_drop;
    HWND m_searchTip = nullptr;  // owned by the window, destroyed with it
    HWND m_controls[kStatusBar1 - kWebCommand5 + 1] = {};
    HWND m_owner = nullptr;
    bool m_settingAddress = false;
};

}  // namespace ferrik
