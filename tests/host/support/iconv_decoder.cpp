#include "host/support/iconv_decoder.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace ferrik::test {

namespace {

std::string IconvName(TextView charset) {
    std::string name;
    for (char16_t c : charset) name += static_cast<char>(c < 0x80 ? (c >= 'A' && c <= 'Z' ? c + 32 : c) : '?');
    if (name.empty() || name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "cp936" ||
        name == "windows-936" || name == "chinese" || name == "csgb2312" || name == "iso-ir-58")
        return "GBK";
    if (name == "utf8") return "UTF-8";
    return name;
}

}  // namespace

Text IconvDecoder::Decode(std::string_view bytes, TextView charset) const {
    iconv_t cd = iconv_open("UTF-16LE", IconvName(charset).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-16LE", "GBK");
    Text out;
    out.reserve(bytes.size());
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        const size_t produced = sizeof buffer - oLeft;
        for (size_t i = 0; i + 1 < produced; i += 2)
            out += static_cast<char16_t>(static_cast<unsigned char>(buffer[i]) |
                                         (static_cast<unsigned char>(buffer[i + 1]) << 8));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += u'\uFFFD';  // invalid or truncated sequence: skip one byte
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string EncodeGbk(TextView text) {
    iconv_t cd = iconv_open("GBK", "UTF-16LE");
    std::string out;
    for (char16_t c : text) {
        char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        char buf[8];
        char* ip = in;
        size_t il = 2;
        char* op = buf;
        size_t ol = sizeof buf;
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) {
            out += '?';
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            out.append(buf, sizeof buf - ol);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace ferrik::test
