// The portable INI reader against the system's GetPrivateProfileStringA under code page 936, on
// generated files: every query must give the same text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/codepage_win.h"
#include "rules/ini_file.h"

namespace ferrik {
namespace {

std::string ToGbk(TextView text) {
    if (text.empty()) return {};
    const auto* w = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(936, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(936, 0, w, static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// What the classic program does: a 1000-byte buffer of zeros, the text up to the first zero.
Text SystemValue(TextView section, TextView key, const std::string& file) {
    char buffer[1000] = {};
    const DWORD length =
        GetPrivateProfileStringA(ToGbk(section).c_str(), ToGbk(key).c_str(), "", buffer, sizeof buffer, file.c_str());
    if (length == 0) return {};
    return Win32Decoder().Decode(std::string_view(buffer), u"GB2312");
}

class IniAgainstSystem : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 936) GTEST_SKIP() << "needs the Chinese (936) ANSI code page";
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_dir = std::string(dir) + "ferrik-ini-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(m_dir.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& f : m_files) DeleteFileA(f.c_str());
        RemoveDirectoryA(m_dir.c_str());
    }

    std::string Write(const std::string& bytes) {
        const std::string path = m_dir + "f" + std::to_string(m_files.size()) + ".ini";
        std::ofstream(path, std::ios::binary) << bytes;
        m_files.push_back(path);
        return path;
    }

    // Compares one query; the file path is ASCII, so it is the same text for both readers.
    void Compare(const std::string& file, TextView section, TextView key) {
        const Text path(file.begin(), file.end());
        EXPECT_EQ(ReadIniValue(section, key, path, m_decoder), SystemValue(section, key, file))
            << "section [" << ToUtf8(section) << "] key [" << ToUtf8(key) << "] in " << file;
    }

private:
    Win32Decoder m_decoder;
    std::string m_dir;
    std::vector<std::string> m_files;
};

TEST_F(IniAgainstSystem, AwkwardFiles) {
    const std::string x998(998, 'x');
    const std::string zh = ToGbk(u"中");
    const std::string files[] = {
        "top=1\r\n; comment\r\n[S]\r\n  Key =  v  \r\nkey=second\r\n;c=1\r\n  ;d = 3\r\nnokey\r\nnokey=1\r\n"
        "q1=\"ab\"\r\nq2='ab'\r\nq3=\"ab'\r\nq4=\"\r\nq5=\"\"\r\nq6=\" a \"\r\nt=\t\v v \f\x1A\r\ne=a=b\r\n"
        "=no name\r\nc=2 ; inline\r\n\r\n[ T ]\r\na=1\r\n[T]\r\na=2\r\nb=3\r\n[s]\r\nkey=dup\r\n[]\r\ne=9\r\n"
        "[U] tail\r\nu=1\r\n[V\r\nv=1\r\n[W]x=1\r\n",
        "[S]\ra=1\rb=2\r",
        "[S]\ra=1\rb=2\nc=3\n",
        "[S]\na=1\nb=2",
        "\r\n\r\n[S]\r\n\r\na=1",
        ToGbk(u"[电影]\r\n名称=第1集\r\n全角=\u3000第1集\u3000\r\n[\uFF21\u0391]\r\n\uFF22\u0392=case\r\n"),
        std::string("[S\0x]\r\na=v\0w\r\nb\0c=2\r\n", 21),
        "[S]\r\na=" + std::string(1200, 'x') + "\r\nb=" + x998 + zh + "\r\nc=" + std::string(997, 'x') + zh +
            "y\r\nd=\"" + x998 + "\"\r\nf=\"" + std::string(1000, 'x') + "\"\r\ng=" +
            [&] {
                std::string s;
                for (int i = 0; i < 600; ++i) s += zh;
                return s;
            }() +
            "\r\nh='" + std::string(997, 'x') + "'\r\n",
        "\xEF\xBB\xBF[S]\r\na=\xE4\xB8\xAD\r\n",
        std::string("\xFF\xFE[\0S\0]\0\r\0\n\0a\0=\0\x2D\x4E", 18),
        "",
        std::string("\x81\xFF[S]\r\na=\x81\r\nb=\xFF\xFE\x80x\r\n[\x81]\r\nc=1\r\n"),
    };
    const TextView sections[] = {u"S", u"s", u" S ", u"T", u"U", u"V", u"W", u"", u"电影", u"\uFF41\u03B1", u"x"};
    const TextView keys[] = {u"top", u"key", u"KEY", u";c", u"c", u";d",   u"nokey", u"q1",          u"q2", u"q3",
                             u"q4",  u"q5",  u"q6",  u"t",  u"e", u"",     u"a",     u"b",           u"d",  u"f",
                             u"g",   u"h",   u"u",   u"v",  u"x", u"名称", u"全角",  u"\uFF42\u03B2"};
    for (const std::string& content : files) {
        const std::string file = Write(content);
        for (TextView section : sections) {
            for (TextView key : keys) Compare(file, section, key);
        }
    }
}

// Files built at random from the awkward pieces above; each is queried for every name it may hold.
TEST_F(IniAgainstSystem, GeneratedFiles) {
    const TextView names[] = {u"a", u"A", u"b", u"中", u"\uFF21", u"\uFF41", u"s s", u"\u0391"};
    const TextView values[] = {u"",    u"v",     u" v ", u"\"q\"", u"'q'",  u"\"",      u"中文",
                               u"a=b", u"x ; c", u"\t",  u"\"\"",  u"'a\"", u"\u3000x", u"\x1Ay\x0B"};
    const char* ends[] = {"\r\n", "\n", "\r"};
    std::uint32_t seed = 20240601;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    auto pick = [&](auto& list) { return list[next(static_cast<std::uint32_t>(std::size(list)))]; };
    for (int round = 0; round < 60; ++round) {
        Text text;
        const int lines = 1 + static_cast<int>(next(14));
        for (int i = 0; i < lines; ++i) {
            const Text name(pick(names));
            switch (next(9)) {
                case 0:
                    text += u"[" + name + u"]";
                    break;
                case 1:
                    text += u" [ " + name + u" ]\t";
                    break;
                case 2:
                    text += u"[" + name + u"] ;x";
                    break;
                case 3:
                    text += u"[" + name;
                    break;
                case 4:
                    text += u";" + name + u"=" + Text(pick(values));
                    break;
                case 5:
                    text += name;
                    break;
                case 6:
                    text += u"  " + name + u" = " + Text(pick(values)) + u" ";
                    break;
                default:
                    text += name + u"=" + Text(pick(values));
                    break;
            }
            if (i + 1 < lines || next(2) == 0) {
                const char* end = ends[round % 4 == 3 ? next(3) : round % 4];  // one kind, or mixed
                text += Text(end, end + std::char_traits<char>::length(end));
            }
        }
        const std::string file = Write(ToGbk(text));
        for (TextView section : names) {
            for (TextView key : names) Compare(file, section, key);
        }
        Compare(file, u"", u"a");
    }
}

}  // namespace
}  // namespace ferrik
