#pragma once
// frmmain: the start-up window. It owns the task list, shows it in ListView1, runs the analysis
// commands and the batch driver on its own stack, and is their status line, busy state and
// message boxes.
#include <windows.h>

#include <functional>
#include <memory>

#include "analysis/commands.h"
#include "app/forms.h"
#include "app/task_list.h"
#include "common/ports.h"
#include "platform/gdi_win.h"
#include "platform/pump_win.h"
#include "platform/window_win.h"
#include "skin/skinner_win.h"

namespace ferrik {

class AboutWindow;

// The current scheme: chosen anew on every change of the address box.
class SchemeSelector {
public:
    virtual ~SchemeSelector() = default;
    virtual void SelectScheme(TextView address, StatusLine& status) = 0;
    virtual SchemeView Current() const = 0;
};

// The player and the batch driver.
class BatchService {
public:
    virtual ~BatchService() = default;
    // Creates the hidden player in `form`; false (after telling the user) when there is none.
    virtual bool CreatePlayer(HWND form) = 0;
    virtual void SubmitTasks(TaskList& tasks, BusyState& busy, MessagePump& pump) = 0;
};

struct MainWindowOptions {
    // Builds the page-analysis engines around the window's task list and status line.
    std::function<std::unique_ptr<AnalysisEngine>(TaskList&, StatusLine&)> analysisEngine;
    SchemeSelector* schemes = nullptr;
    BatchService* batch = nullptr;
    Text settingsFile;        // Setting.ini beside the exe
    bool endsProgram = true;  // closing the window ends the message loop (WM_QUIT)
    // Shows a popup menu at a screen point and returns the chosen command (0: none). Tests put
    // their own here; by default it is TrackPopupMenuEx.
    std::function<UINT(HMENU, POINT)> trackPopup;
};

class MainWindow final : public Window<MainWindow>,
                         private TaskListObserver,
                         public StatusLine,
                         public BusyState,
                         public AnalysisPrompts {
public:
    explicit MainWindow(MainWindowOptions options);
    ~MainWindow() override;

    // Creates the window and runs its load. False when the load closed it again (no player).
    bool Create();
    void Show(int showCommand);

    HWND Control(int id) const;
    HMENU AnalyseMenu() const { return m_analyseMenu.get(); }
    HMENU ListMenu() const { return m_listMenu.get(); }
    TaskList& Tasks() { return m_tasks; }

    // The address box's text, unchanged.
    Text Address() const;
    // Sets the address box's text as the web window does; runs SelectScheme like any change.
    void SetAddress(TextView address);

    // What the menu entries do. An entry that the busy state disabled does nothing.
    void RunCommand(MenuCommand command);
    bool OperationRunning() const { return m_operations > 0; }

    // Ports the commands and the batch driver use.
    void ShowStatus(TextView text) override;
    void LockControls() override;
    void UnlockControls() override;
    void Warn(TextView text) override;
    bool Ask(TextView text) override;

    // A message box titled "提示" owned by this window. While the window is closing nothing is
    // shown: the answer is then OK or No, so that a stopped operation ends without asking.
    int MessageBoxFlags(TextView text, UINT flags);

private:
    friend class Window<MainWindow>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnFinalDestroy();
    bool OnCreate();
    void OnSize();
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(const NMHDR& header);
    void OnClose();
    void OnDestroy();

    bool Load();
    Text ReadSetting(TextView section, TextView key) const;
    void CreateControls();
    HWND CreateControl(const ControlLayout& layout);
    void SetupListView();
    void OnAddressChanged();
    void ShowAnalyseMenu();
    void ShowListMenu(POINT screenPoint);
    UINT TrackPopup(HMENU menu, POINT screenPoint);
    bool CommandEnabled(MenuCommand command) const;
    void SubmitTasks();
    void ShowAbout();
    void SetControlsEnabled(bool enabled);
    int Px(int twips) const { return TwipsToPixels(twips, m_dpi); }
    int Twips(int pixels) const { return PixelsToTwips(pixels, m_dpi); }
    TwipsRect ControlTwips(HWND control) const;

    // TaskListObserver
    void OnRowAdded(std::size_t index) override;
    void OnRowsCleared() override;
    void OnRowChanged(std::size_t index) override;
    void OnHeaderChanged(TextView header) override;

    static LRESULT CALLBACK ComboProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

    // Counts the commands and batch runs on this window's stack. Closing while one runs only hides
    // the window; the last one to unwind finishes the close.
    class OperationScope {
    public:
        explicit OperationScope(MainWindow& window) : m_window(window) { ++m_window.m_operations; }
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

    private:
        MainWindow& m_window;
    };

    MainWindowOptions m_options;
    TaskList m_tasks;
    Win32MessagePump m_pump;
    std::unique_ptr<AnalysisEngine> m_engine;
    CSkinner m_skinner;
    std::unique_ptr<AboutWindow> m_about;
    UniqueGdi<HFONT> m_font;
    UniqueMenu m_fileMenu;
    UniqueMenu m_analyseMenu;
    UniqueMenu m_listMenu;
    int m_dpi = 96;
    HWND m_controls[kListView1 - kLabel1 + 1] = {};
    int m_operations = 0;
    bool m_closing = false;  // closed while an operation ran: hidden, waiting for it to unwind
    bool m_settingAddress = false;
    bool m_syncingList = false;  // the list view is being updated from the model
};

}  // namespace ferrik
