#pragma once
// A browser's events as lines of text, each with what it carries, for tests that compare them as
// data; handlers can cancel and act. Used by the host tests and by the Windows tests of the own
// browser.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "web/browser.h"

namespace ferrik::test {

class BrowserEventLog : public BrowserEvents {
public:
    void StatusTextChange(TextView text) override { Add("StatusTextChange " + ToUtf8(text)); }
    void ProgressChange(std::int32_t progress, std::int32_t progressMax) override {
        Add("ProgressChange " + std::to_string(progress) + "/" + std::to_string(progressMax));
    }
    void BeforeNavigate2(TextView url, bool& cancel) override {
        Add("BeforeNavigate2 " + ToUtf8(url));
        cancel = cancelNavigation;
    }
    void NewWindow2(bool& cancel) override {
        Add("NewWindow2");
        cancel = cancelNewWindow;
    }
    void DownloadComplete() override { Add("DownloadComplete"); }
    void DocumentComplete(TextView url) override {
        Add("DocumentComplete " + ToUtf8(url));
        ++documents;
        if (onDocumentComplete) onDocumentComplete();
    }
    void NavigateError(TextView url, std::int32_t statusCode, bool& cancel) override {
        Add("NavigateError " + ToUtf8(url) + " " + std::to_string(statusCode));
        cancel = cancelError;
    }

    std::vector<std::string> Take() { return std::exchange(lines, {}); }

    // Every line; then `onLine`, which may end what raised it.
    void Add(std::string line) {
        lines.push_back(line);
        if (onLine) onLine(line);
    }

    std::vector<std::string> lines;
    int documents = 0;
    bool cancelNavigation = false;
    bool cancelNewWindow = false;
    bool cancelError = false;
    std::function<void()> onDocumentComplete;
    std::function<void(const std::string&)> onLine;
};

}  // namespace ferrik::test
