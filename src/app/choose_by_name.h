#pragma once
// Choosing the task list's rows by name: the list menu's 按名称选择... asks for a name mask in the
// schemes' wildcard syntax (analysis/pattern.h) and ticks exactly the rows whose name matches.
// The prompt is a small form of ours, laid out here as the other forms are in forms.h.
#include <cstddef>
#include <optional>
#include <vector>

#include "common/text.h"
#include "forms/forms.h"
#include "tasks/task_list.h"

namespace ferrik {

inline constexpr std::u16string_view kMaskPromptCaption = u"按名称选择";
inline constexpr std::u16string_view kMaskEmptyText = u"请输入名称匹配式。";
inline constexpr std::u16string_view kMaskMalformedText =
    u"名称匹配式有误：方括号没有配对，或者范围写反了（例如 [9-0]）。";

// "已按名称选中" + count + "项。", on the status line after a choice.
Text ChosenByNameStatus(std::size_t count);

// The message for a mask that cannot be used (empty or not well-formed); empty text for a good one.
Text NameMaskProblem(TextView mask);

// Ticks exactly the rows whose whole name matches `mask` (letters in any case) and unticks the
// others; returns how many are ticked. A mask with a problem changes nothing: nullopt.
std::optional<std::size_t> ChooseByName(TaskList& tasks, TextView mask);

// The masks offered in the prompt's drop-down list: `mask` goes first, an equal one further down
// goes, and at most kMaskHistorySize are kept.
inline constexpr std::size_t kMaskHistorySize = 10;
void RememberMask(std::vector<Text>& history, TextView mask);

// ---- the prompt (a modal form owned by the main window) ----

inline constexpr int kMaskClientWidth = 5520;
inline constexpr int kMaskClientHeight = 1980;

// OK and Cancel carry the dialog ids that Enter and Escape send.
enum MaskControlId : int { kMaskOk = 1, kMaskCancel = 2, kMaskLabel = 4001, kMaskCombo, kMaskHint };

inline constexpr ControlLayout kMaskControls[] = {
    {kMaskLabel, "Label1", ControlKind::Label, {120, 120, 5280, 210}, u"请输入名称匹配式："},
    {kMaskCombo, "Combo1", ControlKind::ComboBox, {120, 390, 5280, 300}, u""},
    {kMaskHint,
     "Label2",
     ControlKind::Label,
     {120, 780, 5280, 480},  // two lines of the 9-point form font, with room at every scale
     u"* 任意多个字符　? 任意一个字符　# 一个数字\r\n[abc] 其中一个字符　[!abc] 其余字符　例如 *.rmvb"},
    {kMaskOk, "Command1", ControlKind::Button, {2880, 1380, 1215, 435}, u"确定"},
    {kMaskCancel, "Command2", ControlKind::Button, {4185, 1380, 1215, 435}, u"取消"},
};

}  // namespace ferrik
