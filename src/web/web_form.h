#pragma once
// frmWeb as data: its controls in twips, its texts and its resize rules. The Win32 window is built
// from these tables at the display's DPI, as the main window is from forms.h.
#include <optional>
#include <string_view>

#include "forms/forms.h"
#include "common/text.h"

namespace ferrik {

inline constexpr int kWebClientWidth = 10095;
inline constexpr int kWebClientHeight = 7410;
inline constexpr std::u16string_view kWebCaption = u"网页浏览";

enum WebControlId : int {
    kWebCommand5 = 3001,  // 后退
    kWebCommand6,         // 前进
    kWebCommand2,         // 主页
    kWebCommand3,         // 刷新
    kWebCommand4,         // 停止
    kWebCommand7,         // 添加当前页
    kPicAddress,
    kLblAddress,
    kCboAddress,
    kWebCommand1,  // ">"
    kCmbSearch,
    kListView2,
    kBrwWebBrowser,
    kStatusBar1,
};

// The controls of the table; the browser and the status bar are placed by the window. The
// tesselbuttons' other properties are stored in the form's design text (web_buttons.h).
// picAddress starts where the buttons end (75 + 495), its bottom and its contents' places on the
// form unchanged: at 540 its frame covered the buttons' lower edge.
inline constexpr ControlLayout kWebControls[] = {
    {kWebCommand5, "Command5", ControlKind::TesselButton, {120, 75, 615, 495}, u""},
    {kWebCommand6, "Command6", ControlKind::TesselButton, {840, 75, 615, 495}, u""},
    {kWebCommand2, "Command2", ControlKind::TesselButton, {1560, 75, 615, 495}, u""},
    {kWebCommand3, "Command3", ControlKind::TesselButton, {2280, 75, 615, 495}, u""},
    {kWebCommand4, "Command4", ControlKind::TesselButton, {3000, 75, 615, 495}, u""},
    {kWebCommand7, "Command7", ControlKind::TesselButton, {3720, 75, 1335, 495}, u""},
    {kPicAddress, "picAddress", ControlKind::PictureBox, {120, 570, 4500, 720}, u""},
    {kLblAddress, "lblAddress", ControlKind::Label, {45, 30, 720, 180}, u"地址(&A):", kPicAddress},
    {kCboAddress, "cboAddress", ControlKind::ComboBox, {45, 330, 3795, 300}, u"", kPicAddress},
    {kWebCommand1, "Command1", ControlKind::Button, {3960, 330, 375, 320}, u">", kPicAddress},
    {kCmbSearch, "cmbSearch", ControlKind::ComboBox, {6960, 900, 1995, 300}, u""},
    {kListView2, "ListView2", ControlKind::ListView, {120, 1320, 2775, 5775}, u""},
};

inline constexpr TwipsRect kBrowserRect = {3000, 1320, 6945, 5895};
inline constexpr int kStatusBarHeight = 300;
inline constexpr std::u16string_view kSearchToolTip = u"输入到搜索框的关键字会直接填充到当前网页中";
// The one entry of the address box's drop-down list.
inline constexpr std::u16string_view kStartAddress = u"http://www.baidu.com/";
inline constexpr ListColumn kSiteColumn = {u"网站", 2400};

const ControlLayout& WebControl(int id);

// Where the resize handler puts the controls, from the window's outer width and its client width
// and height (twips) and the controls' current places. A rule whose result is no valid size (a
// window smaller than the layout) is left out: that control keeps its last valid place.
struct WebResizeInput {
    int windowWidth = 0;
    int innerWidth = 0;
    int innerHeight = 0;
    TwipsRect picAddress;
    TwipsRect cmbSearch;
    TwipsRect cboAddress;
    TwipsRect listView2;
};
struct WebResizeResult {
    std::optional<int> picAddressWidth;
    std::optional<int> cmbSearchLeft;
    std::optional<int> cboAddressWidth;
    std::optional<int> listView2Height;
    std::optional<int> command1Left;
    std::optional<TwipsRect> browser;
};
WebResizeResult ResizeWebForm(const WebResizeInput& in);

}  // namespace ferrik
