#pragma once
// The main and About windows as data: control layouts in twips, captions, menus and the main
// window's resize rules.
#include <cstdint>
#include <optional>

#include "common/text.h"
#include "forms/forms.h"

namespace ferrik {

// ---- the main window (frmmain) ----

inline constexpr int kMainClientWidth = 11265;
inline constexpr int kMainClientHeight = 8100;

enum MainControlId : int {
    kLabel1 = 1001,
    kCombo1,
    kCommand1,
    kCommand2,
    kCommand3,
    kPicture1,
    kLblResult,
    kListView1,
};

// Combo1 is one line high; its edit line takes the font's height.
inline constexpr ControlLayout kMainControls[] = {
    {kLabel1, "Label1", ControlKind::Label, {120, 200, 1680, 210}, u"请输入Qvod页面："},
    {kCombo1, "Combo1", ControlKind::ComboBox, {1800, 120, 7695, 300}, u""},
    {kCommand1, "Command1", ControlKind::Button, {9600, 80, 735, 375}, u"分析"},
    {kCommand2, "Command2", ControlKind::Button, {10440, 80, 735, 375}, u"下载"},
    {kCommand3, "Command3", ControlKind::Button, {120, 480, 495, 375}, u"Web"},
    {kPicture1, "Picture1", ControlKind::PictureBox, {720, 520, 10455, 375}, u""},
    {kLblResult, "lblResult", ControlKind::Label, {120, 75, 2520, 180}, u"欢迎使用Ferrik。", kPicture1},
    {kListView1, "ListView1", ControlKind::ListView, {120, 960, 11055, 6975}, u""},
};

const ControlLayout& MainControl(int id);

// The task list's columns; the first header is replaced at run time by "名称(" + count + ")".
inline constexpr ListColumn kTaskColumns[] = {
    {u"名称", 2500},
    {u"qvod地址", 5500},
    {u"使用引擎", 1440},
    {u"状态", 1000},
};

// "Ferrik V" + major.minor.revision, no space after the "V".
Text MainCaption(int major, int minor, int revision);

// Where the resize handler puts the controls, from the window's outer size in twips. A rule whose
// result is not a valid size (a window smaller than the layout) is left out: that control keeps
// its last valid place, silently.
struct MainResizeResult {
    std::optional<TwipsRect> listView1;
    std::optional<int> picture1Width;
    int command3Top = 0;
};
MainResizeResult ResizeMainForm(int windowWidth, int windowHeight, const TwipsRect& listView1,
                                const TwipsRect& picture1);

// ---- menus ----

enum class MenuCommand : std::uint16_t {
    Separator = 0,
    SaveList = 101,  // 文件 → 保存qvod列表
    SmartAnalyse,
    AnalyseEpisodePage,
    AnalyseQvodText,
    AnalyseEscapedQvodText,
    StopAnalysis,
    CheckAll,
    UncheckAll,
    InvertChecks,
    About,
    ChooseByName,  // 列表操作 → 按名称选择...
    ExportList,    // 列表操作 → 导出列表...
    ImportList,    // 列表操作 → 导入列表...
    AppendToList,  // 分析 → 追加到现有列表, a check entry
};

struct MenuEntry {
    std::u16string_view caption;  // empty for a separator
    MenuCommand command;
};

// The three top-level menus, all hidden (no menu bar): 文件 is never shown, 分析 pops up from
// Command1, 列表操作 from a right click in the task list.
inline constexpr MenuEntry kFileMenu[] = {{u"保存qvod列表", MenuCommand::SaveList}};
inline constexpr MenuEntry kAnalyseMenu[] = {
    {u"智能分析", MenuCommand::SmartAnalyse},
    {u"", MenuCommand::Separator},
    {u"分析Qvod集数页面", MenuCommand::AnalyseEpisodePage},
    {u"分析网页中的Qvod地址", MenuCommand::AnalyseQvodText},
    {u"分析网页中的Qvod地址(加密)", MenuCommand::AnalyseEscapedQvodText},
    {u"", MenuCommand::Separator},
    {u"停止分析", MenuCommand::StopAnalysis},
    {u"", MenuCommand::Separator},
    {u"追加到现有列表", MenuCommand::AppendToList},
};
inline constexpr MenuEntry kListMenu[] = {
    {u"全选", MenuCommand::CheckAll},
    {u"全不选", MenuCommand::UncheckAll},
    {u"反选", MenuCommand::InvertChecks},
    {u"按名称选择...", MenuCommand::ChooseByName},
    {u"导出列表...", MenuCommand::ExportList},
    {u"导入列表...", MenuCommand::ImportList},
    {u"", MenuCommand::Separator},
    {u"关于本软件", MenuCommand::About},
};

inline constexpr std::u16string_view kNotSupportedText = u"暂时不支持！";

// The title of every message box of the program.
inline constexpr std::u16string_view kMessageTitle = u"提示";

// The busy state: LockControls disables these, UnlockControls enables them and Command1 (which
// the lock never disables, so that 停止分析 stays reachable).
inline constexpr int kBusyControls[] = {kCommand2, kCombo1, kListView1};
inline constexpr MenuCommand kBusyMenuEntries[] = {MenuCommand::SmartAnalyse, MenuCommand::AnalyseEpisodePage,
                                                   MenuCommand::AnalyseQvodText, MenuCommand::AnalyseEscapedQvodText};

// ---- the About window (frmabout) ----

inline constexpr int kAboutClientWidth = 4050;
inline constexpr int kAboutClientHeight = 2085;
inline constexpr std::u16string_view kAboutCaption = u"关于";

enum AboutControlId : int { kAboutLabel1 = 2001, kAboutLabel2, kAboutCommand1 };

// Label2 is 360 high, not the 375 of the design: that reached 15 twips into Command1.
inline constexpr ControlLayout kAboutControls[] = {
    {kAboutLabel1,
     "Label1",
     ControlKind::Label,
     {120, 120, 3855, 855},
     u"《Ferrik》是一款免费、开源的qvod电影批量下载工具，它支持多个qvod电影网站，使用简单。"},
    {kAboutLabel2, "Label2", ControlKind::Label, {120, 1080, 3375, 360}, u"感谢每一位使用和反馈的朋友！"},
    {kAboutCommand1, "Command1", ControlKind::Button, {2760, 1440, 1215, 495}, u"确定"},
};

}  // namespace ferrik
