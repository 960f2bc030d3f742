#pragma once
// Tests at another display scale. Under Wine the system DPI is HKCU\Control Panel\Desktop\LogPixels,
// read once when a process starts: a test that needs another DPI runs tests of this program again
// in a child process started with the value set, and puts the value back afterwards. The child
// learns its DPI from FERRIK_TEST_DPI.
#include <windows.h>

#include <string>
#include <vector>

namespace ferrik::test {

struct ChildRun {
    DWORD exitCode = static_cast<DWORD>(-1);
    std::string output;  // the child's standard output and error
};

// Runs the tests of this program that `filter` names (a --gtest_filter value) in a new process
// whose system DPI is `dpi`; gives up after two minutes.
ChildRun RunAtSystemDpi(int dpi, const std::wstring& filter);

// In a process started by RunAtSystemDpi: the DPI it was started for; elsewhere 0.
int ChildDpi();

// Makes this process per-monitor DPI aware (version 2), as ferrik.exe's manifest does. A process
// whose awareness is already set keeps it. False when the system has no per-monitor awareness.
bool BecomePerMonitorAware();

// What is wrong with the layout of a top-level window at a glance: for the window and every
// container among its descendants, visible children that overlap each other (a group box around
// its contents excepted) or reach outside their parent's client area; labels, buttons,
// tesselbutton captions and pictures, list headers and combo boxes whose text does not fit.
// One line per fault, naming the windows by class, id and text.
std::vector<std::string> LayoutFaults(HWND window);

}  // namespace ferrik::test
