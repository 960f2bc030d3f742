#pragma once
// Fakes of the core's ports for host tests.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "analysis/fetch.h"
#include "tasks/task_list.h"
#include "common/ports.h"

namespace ferrik::test {

// Serves canned responses by address; an unknown address throws FetchError. `onGet` runs during
// each request, as the GUI's message pumping would (e.g. to request a stop mid-fetch).
class FakeFetcher final : public PageFetcher {
public:
    HttpResponse Get(TextView address, TextView charset) override {
        requests.emplace_back(address);
        charsets.emplace_back(charset);
        if (onGet) onGet(address);
        auto it = pages.find(Text(address));
        if (it == pages.end()) throw FetchError("no such page");
        return it->second;
    }
    void Serve(TextView address, std::string body, std::string contentType = {}) {
        pages[Text(address)] = HttpResponse{200, std::move(body), std::move(contentType), Text(address)};
    }
    std::map<Text, HttpResponse> pages;
    std::vector<Text> requests;
    std::vector<Text> charsets;  // of each request
    std::function<void(TextView)> onGet;
};

class FakePump final : public MessagePump {
public:
    void PumpMessages() override {
        ++count;
        if (onPump) onPump();
    }
    int count = 0;
    std::function<void()> onPump;
};

class FakeStatus final : public StatusLine {
public:
    void ShowStatus(TextView text) override {
        texts.emplace_back(text);
        if (onShow) onShow(text);
    }
    std::vector<Text> texts;
    std::function<void(TextView)> onShow;
};

class FakeBusy final : public BusyState {
public:
    void LockControls() override { events.push_back("lock"); }
    void UnlockControls() override { events.push_back("unlock"); }
    std::vector<std::string> events;
};

}  // namespace ferrik::test
