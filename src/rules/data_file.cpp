#include "rules/data_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace ferrik {

namespace {

Text DecodeUtf16(std::string_view bytes, bool bigEndian) {
    Text text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    }
    return text;
}

}  // namespace

bool ReadDataFile(TextView path, const ByteDecoder& decoder, Text& text) {
    text.clear();
    try {
        std::ifstream file(std::filesystem::path(Text(path)), std::ios::binary);
        if (!file) return false;
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad()) return false;
        const std::string_view view(bytes);
        if (view.starts_with("\xEF\xBB\xBF")) {
            text = decoder.Decode(view.substr(3), u"UTF-8");
        } else if (view.starts_with("\xFF\xFE")) {
            text = DecodeUtf16(view.substr(2), false);
        } else if (view.starts_with("\xFE\xFF")) {
            text = DecodeUtf16(view.substr(2), true);
        } else if (!view.empty()) {
            text = decoder.Decode(view, u"GB2312");
        }
        return true;
    } catch (const std::exception&) {
        // A path the platform rejects, a directory, or a file too large for memory: unreadable.
        text.clear();
        return false;
    }
}

}  // namespace ferrik
