#pragma once
// A browser that records what it is asked and raises the events a test gives it; its document is a
// list of elements. Used by the host tests and by the Windows tests of the web window.
#include <optional>
#include <string>
#include <vector>

#include "web/browser.h"

namespace ferrik::test {

struct FakeElement {
    Text tag;
    std::optional<Text> type;  // nullopt: the element has no type (reading it fails)
    Text value;
};

class FakeDocument final : public BrowserDocument {
public:
    std::size_t ElementCount() const override { return elements.size(); }
    std::optional<Text> TagName(std::size_t i) const override {
        if (i >= elements.size()) return std::nullopt;
        return elements[i].tag;
    }
    std::optional<Text> Type(std::size_t i) const override {
        if (i >= elements.size()) return std::nullopt;
        return elements[i].type;
    }
    std::optional<Text> Value(std::size_t i) const override {
        if (i >= elements.size()) return std::nullopt;
        return elements[i].value;
    }
    bool SetValue(std::size_t i, TextView value) override {
        if (i >= elements.size()) return false;
        elements[i].value = Text(value);
        return true;
    }
    bool PasteHtmlIntoBody(TextView html) override {
        body = Text(html);
        return true;
    }
    std::vector<FakeElement> elements;
    Text body;
};

class FakeBrowser final : public Browser {
public:
    bool Navigate(TextView url) override {
        calls.push_back(u"Navigate " + Text(url));
        location = Text(url);
        return true;
    }
    bool GoBack() override { return Call(u"GoBack"); }
    bool GoForward() override { return Call(u"GoForward"); }
    bool GoHome() override { return Call(u"GoHome"); }
    bool Refresh() override { return Call(u"Refresh"); }
    bool Stop() override { return Call(u"Stop"); }
    void SetSilent(bool silent) override { calls.push_back(silent ? u"Silent" : u"NotSilent"); }
    Text LocationName() const override { return name; }
    Text LocationURL() const override { return location; }
    BrowserDocument* Document() override { return hasDocument ? &document : nullptr; }
    void SetBounds(int x, int y, int width, int height) override { bounds = {x, y, width, height}; }

    std::vector<Text> calls;
    Text name;
    Text location;
    bool hasDocument = true;
    FakeDocument document;
    std::vector<int> bounds;

private:
    bool Call(const char16_t* what) {
        calls.emplace_back(what);
        return true;
    }
};

}  // namespace ferrik::test
