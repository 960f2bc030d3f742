#include "common/web_address.h"

namespace ferrik {

namespace {

bool IsControlOrBlank(char16_t c) {
    return c <= 0x20;
}

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

bool StartsWithAsciiNoCase(TextView text, TextView prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != prefix[i]) return false;
    return true;
}

// The characters no host name holds (the URL Standard's forbidden host code points, and '%': an
// escaped host is no name a person reads).
bool IsForbiddenInHost(char16_t c) {
    return TextView(u" #/:<>?@[\\]^|%\"").find(c) != TextView::npos;
}

bool IsPort(TextView port) {
    if (port.empty() || port.size() > 5) return port.empty();
    unsigned value = 0;
    for (char16_t c : port) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<unsigned>(c - u'0');
    }
    return value <= 65535;
}

// A bracketed IPv6 address: hex digits, ':' and '.' (an embedded IPv4 address) between the brackets.
bool IsIpv6Literal(TextView host) {
    if (host.size() < 4 || host.front() != u'[' || host.back() != u']') return false;
    for (char16_t c : host.substr(1, host.size() - 2))
        if (!IsHexDigit(c) && c != u':' && c != u'.') return false;
    return true;
}

// "user:password@host:port": a host must be there; what comes before the last '@' is the user's.
bool HasHost(TextView authority) {
    const std::size_t at = authority.rfind(u'@');
    if (at != TextView::npos) authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == u'[') {
        const std::size_t close = authority.find(u']');
        if (close == TextView::npos) return false;
        TextView rest = authority.substr(close + 1);
        if (!rest.empty() && (rest.front() != u':' || !IsPort(rest.substr(1)))) return false;
        return IsIpv6Literal(authority.substr(0, close + 1));
    }
    const std::size_t colon = authority.find(u':');
    const TextView host = authority.substr(0, colon);
    if (colon != TextView::npos && !IsPort(authority.substr(colon + 1))) return false;
    if (host.empty()) return false;
    for (char16_t c : host)
        if (IsForbiddenInHost(c)) return false;
    return true;
}

}  // namespace

Text WebAddress(TextView text) {
    while (!text.empty() && IsControlOrBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsControlOrBlank(text.back())) text.remove_suffix(1);
    for (char16_t c : text)
        if (IsControl(c)) return {};
    TextView rest;
    if (StartsWithAsciiNoCase(text, u"http://")) {
        rest = text.substr(7);
    } else if (StartsWithAsciiNoCase(text, u"https://")) {
        rest = text.substr(8);
    } else {
        return {};
    }
    // The authority ends where the path, query or fragment begins; browsers read '\' as '/' there.
    const TextView authority = rest.substr(0, rest.find_first_of(u"/\\?#"));
    if (!HasHost(authority)) return {};
    return Text(text);
}

}  // namespace ferrik
