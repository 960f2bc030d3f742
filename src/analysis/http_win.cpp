#include "analysis/http_win.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "analysis/charset.h"
#include "analysis/url.h"
#include "platform/handles_win.h"
#include "platform/pump_win.h"
#include "version.h"

namespace ferrik {

namespace {

constexpr wchar_t kUserAgent[] = L"Mozilla/5.0 (compatible; Ferrik/" FERRIK_VERSION_TEXT ")";
constexpr DWORD kReadChunk = 64 * 1024;

void CloseInternetHandle(HINTERNET handle) noexcept { InternetCloseHandle(handle); }
using UniqueInternet = UniqueResource<HINTERNET, CloseInternetHandle>;

[[noreturn]] void Fail(const char* step, DWORD error) {
    throw FetchError(std::string(step) + " failed, error " + std::to_string(error));
}

[[noreturn]] void FailLast(const char* step) {
    Fail(step, GetLastError());
}

struct Target {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring object;  // path and query; the fragment never goes to the server
    Text href;            // the whole address as requested, without the fragment
};

std::wstring ToWide(TextView text) {
    return std::wstring(text.begin(), text.end());
}

// A query character in a Windows code page; false when the code page has no such character (or
// only a best-fit stand-in).
bool EncodeInCodePage(UINT codePage, char32_t cp, std::string& out) {
    wchar_t wide[2];
    int length = 1;
    if (cp < 0x10000) {
        wide[0] = static_cast<wchar_t>(cp);
    } else {
        wide[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        length = 2;
    }
    char bytes[16];
    BOOL usedDefault = FALSE;
    int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr,
                                   &usedDefault);
    if (size <= 0) {
        // Code pages such as GB18030 take neither the flag nor the default-character report; they
        // write every character.
        usedDefault = FALSE;
        size = WideCharToMultiByte(codePage, 0, wide, length, bytes, sizeof bytes, nullptr, nullptr);
    }
    if (size <= 0 || usedDefault) return false;
    out.append(bytes, static_cast<std::size_t>(size));
    return true;
}

// How the query of a page read in `charset` is sent: UTF-8 for UTF-8 and UTF-16 pages (the
// browsers' rule), else the charset's code page; an unknown label is GBK, as in decoding.
QueryCharEncoder QueryEncoderFor(TextView charset) {
    const Charset found = FindCharset(charset).value_or(Charset{CharsetForm::CodePage, kCodePageGbk});
    if (found.form != CharsetForm::CodePage || found.codePage == kCodePageUtf8) return nullptr;
    const UINT codePage = found.codePage;
    return [codePage](char32_t cp, std::string& out) { return EncodeInCodePage(codePage, cp, out); };
}

// The address read as browsers read it (surrounding spaces and controls dropped, escapes added),
// then taken apart for WinINet.
Target CrackAddress(TextView address, TextView charset) {
    const std::optional<Url> url = ParseRequestUrl(address, QueryEncoderFor(charset));
    if (!url) throw FetchError("not a URL");
    if (url->scheme != u"http" && url->scheme != u"https") throw FetchError("not an http or https address");
    if (url->host.empty()) throw FetchError("address without host");
    Target target;
    target.secure = url->scheme == u"https";
    TextView host = url->host;
    if (host.front() == u'[') host = host.substr(1, host.size() - 2);  // an IPv6 address goes without brackets
    target.host = ToWide(host);
    target.port = static_cast<INTERNET_PORT>(url->port >= 0 ? url->port : target.secure ? 443 : 80);
    Url sent = *url;
    sent.fragment.clear();
    sent.hasFragment = false;
    target.href = sent.Href();
    target.object = ToWide(sent.path);
    if (sent.hasQuery) target.object += L'?' + ToWide(sent.query);
    if (target.object.empty()) target.object = L"/";
    return target;
}

}  // namespace

bool IsFetchableAddress(TextView address) {
    try {
        CrackAddress(address, u"UTF-8");
        return true;
    } catch (const FetchError&) {
        return false;
    }
}

namespace {

// WinINet ignores time-outs set on the session handle; they count only on connect and request handles.
void SetTimeouts(HINTERNET handle, const HttpOptions& options) {
    const std::pair<DWORD, DWORD> timeouts[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, options.connectTimeoutMs},
        {INTERNET_OPTION_SEND_TIMEOUT, options.sendTimeoutMs},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, options.receiveTimeoutMs},
    };
    for (auto [option, value] : timeouts) {
        if (!InternetSetOptionW(handle, option, &value, sizeof value)) FailLast("setting a time-out");
    }
}

std::wstring QueryHeader(HINTERNET request, DWORD header) {
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (HttpQueryInfoW(request, header, value.data(), &size, nullptr)) {
            value.resize(size / sizeof(wchar_t));
            return value;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        value.resize(size / sizeof(wchar_t) + 1);
    }
}

// The address the request ended at, after WinINet followed the redirects.
Text QueryFinalUrl(HINTERNET request) {
    DWORD size = 0;
    InternetQueryOptionW(request, INTERNET_OPTION_URL, nullptr, &size);
    if (size == 0) return {};
    std::wstring url(size / sizeof(wchar_t) + 1, L'\0');
    if (!InternetQueryOptionW(request, INTERNET_OPTION_URL, url.data(), &size)) return {};
    url.resize(wcsnlen(url.c_str(), url.size()));
    return Text(url.begin(), url.end());
}

bool DeclaredLengthExceeds(std::wstring_view length, std::size_t limit) {
    std::uint64_t value = 0;
    for (wchar_t c : length) {
        if (c < L'0' || c > L'9') return false;  // not a plain number: let the read loop count
        if (value > limit) return true;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value > limit;
}

class Deadline {
public:
    explicit Deadline(DWORD ms) : m_end(GetTickCount64() + ms) {}
    bool Passed() const { return GetTickCount64() >= m_end; }

private:
    ULONGLONG m_end;
};

std::string ReadBody(HINTERNET request, const HttpOptions& options, const Deadline& deadline,
                     const std::atomic<bool>& cancel) {
    std::string body;
    std::string buffer(kReadChunk, '\0');
    for (;;) {
        if (cancel.load()) throw FetchError("cancelled");
        if (deadline.Passed()) throw FetchError("overall time-out while reading the body");
        // Waiting for what is available first keeps each read short: InternetReadFile itself blocks
        // until the whole buffer is filled, which a trickling server may never do.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) FailLast("InternetQueryDataAvailable");
        const DWORD wanted = available == 0 ? kReadChunk : std::min(available, kReadChunk);
        DWORD read = 0;
        if (!InternetReadFile(request, buffer.data(), wanted, &read)) FailLast("InternetReadFile");
        if (read == 0) return body;
        if (read > options.maxBodyBytes - body.size()) throw FetchError("body larger than the limit");
        body.append(buffer.data(), read);
    }
}

// The handles of one request; the request closes first. Closing may take a while: Wine reads and
// discards what is already waiting of a declared-length body, as long as more keeps arriving.
struct RequestHandles {
    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request;
};

HttpResponse Fetch(TextView address, TextView charset, const HttpOptions& options, const std::atomic<bool>& cancel,
                   RequestHandles& handles) {
    const Deadline deadline(options.totalTimeoutMs);
    const Target target = CrackAddress(address, charset);

    handles.session.reset(InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!handles.session) FailLast("InternetOpen");
    handles.connection.reset(InternetConnectW(handles.session.get(), target.host.c_str(), target.port, nullptr, nullptr,
                                              INTERNET_SERVICE_HTTP, 0, 0));
    if (!handles.connection) FailLast("InternetConnect");
    SetTimeouts(handles.connection.get(), options);

    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    if (target.secure) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    handles.request.reset(HttpOpenRequestW(handles.connection.get(), L"GET", target.object.c_str(), nullptr, nullptr,
                                           acceptTypes, flags, 0));
    HINTERNET request = handles.request.get();
    if (!request) FailLast("HttpOpenRequest");
    SetTimeouts(request, options);

    // Ask for compressed bodies only where WinINet undoes the content coding itself, and only for
    // gzip: WinINet's "deflate" decoding differs between systems (Wine takes it for a raw deflate
    // stream and fails on the zlib stream that HTTP prescribes).
    BOOL decode = TRUE;
    const bool decoding = InternetSetOptionW(request, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
    const std::wstring headers = decoding ? L"Accept-Encoding: gzip\r\n" : L"";
    if (!HttpSendRequestW(request, headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0)) {
        FailLast("HttpSendRequest");
    }

    HttpResponse response;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        response.status = static_cast<int>(status);
    }
    const std::wstring contentType = QueryHeader(request, HTTP_QUERY_CONTENT_TYPE);
    response.contentType = ToUtf8(Text(contentType.begin(), contentType.end()));
    response.finalUrl = QueryFinalUrl(request);
    if (response.finalUrl.empty()) response.finalUrl = target.href;
    // A declared length beyond the limit fails before anything is read.
    const std::wstring length = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH);
    if (DeclaredLengthExceeds(length, options.maxBodyBytes)) throw FetchError("declared body larger than the limit");
    response.body = ReadBody(request, options, deadline, cancel);
    return response;
}

}  // namespace

HttpResponse HttpGetBlocking(TextView address, TextView charset, const HttpOptions& options,
                             const std::atomic<bool>& cancel) {
    RequestHandles handles;
    try {
        return Fetch(address, charset, options, cancel, handles);
    } catch (const FetchError&) {
        // A failed request may still have body to drain; its caller need not wait for that.
        try {
            std::thread([closing = std::move(handles)] {}).detach();
        } catch (const std::system_error&) {
            // closed here after all
        }
        throw;
    }
}

HttpResponse HttpGetBlocking(TextView address, const HttpOptions& options) {
    const std::atomic<bool> never{false};
    return HttpGetBlocking(address, u"UTF-8", options, never);
}

namespace {

// What the GUI thread and its worker share; either may be the last to let go of it.
struct Exchange {
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    std::optional<HttpResponse> response;
    std::string error;
};

void RunExchange(const std::shared_ptr<Exchange>& exchange, const Text& address, const Text& charset,
                 const HttpOptions& options) {
    RequestHandles handles;  // closed after the GUI thread has its answer
    std::optional<HttpResponse> response;
    std::string error;
    try {
        response = Fetch(address, charset, options, exchange->abandoned, handles);
    } catch (const std::exception& e) {
        error = e.what();
    }
    {
        std::lock_guard lock(exchange->mutex);
        exchange->response = std::move(response);
        exchange->error = std::move(error);
    }
    SetEvent(exchange->done.get());
}

}  // namespace

HttpResponse WinInetFetcher::Get(TextView address, TextView charset) {
    if (QuitRequested()) throw FetchError("the program is ending");
    auto exchange = std::make_shared<Exchange>();
    if (!exchange->done.get()) FailLast("CreateEvent");
    try {
        std::thread(RunExchange, exchange, Text(address), Text(charset), m_options).detach();
    } catch (const std::system_error& e) {
        throw FetchError(std::string("no worker thread: ") + e.what());
    }
    // The worker ends by its own time-outs; this bound also covers a server that trickles its
    // headers or a read that blocks, so the GUI thread never waits longer than the total.
    const PumpWaitResult waited = WaitPumping(exchange->done.get(), m_options.totalTimeoutMs);
    if (waited != PumpWaitResult::Signaled) {
        exchange->abandoned = true;
        throw FetchError(waited == PumpWaitResult::Quit ? "the program is ending" : "overall time-out");
    }
    std::lock_guard lock(exchange->mutex);
    if (!exchange->response) throw FetchError(exchange->error);
    return std::move(*exchange->response);
}

}  // namespace ferrik
