#pragma once
// The browser the web window drives: its operations, properties, document and events. Two
// implementations stand behind it, chosen at run time: the system's WebBrowser control and
// Ferrik's own page view (used where the system's control cannot load a document).
//
// Events are raised on the thread that owns the browser (the window's thread), in the order the
// system's control raises them: BeforeNavigate2, then ProgressChange and StatusTextChange as the
// page arrives, DownloadComplete, DocumentComplete; NavigateError (with the HTTP status, or
// -2146697211 when the host cannot be found or reached) before the error page is shown.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "common/text.h"

namespace ferrik {

// "Resource not found": the status a navigation error carries when the host cannot be reached.
inline constexpr std::int32_t kInetResourceNotFound = -2146697211;

class BrowserEvents {
public:
    virtual ~BrowserEvents() = default;
    virtual void StatusTextChange(TextView /*text*/) {}
    virtual void ProgressChange(std::int32_t /*progress*/, std::int32_t /*progressMax*/) {}
    virtual void BeforeNavigate2(TextView /*url*/, bool& /*cancel*/) {}
    // A page asks for a new window (a link with a target of its own, window.open). Cancel keeps
    // the browser from opening one.
    virtual void NewWindow2(bool& /*cancel*/) {}
    virtual void DownloadComplete() {}
    virtual void DocumentComplete(TextView /*url*/) {}
    virtual void NavigateError(TextView /*url*/, std::int32_t /*statusCode*/, bool& /*cancel*/) {}
};

// The loaded document's elements in document order, by index. A call that the element does not
// support (an element without a type, an index out of range) fails: nullopt or false.
class BrowserDocument {
public:
    virtual ~BrowserDocument() = default;
    virtual std::size_t ElementCount() const = 0;
    virtual std::optional<Text> TagName(std::size_t index) const = 0;
    virtual std::optional<Text> Type(std::size_t index) const = 0;
    virtual std::optional<Text> Value(std::size_t index) const = 0;
    virtual bool SetValue(std::size_t index, TextView value) = 0;
    // Replaces the body's content by `html` (a text range over the body, pasteHTML).
    virtual bool PasteHtmlIntoBody(TextView html) = 0;
};

class Browser {
public:
    virtual ~Browser() = default;

    // Operations; false is the control's raised error (the web window ignores it).
    virtual bool Navigate(TextView url) = 0;
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    virtual bool GoHome() = 0;
    virtual bool Refresh() = 0;
    virtual bool Stop() = 0;
    virtual void SetSilent(bool silent) = 0;

    virtual Text LocationName() const = 0;
    // Empty while there is no page, or when the browser cannot say.
    virtual Text LocationURL() const = 0;
    // The current document, or null while there is none.
    virtual BrowserDocument* Document() = 0;

    // Placement in the parent window, in pixels.
    virtual void SetBounds(int x, int y, int width, int height) = 0;
    // The DPI the window is laid out for, at its creation and after each change of monitor: pages
    // are drawn at its scale. A browser that reads its window's DPI as it draws needs nothing.
    virtual void SetDpi(int /*dpi*/) {}
};

// A browser whose events can be sent elsewhere: the system's control, tried out by one listener
// before it is handed to the window.
class RetargetableBrowser : public Browser {
public:
    virtual void SetEvents(BrowserEvents& events) = 0;
};

}  // namespace ferrik
