#include "win/support/http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace ferrik::test {

namespace {

constexpr std::size_t kMaxRequestHead = 64 * 1024;
constexpr int kPollMs = 20;

// Waits until `s` can be read (or written) without blocking; false once `stop` is set or on error.
bool WaitSocket(SOCKET s, bool write, HANDLE stop) {
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval poll{0, kPollMs * 1000};
        const int ready = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &poll);
        if (ready == SOCKET_ERROR) return false;
        if (ready > 0) return true;
    }
    return false;
}

bool SendAll(SOCKET s, std::string_view data, HANDLE stop) {
    while (!data.empty()) {
        if (!WaitSocket(s, true, stop)) return false;
        const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20));
        const int sent = send(s, data.data(), chunk, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// The request line and headers; false when the client went away first.
bool ReadRequestHead(SOCKET s, std::string& head, HANDLE stop) {
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > kMaxRequestHead || !WaitSocket(s, false, stop)) return false;
        const int got = recv(s, buffer, sizeof buffer, 0);
        if (got == 0) return false;
        if (got == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return false;
        }
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

RecordedRequest ParseRequest(std::string_view head) {
    RecordedRequest request;
    std::size_t lineEnd = head.find("\r\n");
    const std::string_view requestLine = head.substr(0, lineEnd);
    const std::size_t space1 = requestLine.find(' ');
    const std::size_t space2 = requestLine.find(' ', space1 + 1);
    request.method = requestLine.substr(0, space1);
    if (space1 != std::string_view::npos) request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    while (lineEnd != std::string_view::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line = head.substr(start, lineEnd - start);
        const std::size_t colon = line.find(':');
        if (line.empty() || colon == std::string_view::npos) continue;
        request.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return request;
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::uint32_t Crc32(std::string_view data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t Adler32(std::string_view data) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    return b << 16 | a;
}

void AppendLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// Deflate stored blocks (BTYPE 00): header bits, then LEN and its complement, then the bytes.
std::string DeflateStored(std::string_view data) {
    std::string out;
    do {
        const std::size_t length = std::min<std::size_t>(data.size(), 0xFFFF);
        out += static_cast<char>(length == data.size() ? 1 : 0);  // BFINAL on the last block
        AppendLe(out, static_cast<std::uint32_t>(length), 2);
        AppendLe(out, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
        out.append(data.substr(0, length));
        data.remove_prefix(length);
    } while (!data.empty());
    return out;
}

}  // namespace

std::string GzipStored(std::string_view data) {
    std::string out("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\xFF", 10);  // no flags, no time, unknown OS
    out += DeflateStored(data);
    AppendLe(out, Crc32(data), 4);
    AppendLe(out, static_cast<std::uint32_t>(data.size()), 4);
    return out;
}

std::string ZlibStored(std::string_view data) {
    std::string out("\x78\x01", 2);  // 32 KiB window, no dictionary, check bits
    out += DeflateStored(data);
    const std::uint32_t adler = Adler32(data);
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(adler >> shift & 0xFF);
    return out;
}

Reply Page(std::string body, std::string contentType, int status) {
    Reply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", std::move(contentType)}};
    reply.body = std::move(body);
    return reply;
}

Reply Redirect(int status, std::string location) {
    Reply reply = Page("moved", "text/plain", status);
    reply.headers.emplace_back("Location", std::move(location));
    return reply;
}

Reply Encoded(ContentCoding coding, std::string body, std::string contentType) {
    Reply reply = Page(std::move(body), std::move(contentType));
    reply.coding = coding;
    return reply;
}

Reply Trickle(std::string piece, int delayMs) {
    Reply reply = Page(std::move(piece), "text/html");
    reply.chunkBytes = std::max<std::size_t>(reply.body.size(), 1);
    reply.chunkDelayMs = std::max(delayMs, 1);
    reply.endless = true;
    return reply;
}

Reply EndlessHead(int delayMs) {
    Reply reply = Page({}, "text/html");
    reply.headDelayMs = std::max(delayMs, 1);
    reply.endlessHead = true;
    return reply;
}

Reply Silence() {
    Reply reply;
    reply.silent = true;
    return reply;
}

Reply Generated(std::uint64_t bytes, bool declareLength) {
    Reply reply = Page({}, "application/octet-stream");
    reply.generatedBytes = bytes;
    reply.declareLength = declareLength;
    return reply;
}

std::string RecordedRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() &&
            std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) { return tolower(a) == tolower(b); })) {
            return value;
        }
    }
    return {};
}

HttpTestServer::HttpTestServer() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw std::runtime_error("WSAStartup failed");
    m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the system picks a free port
    int length = sizeof address;
    u_long nonBlocking = 1;
    if (!m_stop || !m_release || m_listener == INVALID_SOCKET ||
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, SOMAXCONN) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ioctlsocket(m_listener, FIONBIO, &nonBlocking) != 0) {
        const int error = WSAGetLastError();
        if (m_listener != INVALID_SOCKET) closesocket(m_listener);
        if (m_stop) CloseHandle(m_stop);
        if (m_release) CloseHandle(m_release);
        WSACleanup();
        throw std::runtime_error("test server could not listen, error " + std::to_string(error));
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread(&HttpTestServer::AcceptLoop, this);
}

HttpTestServer::~HttpTestServer() {
    SetEvent(m_stop);
    m_acceptor.join();
    // The acceptor has ended, so the list no longer grows.
    for (std::thread& connection : m_connections) connection.join();
    closesocket(m_listener);
    CloseHandle(m_stop);
    CloseHandle(m_release);
    WSACleanup();
}

void HttpTestServer::Serve(std::string target, Reply reply) {
    std::lock_guard lock(m_mutex);
    m_replies[std::move(target)] = std::move(reply);
}

Text HttpTestServer::Url(std::string_view target) const {
    return FromUtf8(UrlUtf8(target));
}

std::string HttpTestServer::UrlUtf8(std::string_view target) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(target);
}

std::vector<RecordedRequest> HttpTestServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool HttpTestServer::Asked(std::string_view target) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_requests.begin(), m_requests.end(),
                       [&](const RecordedRequest& request) { return request.target == target; });
}

void HttpTestServer::Release() {
    SetEvent(m_release);
}

bool HttpTestServer::WaitStop(int ms) const {
    return WaitForSingleObject(m_stop, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

void HttpTestServer::AcceptLoop() {
    while (WaitSocket(m_listener, false, m_stop)) {
        const SOCKET client = accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back(&HttpTestServer::HandleConnection, this, client);
    }
}

void HttpTestServer::HandleConnection(SOCKET client) {
    std::string head;
    if (!ReadRequestHead(client, head, m_stop)) {
        closesocket(client);
        return;
    }
    RecordedRequest request = ParseRequest(head);
    Reply reply = Page("not found", "text/plain", 404);
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_replies.find(request.target);
        if (found != m_replies.end()) reply = found->second;
        m_requests.push_back(std::move(request));
    }
    if (reply.silent) {
        WaitStop(INFINITE);
        closesocket(client);
        return;
    }
    const HANDLE released[] = {m_stop, m_release};
    if (reply.held && WaitForMultipleObjects(2, released, FALSE, INFINITE) == WAIT_OBJECT_0) {
        closesocket(client);
        return;
    }

    std::string body = reply.body;
    if (reply.coding == ContentCoding::Gzip) body = GzipStored(body);
    if (reply.coding == ContentCoding::Deflate) body = ZlibStored(body);
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) out += name + ": " + value + "\r\n";
    if (reply.coding == ContentCoding::Gzip) out += "Content-Encoding: gzip\r\n";
    if (reply.coding == ContentCoding::Deflate) out += "Content-Encoding: deflate\r\n";
    if (reply.declareLength && !reply.endless) {
        const std::uint64_t length = reply.generatedBytes > 0 ? reply.generatedBytes : body.size();
        out += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    out += "Connection: close\r\n\r\n";

    bool open = true;
    if (reply.headDelayMs > 0) {
        // A byte at a time; an endless head repeats one header line after the status line for ever.
        const std::string statusLine = out.substr(0, out.find("\r\n") + 2);
        const std::string_view slow = reply.endlessHead ? std::string_view(statusLine) : std::string_view(out);
        for (std::size_t at = 0; open && (at < slow.size() || reply.endlessHead); ++at) {
            const std::string_view byte = at < slow.size()
                                              ? slow.substr(at, 1)
                                              : std::string_view("X-Wait: 1\r\n").substr((at - slow.size()) % 11, 1);
            open = SendAll(client, byte, m_stop) && !WaitStop(reply.headDelayMs);
        }
    } else {
        open = SendAll(client, out, m_stop);
    }
    if (reply.generatedBytes > 0) {
        std::string block(64 * 1024, '\0');
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('a' + i % 26);
        for (std::uint64_t left = reply.generatedBytes; open && left > 0;) {
            const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            open = SendAll(client, std::string_view(block).substr(0, now), m_stop);
            left -= now;
        }
    } else if (reply.chunkDelayMs > 0) {
        do {
            for (std::size_t at = 0; open && at < body.size(); at += reply.chunkBytes) {
                open = SendAll(client, std::string_view(body).substr(at, reply.chunkBytes), m_stop) &&
                       !WaitStop(reply.chunkDelayMs);
            }
        } while (open && reply.endless);
    } else if (open) {
        open = SendAll(client, body, m_stop);
    }

    // Close gracefully: a socket closed with unread input resets the connection, and the client
    // could lose the tail of the reply.
    shutdown(client, SD_SEND);
    char drain[4096];
    while (open && WaitSocket(client, false, m_stop)) {
        const int got = recv(client, drain, sizeof drain, 0);
        if (got == 0 || (got == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK)) break;
    }
    closesocket(client);
}

}  // namespace ferrik::test
