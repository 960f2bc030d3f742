// The main window's commands (its menus, the 下载 button, the choice by name) and the ports that
// the commands, the batch driver and the player creation use.
#include <windows.h>

#include "app/about_window_win.h"
#include "app/choose_by_name.h"
#include "app/list_file.h"
#include "app/main_menus_win.h"
#include "app/main_window_win.h"
#include "app/mask_prompt_win.h"
#include "app/prompts_win.h"
#include "app/shell_open_win.h"
#include "forms/form_controls_win.h"

namespace ferrik {

UINT MainWindow::TrackPopup(HMENU menu, POINT screenPoint) {
    if (m_options.trackPopup) return m_options.trackPopup(menu, screenPoint);
    return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                              screenPoint.x, screenPoint.y, Hwnd(), nullptr));
}

void MainWindow::ShowAnalyseMenu() {
    POINT pt{};
    GetCursorPos(&pt);
    if (const UINT command = TrackPopup(m_analyseMenu.get(), pt)) RunCommand(MenuCommand(command));
}

void MainWindow::ShowListMenu(POINT screenPoint) {
    if (const UINT command = TrackPopup(m_listMenu.get(), screenPoint)) RunCommand(MenuCommand(command));
}

bool MainWindow::CommandEnabled(MenuCommand command) const {
    // The list menu opens only over an enabled list.
    if (Contains(kListMenu, command)) return IsWindowEnabled(Control(kListView1));
    const UINT state = GetMenuState(m_analyseMenu.get(), static_cast<UINT>(command), MF_BYCOMMAND);
    return state == static_cast<UINT>(-1) || !(state & (MF_GRAYED | MF_DISABLED));
}

void MainWindow::RunCommand(MenuCommand command) {
    if (!Hwnd() || m_closing || !CommandEnabled(command)) return;
    OperationScope operation(*this);
    AnalysisContext ctx{m_engine, m_tasks, *this, *this, *this};
    switch (command) {
        case MenuCommand::SaveList:
            MessageBoxFlags(kNotSupportedText, MB_OK | MB_ICONEXCLAMATION);
            break;
        case MenuCommand::SmartAnalyse: {
            const Scheme scheme = m_scheme;
            ferrik::SmartAnalyse(ctx, Address(), scheme);
            break;
        }
        case MenuCommand::AnalyseEpisodePage:
            ferrik::AnalyseEpisodePage(ctx, Address());
            break;
        case MenuCommand::AnalyseQvodText:
            ferrik::AnalyseQvodText(ctx, Address());
            break;
        case MenuCommand::AnalyseEscapedQvodText:
            ferrik::AnalyseEscapedQvodText(ctx, Address());
            break;
        case MenuCommand::StopAnalysis:
            ferrik::StopAnalysis();
            break;
        case MenuCommand::CheckAll:
            m_tasks.CheckAll();
            break;
        case MenuCommand::UncheckAll:
            m_tasks.UncheckAll();
            break;
        case MenuCommand::InvertChecks:
            m_tasks.InvertChecks();
            break;
        case MenuCommand::About:
            ShowAbout();
            break;
        case MenuCommand::ChooseByName:
            ChooseRowsByName();
            break;
        case MenuCommand::ExportList:
            ExportList();
            break;
        case MenuCommand::ImportList:
            ImportList();
            break;
        case MenuCommand::AppendToList:
            // Taken by the next analysis; one running now has emptied the list or not already.
            m_tasks.SetAppending(!m_tasks.Appending());
            CheckMenuItem(m_analyseMenu.get(), static_cast<UINT>(command),
                          MF_BYCOMMAND | (m_tasks.Appending() ? MF_CHECKED : MF_UNCHECKED));
            break;
        case MenuCommand::Separator:
            break;
    }
}

void MainWindow::ChooseRowsByName() {
    if (!Hwnd() || m_closing || m_asking || !IsWindowEnabled(Control(kListView1))) return;
    OperationScope operation(*this);
    m_asking = true;
    MaskPrompt prompt;
    const std::optional<Text> mask = prompt.Ask(Hwnd(), m_masks, [this] { return m_closing; });
    m_asking = false;
    // The list may have become busy meanwhile (a command sent while the prompt was up).
    if (!mask || m_closing || !Hwnd() || !IsWindowEnabled(Control(kListView1))) return;
    RememberMask(m_masks, *mask);
    if (const std::optional<std::size_t> count = ChooseByName(m_tasks, *mask)) ShowStatus(ChosenByNameStatus(*count));
}

// The list takes its menu's commands: not while busy, closing or asking already.
bool MainWindow::ListTakesInput() const {
    return Hwnd() && !m_closing && !m_asking && IsWindowEnabled(Control(kListView1));
}

// The dialog is modal: a command sent meanwhile may have made the list busy, or the window closed.
std::optional<Text> MainWindow::AskListFile(ListFileAction action) {
    m_asking = true;
    std::optional<Text> path =
        m_options.askListFile ? m_options.askListFile(Hwnd(), action) : m_listDialogs.Ask(Hwnd(), action);
    m_asking = false;
    if (!path || m_closing || !Hwnd() || !IsWindowEnabled(Control(kListView1))) return std::nullopt;
    return path;
}

void MainWindow::ExportList() {
    if (!ListTakesInput()) return;
    OperationScope operation(*this);
    const std::optional<Text> path = AskListFile(ListFileAction::Export);
    if (!path) return;
    m_list.Sync();
    const std::vector<std::size_t> rows = m_list.Rows();
    const Text problem = WriteFileWhole(*path, ExportListBytes(m_tasks, rows));
    if (!problem.empty()) {
        Warn(Text(kExportFailedText) + problem);
        return;
    }
    ShowStatus(ExportedStatus(rows.size()));
}

void MainWindow::ImportList() {
    if (!ListTakesInput()) return;
    OperationScope operation(*this);
    if (const std::optional<Text> path = AskListFile(ListFileAction::Import)) ImportListFile(*path);
}

void MainWindow::ImportListFile(TextView path) {
    if (!ListTakesInput()) return;
    OperationScope operation(*this);
    const FileRead read = ReadFileUpTo(path, kMaxListFileBytes);
    if (!read.error.empty()) {
        Warn(Text(kReadFailedText) + read.error);
        return;
    }
    const ListFileText file =
        read.tooLarge ? ListFileText{{}, ListFileProblem::TooLarge} : DecodeListFile(read.bytes, m_decoder);
    if (file.problem) {
        Warn(ListFileProblemText(*file.problem));
        return;
    }
    ImportListText(file.text);
}

void MainWindow::ImportListText(TextView text) {
    if (!ListTakesInput()) return;
    OperationScope operation(*this);
    const std::size_t added = AddListRows(m_tasks, ListRows(text));
    m_list.Sync();
    ShowStatus(ImportedStatus(added));
}

// What the drop took is imported only if the window still takes drops now that it is its turn.
void MainWindow::OnListDropped(const DroppedList& list) {
    if (!TakesDrops()) return;
    if (!list.file.empty()) {
        ImportListFile(list.file);
    } else if (!list.text.empty()) {
        ImportListText(list.text);
    }
}

void MainWindow::SubmitTasks() {
    if (!m_player || !Hwnd() || m_closing || !IsWindowEnabled(Control(kCommand2))) return;
    OperationScope operation(*this);
    if (!m_taskbar) m_taskbar = std::make_unique<TaskbarProgress>(Hwnd(), m_options.taskbar);
    ferrik::SubmitTasks(BatchPorts{m_tasks, *this, *m_player, m_wait, m_pump, m_pageLinks, *this, m_taskbar.get()});
}

void MainWindow::ShowAbout() {
    if (!m_about || !m_about->Hwnd()) {
        m_about = std::make_unique<AboutWindow>();
        if (!m_about->Create(Hwnd())) return;
    }
    m_about->Show();
}

void MainWindow::ShowStatus(TextView text) {
    const Text caption(text);
    SetWindowTextW(Control(kLblResult), Wide(caption));
    FitLabelToText(Control(kLblResult), MainControl(kLblResult), m_dpi);
    m_pump.PumpMessages();
}

void MainWindow::SetControlsEnabled(bool enabled) {
    for (int id : kBusyControls) EnableWindow(Control(id), enabled);
    for (MenuCommand command : kBusyMenuEntries)
        EnableMenuItem(m_analyseMenu.get(), static_cast<UINT>(command),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainWindow::LockControls() {
    SetControlsEnabled(false);
}

void MainWindow::UnlockControls() {
    m_list.Sync();  // the operation ends: every row it added is shown
    EnableWindow(Control(kCommand1), TRUE);
    SetControlsEnabled(true);
}

int MainWindow::MessageBoxFlags(TextView text, UINT flags) {
    if (m_closing || !Hwnd()) return (flags & MB_YESNO) ? IDNO : IDOK;
    const Text body(text);
    const Text title(kMessageTitle);
    return MessageBoxW(Hwnd(), Wide(body), Wide(title), flags);
}

void MainWindow::Warn(TextView text) {
    MessageBoxFlags(text, MB_OK | MB_ICONEXCLAMATION);
}

bool MainWindow::Ask(TextView text) {
    return MessageBoxFlags(text, MB_YESNO | MB_ICONINFORMATION) != IDNO;
}

void MainWindow::ShowMessage(TextView text, MessageIcon icon) {
    if (!m_closing && Hwnd()) ShowMessageBox(Hwnd(), text, icon);
}

void MainWindow::ShellOpen(TextView text) {
    if (m_options.shellOpen) {
        m_options.shellOpen(text);
    } else {
        ferrik::ShellOpen(text);
    }
}

void MainWindow::Beep() {
    MessageBeep(MB_OK);
}

}  // namespace ferrik
