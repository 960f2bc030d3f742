#include "analysis/http_win.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "analysis/charset.h"
#include "analysis/url.h"
#include "common/web_address.h"
#include "platform/handles_win.h"
#include "platform/pump_win.h"
#include "platform/system_dlls_win.h"
#include "version.h"

namespace ferrik {

namespace {

constexpr wchar_t kUserAgent[] = L"Mozilla/5.0 (compatible; Ferrik/" FERRIK_VERSION_TEXT ")";
constexpr DWORD kReadChunk = 64 * 1024;

// Why a step failed, from the thread's last error.
std::string StepFailed(const char* step) {
    const DWORD error = GetLastError();
    return std::string(step) + " failed, error " + std::to_string(error);
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
    int size =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes, nullptr, &usedDefault);
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

// A web address (common/web_address.h) read as browsers read it (escapes added), then taken apart
// for WinINet; else why it cannot be fetched.
std::optional<Target> CrackAddress(TextView address, TextView charset, std::string& error) {
    const Text web = WebAddress(address);
    if (web.empty()) {
        error = "not an http or https address";
        return std::nullopt;
    }
    const std::optional<Url> url = ParseRequestUrl(web, QueryEncoderFor(charset));
    if (!url) {
        error = "not a URL";
        return std::nullopt;
    }
    if (url->scheme != u"http" && url->scheme != u"https") {
        error = "not an http or https address";
        return std::nullopt;
    }
    if (url->host.empty()) {
        error = "address without host";
        return std::nullopt;
    }
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
    std::string error;
    return CrackAddress(address, u"UTF-8", error).has_value();
}

namespace {

// WinINet ignores time-outs set on the session handle; they count only on connect and request handles.
bool SetTimeouts(HINTERNET handle, const HttpOptions& options, std::string& error) {
    const std::pair<DWORD, DWORD> timeouts[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, options.connectTimeoutMs},
        {INTERNET_OPTION_SEND_TIMEOUT, options.sendTimeoutMs},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, options.receiveTimeoutMs},
    };
    for (auto [option, value] : timeouts) {
        if (!late::InternetSetOptionW(handle, option, &value, sizeof value)) {
            error = StepFailed("setting a time-out");
            return false;
        }
    }
    return true;
}

std::wstring QueryHeader(HINTERNET request, DWORD header) {
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (late::HttpQueryInfoW(request, header, value.data(), &size, nullptr)) {
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
    late::InternetQueryOptionW(request, INTERNET_OPTION_URL, nullptr, &size);
    if (size == 0) return {};
    std::wstring url(size / sizeof(wchar_t) + 1, L'\0');
    if (!late::InternetQueryOptionW(request, INTERNET_OPTION_URL, url.data(), &size)) return {};
    url.resize(wcsnlen(url.c_str(), url.size()));
    return Text(url.begin(), url.end());
}

// The Content-Length header's number, capped just above `limit`; nullopt when it is not a plain
// number (the read loop counts then).
std::optional<std::uint64_t> DeclaredLength(std::wstring_view length, std::size_t limit) {
    std::uint64_t value = 0;
    if (length.empty()) return std::nullopt;
    for (wchar_t c : length) {
        if (c < L'0' || c > L'9') return std::nullopt;
        if (value > limit) return value;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

// One bound for the whole request, from its start (connecting, sending, the headers) to the last
// byte of the body. The callers on the GUI thread wait no longer than that either: under Wine a
// call blocked in WinINet does not end when its handle is closed.
class Deadline {
public:
    explicit Deadline(DWORD ms) : m_end(GetTickCount64() + ms) {}
    bool Passed() const { return GetTickCount64() >= m_end; }

private:
    ULONGLONG m_end;
};

constexpr char kCancelled[] = "cancelled";

// The body to its end, within the limits; false with `error` set when it cannot be had.
bool ReadBody(HINTERNET request, const HttpOptions& options, const Deadline& deadline, CancelToken& cancel,
              std::string& body, std::string& error) {
    std::string buffer(kReadChunk, '\0');
    for (;;) {
        if (deadline.Passed()) {
            error = "overall time-out while reading the body";
            return false;
        }
        // Waiting for what is available first keeps each read short: InternetReadFile itself blocks
        // until the whole buffer is filled, which a trickling server may never do.
        DWORD available = 0;
        DWORD read = 0;
        {
            BlockingCall call(cancel);
            if (!call) {
                error = kCancelled;
                return false;
            }
            if (!late::InternetQueryDataAvailable(request, &available, 0, 0)) {
                error = StepFailed("InternetQueryDataAvailable");
                return false;
            }
            const DWORD wanted = available == 0 ? kReadChunk : std::min(available, kReadChunk);
            if (!late::InternetReadFile(request, buffer.data(), wanted, &read)) {
                error = StepFailed("InternetReadFile");
                return false;
            }
        }
        if (read == 0) return true;
        if (read > options.maxBodyBytes - body.size()) {
            error = "body larger than the limit";
            return false;
        }
        body.append(buffer.data(), read);
    }
}

void CloseInternetHandle(void* handle) noexcept {
    late::InternetCloseHandle(static_cast<HINTERNET>(handle));
}

// Opens a handle and hands it to `cancel`, which closes it (the request first, the session last).
HINTERNET Held(HINTERNET handle, CancelToken& cancel) {
    if (handle && !cancel.Hold(handle, CloseInternetHandle)) return nullptr;
    return handle;
}

// One request; its handles stay with `cancel` for the worker's end.
HttpResult Fetch(TextView address, TextView charset, const HttpOptions& options, CancelToken& cancel) {
    HttpResult result;
    std::string& error = result.error;
    const Deadline deadline(options.totalTimeoutMs);
    const std::optional<Target> target = CrackAddress(address, charset, error);
    if (!target) return result;
    if (cancel.Requested()) {
        error = kCancelled;
        return result;
    }

    const HINTERNET session =
        Held(late::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0), cancel);
    if (!session) {
        error = StepFailed("InternetOpen");
        return result;
    }
    const HINTERNET connection = Held(late::InternetConnectW(session, target->host.c_str(), target->port, nullptr,
                                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0),
                                      cancel);
    if (!connection) {
        error = StepFailed("InternetConnect");
        return result;
    }
    if (!SetTimeouts(connection, options, error)) return result;

    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    if (target->secure) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const HINTERNET request = Held(
        late::HttpOpenRequestW(connection, L"GET", target->object.c_str(), nullptr, nullptr, acceptTypes, flags, 0),
        cancel);
    if (!request) {
        error = StepFailed("HttpOpenRequest");
        return result;
    }
    if (!SetTimeouts(request, options, error)) return result;

    // Ask for compressed bodies only where WinINet undoes the content coding itself, and only for
    // gzip: WinINet's "deflate" decoding differs between systems (Wine takes it for a raw deflate
    // stream and fails on the zlib stream that HTTP prescribes).
    BOOL decode = TRUE;
    const bool decoding = late::InternetSetOptionW(request, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
    const std::wstring headers = decoding ? L"Accept-Encoding: gzip\r\n" : L"";
    {
        BlockingCall call(cancel);
        if (!call) {
            error = kCancelled;
            return result;
        }
        if (!late::HttpSendRequestW(request, headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0)) {
            error = StepFailed("HttpSendRequest");
            return result;
        }
    }
    // The send returns once the headers are in; a server that trickles them takes its time there.
    if (deadline.Passed()) {
        error = "overall time-out before the body";
        return result;
    }

    HttpResponse response;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (late::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        response.status = static_cast<int>(status);
    }
    const std::wstring contentType = QueryHeader(request, HTTP_QUERY_CONTENT_TYPE);
    response.contentType = ToUtf8(Text(contentType.begin(), contentType.end()));
    response.finalUrl = QueryFinalUrl(request);
    if (response.finalUrl.empty()) response.finalUrl = target->href;
    // A declared length beyond the limit fails before anything is read.
    const std::wstring length = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH);
    const std::optional<std::uint64_t> declared = DeclaredLength(length, options.maxBodyBytes);
    if (declared && *declared > options.maxBodyBytes) {
        error = "declared body larger than the limit";
        return result;
    }
    // The body is read into room for the length declared, not copied on as it grows.
    if (declared) response.body.reserve(static_cast<std::size_t>(*declared));
    if (!ReadBody(request, options, deadline, cancel, response.body, error)) return result;
    result.response = std::move(response);
    return result;
}

}  // namespace

HttpResult HttpGet(TextView address, TextView charset, const HttpOptions& options, CancelToken& cancel) {
    return Fetch(address, charset, options, cancel);
}

HttpResponse HttpGetBlocking(TextView address, const HttpOptions& options) {
    CancelToken handles;
    HttpResult result = Fetch(address, u"UTF-8", options, handles);
    handles.CloseAll();
    if (!result.response) throw FetchError(result.error);
    return std::move(*result.response);
}

namespace {

// What the GUI thread and its worker share; either may be the last to let go of it.
struct Exchange {
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex;
    HttpResult result;
};

}  // namespace

HttpResponse WinInetFetcher::Get(TextView address, TextView charset) {
    if (QuitRequested()) throw FetchError("the program is ending");
    auto exchange = std::make_shared<Exchange>();
    if (!exchange->done.get()) throw FetchError(StepFailed("CreateEvent"));
    const std::shared_ptr<CancelToken> cancel = m_workers.Start(
        [exchange, address = Text(address), charset = Text(charset), options = m_options](CancelToken& token) {
            HttpResult result = HttpGet(address, charset, options, token);
            {
                std::lock_guard lock(exchange->mutex);
                exchange->result = std::move(result);
            }
            SetEvent(exchange->done.get());
        },
        // Out of memory on the worker: no response, which fails the fetch as any failed request.
        [exchange] {
            {
                std::lock_guard lock(exchange->mutex);
                exchange->result.error = "out of memory";  // fits the string's own buffer
            }
            SetEvent(exchange->done.get());
        });
    if (!cancel) throw FetchError("no worker thread");
    // The worker ends by its own time-outs; this bound also covers a server that trickles its
    // headers or a read that blocks, so the GUI thread never waits longer than the total.
    const PumpWaitResult waited = WaitPumping(exchange->done.get(), m_options.totalTimeoutMs);
    if (waited != PumpWaitResult::Signaled) {
        cancel->Request();
        throw FetchError(waited == PumpWaitResult::Quit ? "the program is ending" : "overall time-out");
    }
    std::lock_guard lock(exchange->mutex);
    if (!exchange->result.response) throw FetchError(exchange->result.error);
    return std::move(*exchange->result.response);
}

}  // namespace ferrik
