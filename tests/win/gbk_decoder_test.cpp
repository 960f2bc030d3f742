// Code page 936 as DecodeBytes and the decoder given to page analysis decode it, against the
// system's converter itself on every input the table could get wrong.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/codepage_win.h"
#include "analysis/qvod.h"
#include "common/text_fields.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

Text System936(std::string_view bytes) {
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(936, 0, bytes.data(), size, nullptr, 0);
    Text out(static_cast<std::size_t>(length > 0 ? length : 0), u'\0');
    MultiByteToWideChar(936, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data()), length);
    return out;
}

void ExpectAsTheSystem(const std::string& body) {
    const Text expected = System936(body);
    ASSERT_EQ(DecodeBytes(body, u"GB2312"), expected) << testing::PrintToString(body.substr(0, 64));
    ASSERT_EQ(Win32Decoder().Decode(body, u"gbk"), expected);
    Text onto = u"\u4E2D";
    Win32Decoder().DecodeAppend(body, u"GB2312", onto);
    ASSERT_EQ(onto, u"\u4E2D" + expected);
}

TEST(GbkDecoder, EveryTwoByteWindowAsTheSystem) {
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
            const std::string two(pair, 2);
            // Alone; followed by a lead byte that ends the body; amid ASCII runs that take the
            // wide path; and the two bytes again, so that a second byte read as a lead byte shows.
            for (const std::string& body : {two, two + '\x81', std::string(19, 'a') + two + std::string(17, 'b'),
                                            two + two + two}) {
                const Text expected = System936(body);
                ASSERT_EQ(DecodeBytes(body, u"GB2312"), expected) << a << " " << b << " in " << body.size();
            }
        }
    }
}

TEST(GbkDecoder, RandomAndHostileBodiesAsTheSystem) {
    std::mt19937 random(936);
    std::vector<std::string> bodies = {
        std::string(70000, '\x81'),                   // lead bytes only, ending on one
        std::string(70001, '\xFF'),                   // never a lead byte
        std::string(65537, '\x80'),                   // the byte some code pages map to the euro sign
        std::string("\xD6\xD0\xCE") + std::string(40, '\0') + "\xD6",
        std::string(33, '\x7F') + "\xA1\x7F\xA1\x40\xFE\xFE\xFE",
    };
    for (int k = 0; k < 400; ++k) {
        std::string body;
        const std::size_t length = random() % 3000;
        const int mix = k % 4;  // any byte; mostly high; mostly ASCII; a lead byte before each ASCII byte
        for (std::size_t i = 0; i < length; ++i) {
            const unsigned r = random();
            if (mix == 0) body += static_cast<char>(r);
            if (mix == 1) body += static_cast<char>(r % 8 ? 0x80 | r : r >> 8);
            if (mix == 2) body += static_cast<char>(r % 16 ? r % 0x80 : 0x80 | r >> 8);
            if (mix == 3) body += std::string{static_cast<char>(0x81 + r % 126), static_cast<char>(r >> 8 & 0x7F)};
        }
        bodies.push_back(body);
    }
    for (const std::string& body : bodies) ExpectAsTheSystem(body);
}

std::string ReadSourceFile(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileW(test::HostPath(path.c_str()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

TEST(GbkDecoder, TestPagesAsTheSystem) {
    std::wstring film = L"<html><head><meta charset=\"gb2312\"><title>快播电影网</title></head><body>";
    for (int i = 1; i <= 500; ++i) {
        film += L"<li><a href=\"qvod://123456789|ABCDEF|天龙八部第" + std::to_wstring(i) +
                L"集.rmvb|\">天龙八部 第" + std::to_wstring(i) + L"集</a> 更新至：２０１０年・ⅰ€</li>\r\n";
    }
    const std::string sources[] = {"/data/Rule.dat", "/data/RunFilter.dat", "/data/Setting.ini",
                                   "/tools/demo-site/demo_site.py", "/docs/schemes.md"};
    std::vector<std::string> pages = {test::Gbk(film)};
    for (const std::string& source : sources) pages.push_back(ReadSourceFile(FERRIK_SOURCE_DIR + source));
    for (const std::string& page : pages) {
        ASSERT_FALSE(page.empty());
        ExpectAsTheSystem(page);
        // Cut anywhere, as the link engine cuts a body into pieces.
        for (std::size_t cut = 1; cut < page.size(); cut += 97) ExpectAsTheSystem(page.substr(0, cut));
    }
}

// Other charsets are appended as DecodeBytes decodes them, onto an empty text or after text.
TEST(GbkDecoder, AppendsOtherCharsetsAsDecodeBytes) {
    const std::string utf8 = "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87 x \xFF";
    for (const TextView charset : {TextView(u"UTF-8"), TextView(u"big5"), TextView(u"utf-16le")}) {
        const Text expected = DecodeBytes(utf8, charset);
        Text empty;
        Win32Decoder().DecodeAppend(utf8, charset, empty);
        EXPECT_EQ(empty, expected) << ToUtf8(charset);
        Text onto = u"ab";
        Win32Decoder().DecodeAppend(utf8, charset, onto);
        EXPECT_EQ(onto, u"ab" + expected) << ToUtf8(charset);
    }
    EXPECT_EQ(DecodeBytes(utf8, u"UTF-8"), u"\u4E2D\u6587 x \uFFFD");
}

class MemoryFetcher final : public PageFetcher {
public:
    HttpResponse Get(TextView, TextView) override { return HttpResponse{200, body, {}, {}}; }
    std::string body;
};

// A GBK film page, plain and escaped, read a piece at a time with the table decoding onto the
// text kept from the piece before: the rows of the whole page decoded and unescaped at once.
TEST(GbkDecoder, FilmPageRowsAsFromTheWholeText) {
    std::wstring page;
    for (int k = 0; k < 9000; ++k) {  // each link again after 7,000 lines
        const std::wstring n = std::to_wstring(k % 7000);
        page += L"<li><a href=\"qvod://" + n + L"|H" + n + L"|天龙八部第" + n + L"集.rmvb|\">第" + n +
                L"集</a> unescape('qvod%3A%2F%2F" + n + L"%7CE%7C%u7B2C" + n + L"%u96C6%7C') 50% %u12 %%41 %D6%D0\r\n";
    }
    MemoryFetcher fetcher;
    fetcher.body = test::Gbk(page);
    const Win32Decoder decoder;
    for (const TextView unescape : {TextView(u""), TextView(u"1")}) {
        TaskList tasks;
        GetAllQvodUrl(fetcher, decoder, tasks, u"http://film.example/", false, unescape);
        TaskList whole;
        const Text text = DecodeBytes(fetcher.body, u"GB2312");
        AddQvodUrls(unescape.empty() ? text : vbUnEscape(text), whole);
        ASSERT_EQ(tasks.Count(), whole.Count());
        EXPECT_EQ(tasks.Count(), unescape.empty() ? 7000u : 14000u);
        for (std::size_t i = 0; i < whole.Count(); ++i) ASSERT_EQ(tasks.At(i).address, whole.At(i).address) << i;
    }
}

}  // namespace
}  // namespace ferrik
