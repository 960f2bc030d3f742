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
    std::vector<Text> Lines() const {
        std::ifstream in(m_path.c_str(), std::ios::binary);
        std::vector<Text> lines;
        std::string line;
        while (std::getline(in, line)) lines.push_back(FromUtf8(line));
        return lines;
    }

private:
    std::wstring m_path;
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
