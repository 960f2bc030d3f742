#pragma once
// frmmain: the start-up window. It owns the task list, shows it in ListView1 (a TaskListView),
// runs the analysis commands and the batch driver on its own stack, and is their status line,
// busy state and message boxes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/codepage_win.h"
#include "analysis/commands.h"
#include "analysis/document_win.h"
#include "analysis/http_win.h"
#include "app/batch.h"
#include "app/list_file_win.h"
#include "app/main_form.h"
#include "app/player_win.h"
#include "app/prompts.h"
#include "app/task_list_view_win.h"
#include "app/taskbar_progress_win.h"
#include "app/timed_wait_win.h"
#include "common/ports.h"
#include "common/web_window_ports.h"
#include "forms/address_drop_win.h"
#include "forms/form_window_win.h"
#include "platform/handles_win.h"
#include "platform/pump_win.h"
#include "platform/window_win.h"
#include "rules/scheme.h"
#include "skin/skinner_win.h"
#include "tasks/task_list.h"

namespace ferrik {

class AboutWindow;

// Makes the web window owned by `owner`, created but not shown; null when it cannot be made.
using WebWindowMaker = std::function<std::unique_ptr<OwnedWindow>(HWND owner, WebWindowPorts)>;

struct MainWindowOptions {
    // Where Rule.dat, RunFilter.dat and Setting.ini are; empty: the directory of the executable.
    Text dataDirectory;
    // The page fetcher and the document engine; null: WinINet and the HTML link engine.
    PageFetcher* fetcher = nullptr;
    DocumentLoader* documents = nullptr;
    const wchar_t* playerProgId = kPlayerProgIdW;
    // Base name of the batch's wait timer, visible to every process; empty: the executable's name.
    std::string waitTimerName;
    // Closing the window ends the message loop (WM_QUIT). Tests that own the loop turn it off.
    bool endsProgram = true;
    // Seams for tests: showing a popup menu at a screen point (returns the chosen command, 0 for
    // none; default TrackPopupMenuEx), and opening a document with the shell (default ShellOpen).
    std::function<UINT(HMENU, POINT)> trackPopup;
    std::function<void(TextView)> shellOpen;
    // Makes the web window on the first click of the Web button; null: the button does nothing.
    // The program's entry point gives WebWindowFactory().
    WebWindowMaker makeWeb;
    // Makes the taskbar list that shows a batch's progress; null: the system's.
    TaskbarProgress::Maker taskbar;
    // Put in the address box at load as if typed (`ferrik.exe <address>`); empty: none.
    Text startAddress;
    // Asking for the file of 导出列表... and 导入列表... (the path, or nothing when cancelled);
    // null: the system's Save and Open dialogs (ListFileDialogs).
    std::function<std::optional<Text>(HWND owner, ListFileAction action)> askListFile;
};

class MainWindow final : public FormWindow<MainWindow>,
                         public StatusLine,
                         public BusyState,
                         public AnalysisPrompts,
                         public Prompts,
                         public Beeper {
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
    const Scheme& CurrentScheme() const { return m_scheme; }

    // The address box's text, unchanged.
    Text Address() const;
    // Sets the address box's text as the web window does; runs SelectScheme like any change.
    void SetAddress(TextView address);

    // What the menu entries do. An entry that the busy state disabled does nothing.
    void RunCommand(MenuCommand command);
    // What the 下载 button does.
    void SubmitTasks();
    // What the Web button does: shows the web window, created on first use.
    void ShowWeb();
    OwnedWindow* Web() const { return m_web.get(); }
    bool OperationRunning() const { return m_operations > 0; }
    // The window's drop target for addresses (null until created); a drop goes into the address
    // box as SetAddress does, but not while an operation runs or the window is busy.
    IDropTarget* DropTarget() const { return m_drop.Target(); }
    // What 按名称选择... does: asks for a name mask and ticks exactly the rows whose name matches.
    void ChooseRowsByName();
    // What 导出列表... does: asks for a file and writes every row's address into it, in the order
    // shown (app/list_file.h); a failure is explained in a message box.
    void ExportList();
    // What 导入列表... does: asks for a file and adds its rows after the list's own. A dropped list
    // file or list text is imported the same way (ImportListFile, ImportListText).
    void ImportList();
    void ImportListFile(TextView path);
    void ImportListText(TextView text);

    // The ports that the commands, the batch driver and the player creation use.
    void ShowStatus(TextView text) override;
    void LockControls() override;
    void UnlockControls() override;
    void Warn(TextView text) override;
    bool Ask(TextView text) override;
    void ShowMessage(TextView text, MessageIcon icon) override;
    void ShellOpen(TextView text) override;
    void Beep() override;

private:
    friend class Window<MainWindow>;
    friend class FormWindow<MainWindow>;

    // A message box titled "提示" owned by this window. While the window is closing nothing is
    // shown: the answer is then OK or No, so that a stopped operation ends without asking.
    int MessageBoxFlags(TextView text, UINT flags);

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnFinalDestroy();
    bool OnCreate();
    void OnSize();
    void ControlMade(const ControlLayout& layout, HWND hwnd);
    void RelayoutForDpi(int old, const RECT& suggested);
    void SetIcons();
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(const NMHDR& header);
    void OnClose();
    void OnDestroy();

    bool Load();
    Text DataFile(TextView name) const;
    void OnAddressChanged();
    void ShowAnalyseMenu();
    void ShowListMenu(POINT screenPoint);
    UINT TrackPopup(HMENU menu, POINT screenPoint);
    bool CommandEnabled(MenuCommand command) const;
    void ShowAbout();
    void ReleaseRetired();
    void SetControlsEnabled(bool enabled);
    bool TakesDrops() const;
    bool ListTakesInput() const;
    std::optional<Text> AskListFile(ListFileAction action);
    void OnListDropped(const DroppedList& list);

    // Combo1 is subclassed for a text set by code.
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    LRESULT OnComboSetText(HWND combo, WPARAM wParam, LPARAM lParam) noexcept;

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
    Win32Decoder m_decoder;
    WinInetFetcher m_ownFetcher;
    WinDocumentLoader m_ownDocuments;
    PageFetcher& m_fetcher;
    DocumentLoader& m_documents;
    Win32MessagePump m_pump;
    TaskList m_tasks;
    Scheme m_scheme;
    PageAnalysisEngine m_engine;
    std::unique_ptr<DispatchPlayer> m_player;
    std::unique_ptr<TaskbarProgress> m_taskbar;  // made for the first batch
    clsWaitableTimer m_wait;
    QvodPageLinks m_pageLinks;
    TaskListView m_list;  // ListView1
    CSkinner m_skinner;
    std::unique_ptr<AboutWindow> m_about;
    std::unique_ptr<OwnedWindow> m_web;
    std::vector<std::unique_ptr<OwnedWindow>> m_retired;  // replaced web windows, released later
    bool m_makingWeb = false;
    UniqueMenu m_fileMenu;
    UniqueMenu m_analyseMenu;
    UniqueMenu m_listMenu;
    AddressDrop m_drop;
    std::vector<Text> m_masks;  // the name masks chosen so far, the last first
    bool m_asking = false;      // the name mask prompt or a list file dialog is up
    ListFileDialogs m_listDialogs;
    DroppedList m_droppedList;  // taken by a drop, imported once the drop has returned
    HWND m_controls[kListView1 - kLabel1 + 1] = {};
    int m_operations = 0;
    bool m_closing = false;  // closed while an operation ran: hidden, waiting for it to unwind
    bool m_settingAddress = false;
};

}  // namespace ferrik
