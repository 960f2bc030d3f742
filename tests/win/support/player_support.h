#pragma once
// Helpers for tests that drive the player substitute (tools/player-sim).
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/prompts_win.h"
#include "common/text.h"

namespace ferrik::test {

// Points the substitute's journal at a fresh file for one test.
class Journal {
public:
    Journal() {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        m_path = std::wstring(dir) + L"ferrik_journal_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        DeleteFileW(m_path.c_str());
        SetEnvironmentVariableW(L"QVODSIM_JOURNAL", m_path.c_str());
    }
    ~Journal() {
        SetEnvironmentVariableW(L"QVODSIM_JOURNAL", nullptr);
        DeleteFileW(m_path.c_str());
    }
    // The jobs the player took, in order.
    std::vector<Text> Lines() const { return Read(false); }
    // Everything: the control's life ("#sited", "#activated", ...) between the jobs.
    std::vector<Text> Events() const { return Read(true); }

private:
    std::vector<Text> Read(bool withLife) const {
        std::ifstream in(m_path.c_str(), std::ios::binary);
        std::vector<Text> lines;
        std::string line;
        while (std::getline(in, line)) {
            if (withLife || line.rfind('#', 0) != 0) lines.push_back(FromUtf8(line));
        }
        return lines;
    }

    std::wstring m_path;
};

// A hidden top-level window standing in for the main window as the player's container.
class ContainerWindow {
public:
    ContainerWindow()
        : m_hwnd(CreateWindowExW(0, L"Static", L"container", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr)) {}
    ~ContainerWindow() {
        if (m_hwnd) DestroyWindow(m_hwnd);
    }
    ContainerWindow(const ContainerWindow&) = delete;
    ContainerWindow& operator=(const ContainerWindow&) = delete;
    HWND get() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

class CountingPrompts final : public Prompts {
public:
    void ShowMessage(TextView text, MessageIcon icon) override {
        ++messages;
        texts.emplace_back(text);
        if (showBoxes) ShowMessageBox(nullptr, text, icon);
    }
    void ShellOpen(TextView text) override {
        ++opens;
        opened = Text(text);
    }
    bool showBoxes = true;
    std::vector<Text> texts;
    int messages = 0;
    int opens = 0;
    Text opened;
};

}  // namespace ferrik::test
