// The whole job of page analysis in the program users get, from a page's bytes in memory to the
// rows or links, decoding included, beside anchors run natively on the same bytes in the same
// invocation of scripts/bench-win (bench/win/core_bench_anchors.sh), and beside the floors of
// any decoder in this program: one pass reading the bytes, and one widening them into UTF-16.
//
//   core_bench --write DIR      writes the pages the anchors read: plain.html, escaped.html (the
//                               20 MB film page, GBK), links.html (the 5 MB list page, UTF-8)
//   core_bench DIR grep=S python=S gumbo=S gumbo-peak=BYTES
//                               reads those pages back and prints the table's rows, the anchors'
//                               median seconds given by the script
// Also: what the jobs hold at their peak, an "SS1" row's link resolved at submission, DecodeBytes
// beside the system's converter, and the table's making. Every Ferrik figure is the median of
// seven runs after one that is not counted.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis/codepage_win.h"
#include "analysis/html_links.h"
#include "analysis/qvod.h"
#include "bench_table.h"
#include "common/text_fields.h"
#include "../film_page.h"
#include "../html_page_generator.h"
#include "win/support/ui_driver.h"

namespace {

// Allocation accounting for the link engine's peak memory, on only while it is taken.
bool g_counting = false;
long long g_current = 0;
long long g_peak = 0;

void Count(void* p, int sign) {
    if (!p || !g_counting) return;
    g_current += sign * static_cast<long long>(_msize(p));
    if (g_current > g_peak) g_peak = g_current;
}

}  // namespace

// The replaced allocation functions are malloc and free underneath, which GCC, seeing both
// inlined, takes for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    Count(p, 1);
    return p;
}
void operator delete(void* p) noexcept {
    Count(p, -1);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Count(p, -1);
    std::free(p);
}

namespace ferrik {

// The film page generator's encoder, here the system's code page 936.
namespace test {
std::string EncodeGbk(TextView text) {
    return Gbk(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
}
}  // namespace test

namespace bench {
namespace {

constexpr int kRuns = 7;

double MedianSeconds(const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> seconds;
    for (int run = 0; run <= kRuns; ++run) {
        prepare();
        const LARGE_INTEGER start = Now();
        work();
        if (run > 0) seconds.push_back(SecondsSince(start));
    }
    return Median(seconds);
}

double MedianSeconds(const std::function<void()>& work) {
    return MedianSeconds([] {}, work);
}

// A fetcher whose response is a page already in memory, moved out of it: the job starts from
// the bytes as a request leaves them.
class MemoryFetcher final : public PageFetcher {
public:
    HttpResponse Get(TextView, TextView) override { return HttpResponse{200, std::move(body), {}, {}}; }
    std::string body;
};

std::string ReadPage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WritePage(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

// The floors. Reading: a search for a byte the page does not hold. Widening: every byte into one
// UTF-16 unit of a new text, sixteen at a time, written once.
const void* volatile g_found = nullptr;  // keeps the search from being left out

void ReadOnce(const std::string& bytes) {
    g_found = std::memchr(bytes.data(), '\x01', bytes.size());
}

Text Widen(const std::string& bytes) {
    Text out;
    out.reserve(bytes.size());
    char16_t block[4096];
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t k = 0;
#if defined(__SSE2__)
        for (; k + 16 <= std::size(block) && bytes.size() - i - k >= 16; k += 16) {
            const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(block + k), _mm_unpacklo_epi8(sixteen, _mm_setzero_si128()));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(block + k + 8),
                             _mm_unpackhi_epi8(sixteen, _mm_setzero_si128()));
        }
#endif
        for (; k < std::size(block) && i + k < bytes.size(); ++k) block[k] = p[i + k];
        out.append(block, k);
        i += k;
    }
    return out;
}

// What the program did before decoding code page 936 itself: the system's converter, asked for
// the length and then for the text.
Text SystemDecode(const std::string& bytes) {
    const int size = static_cast<int>(bytes.size());
    Text out(static_cast<std::size_t>(MultiByteToWideChar(936, 0, bytes.data(), size, nullptr, 0)), u'\0');
    MultiByteToWideChar(936, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data()), static_cast<int>(out.size()));
    return out;
}

// The most that `work` held at once beyond what was allocated before it, per byte of a page.
double PeakPerByte(std::size_t pageBytes, const std::function<void()>& work) {
    g_current = g_peak = 0;
    g_counting = true;
    work();
    g_counting = false;
    return static_cast<double>(g_peak) / static_cast<double>(pageBytes);
}

std::string Ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds * 1e3);
    return text;
}

std::string Faster(double ferrik, double anchor) {
    if (ferrik <= 0 || anchor <= 0) return "";
    char text[48];
    std::snprintf(text, sizeof text, "%.2fx (%.1fx faster)", ferrik / anchor, anchor / ferrik);
    return text;
}

void Row(const std::string& what, const std::string& ferrik, const std::string& reference,
         const std::string& ratio) {
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), ferrik.c_str(), reference.c_str(), ratio.c_str());
    std::fflush(stdout);
}

constexpr char kListPageUrlText[] = "http://www.example.com/vod/list/index.html";

struct Pages {
    std::string plain;
    std::string escaped;
    ListPage links;
};

Pages MakePages() {
    return {MakeFilmPage(false), MakeFilmPage(true), GenerateListPage(5 * 1000 * 1000, 20000, 100)};
}

// The list page declared and encoded as GBK.
std::string GbkListPage(std::string html) {
    const std::string utf8Meta = "<meta charset=\"utf-8\">";
    html.replace(html.find(utf8Meta), utf8Meta.size(), "<meta charset=\"gb2312\">");
    return test::EncodeGbk(FromUtf8(html));
}

int WritePages(const std::string& dir) {
    const Pages pages = MakePages();
    return WritePage(dir + "/plain.html", pages.plain) && WritePage(dir + "/escaped.html", pages.escaped) &&
                   WritePage(dir + "/links.html", pages.links.html)
               ? 0
               : 1;
}

// "name=value" arguments: the anchors' figures.
std::map<std::string, double> Anchors(int argc, char** argv) {
    std::map<std::string, double> anchors;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) anchors[arg.substr(0, eq)] = std::atof(arg.c_str() + eq + 1);
    }
    return anchors;
}

int Run(const std::string& dir, std::map<std::string, double> anchors) {
    // The first decode of code page 936 in this process reads the table off the system converter.
    const LARGE_INTEGER tableStart = Now();
    DecodeBytes("\xD6\xD0", u"GB2312");
    const double tableBuild = SecondsSince(tableStart);

    // The anchors read the files; the program reads the same bytes.
    const std::string plain = ReadPage(dir + "/plain.html");
    const std::string escaped = ReadPage(dir + "/escaped.html");
    const std::string links = ReadPage(dir + "/links.html");
    const ListPage listPage = GenerateListPage(5 * 1000 * 1000, 20000, 100);
    if (plain.empty() || escaped.empty() || links != listPage.html) {
        std::fprintf(stderr, "the pages are not in the folder given\n");
        return 1;
    }
    const std::string linksGbk = GbkListPage(links);
    const Win32Decoder decoder;
    MemoryFetcher fetcher;
    TaskList tasks;
    bool rowsRight = true;
    const auto job = [&](const std::string& page, const char16_t* unescape) {
        return MedianSeconds([&] { fetcher.body = page; },
                             [&] {
                                 GetAllQvodUrl(fetcher, decoder, tasks, u"http://film.example/", false, unescape);
                                 rowsRight = rowsRight && tasks.Count() == kFilmPageDistinctLinks;
                             });
    };
    const double plainJob = job(plain, u"0");
    const double escapedJob = job(escaped, u"1");
    // What a job holds beyond the page's bytes at its peak, in multiples of those bytes.
    const auto jobPeak = [&](const std::string& page, const char16_t* unescape) {
        fetcher.body = page;
        const double peak = PeakPerByte(page.size(), [&] {
            GetAllQvodUrl(fetcher, decoder, tasks, u"http://film.example/", false, unescape);
        });
        return peak;
    };
    const double plainPeak = jobPeak(plain, u"0");
    const double escapedPeak = jobPeak(escaped, u"1");
    double firstLink = 0;
    {
        MemoryFetcher one;
        Text link;
        firstLink = MedianSeconds([&] { one.body = plain; },
                                  [&] { link = GetQvodUrl(one, decoder, u"http://film.example/", 0, false); });
        rowsRight = rowsRight && link.starts_with(u"qvod://");
    }
    Text text;
    const double decodePlain = MedianSeconds([&] { text = DecodeBytes(plain, u"GB2312"); });
    const double scanPlain = MedianSeconds([&] {
        tasks.ClearTasks();
        AddQvodUrls(text, tasks);
    });
    const double systemDecode = MedianSeconds([&] { text = SystemDecode(plain); });
    const double decodeEscaped = MedianSeconds([&] { text = DecodeBytes(escaped, u"GB2312"); });
    const Text escapedText = text;
    const double unescapeScan = MedianSeconds([&] { text = escapedText; },
                                              [&] {
                                                  tasks.ClearTasks();
                                                  UnEscapeInPlace(text);
                                                  AddQvodUrls(text, tasks);
                                              });
    const double readOnce = MedianSeconds([&] { ReadOnce(plain); });
    const double widen = MedianSeconds([&] { text = Widen(plain); });
    text.clear();
    text.shrink_to_fit();

    std::size_t found = 0;
    const auto linkJob = [&](const std::string& page, double& seconds) {
        const Text url = FromUtf8(kListPageUrlText);
        seconds = MedianSeconds([&] { found = ExtractLinks(page, {}, url, decoder).size(); });
        return PeakPerByte(page.size(), [&] { (void)ExtractLinks(page, {}, url, decoder); });
    };
    double linksUtf8 = 0, linksGbkSeconds = 0;
    const double peakUtf8 = linkJob(links, linksUtf8);
    const std::size_t utf8Links = found;
    const double peakGbk = linkJob(linksGbk, linksGbkSeconds);
    const auto expected = static_cast<std::size_t>(listPage.anchors + listPage.areas);
    rowsRight = rowsRight && utf8Links == expected && found == expected;

    const double grep = anchors["grep"], python = anchors["python"], gumbo = anchors["gumbo"];
    const double gumboPeak = anchors["gumbo-peak"] / static_cast<double>(links.size());
    const std::string check = rowsRight ? "" : " WRONG COUNT";
    char peak[96];
    Row("(a) plain 20 MB film page, bytes to rows (GetAllQvodUrl: decode, scan, de-duplication)" + check,
        Time(plainJob) + " (decode " + Ms(decodePlain) + " ms, scan " + Ms(scanPlain) + " ms)",
        "grep -aoE ... | awk '!seen[$0]++' on the same bytes: " + Time(grep), Faster(plainJob, grep));
    std::snprintf(peak, sizeof peak, "; peak memory beyond the bytes %.2fx them", plainPeak);
    Row("(a) the same, its memory", Time(plainJob) + peak, "", "");
    Row("(a) the same", Time(plainJob), "widening the bytes into UTF-16 once: " + Time(widen),
        Faster(plainJob, widen));
    Row("(b) escaped film page, bytes to rows (decode, unescape, scan)" + check,
        Time(escapedJob) + " (decode " + Ms(decodeEscaped) + " ms, unescape + scan " + Ms(unescapeScan) + " ms)",
        "the Python reader on the same bytes: " + Time(python), Faster(escapedJob, python));
    std::snprintf(peak, sizeof peak, "; peak memory beyond the bytes %.2fx them", escapedPeak);
    Row("(b) the same, its memory", Time(escapedJob) + peak, "", "");
    Row("an SS1 row resolved at submission: GetQvodUrl(plain page, 0)", Time(firstLink),
        "DecodeBytes of the whole page: " + Time(decodePlain), Faster(firstLink, decodePlain));
    std::snprintf(peak, sizeof peak, ", peak memory %.2fx the page", peakUtf8);
    char gumboText[96];
    std::snprintf(gumboText, sizeof gumboText, ", peak %.1fx", gumboPeak);
    Row("(c) 5 MB list page (UTF-8), bytes to the document's links" + check, Time(linksUtf8) + peak,
        "gumbo parse + walk on the same bytes: " + Time(gumbo) + gumboText, Faster(linksUtf8, gumbo));
    std::snprintf(peak, sizeof peak, ", peak memory %.2fx the page", peakGbk);
    Row("(c) the same page in GBK" + check, Time(linksGbkSeconds) + peak,
        "gumbo on the UTF-8 page (it reads no GBK): " + Time(gumbo), Faster(linksGbkSeconds, gumbo));
    Row("(d) floor: one pass reading the 20 MB page's bytes (memchr of an absent byte)", Time(readOnce), "", "");
    Row("(d) floor: widening the 20 MB page's bytes into UTF-16 once", Time(widen), "", "");
    Row("DecodeBytes of the 20 MB page as GB2312 (code page 936 by table)", Time(decodePlain),
        "MultiByteToWideChar(936), length then text: " + Time(systemDecode), Faster(decodePlain, systemDecode));
    Row("the first GBK decode of a process: the table read off the system's converter", Time(tableBuild),
        "MultiByteToWideChar(936) of the 20 MB page: " + Time(systemDecode), Faster(tableBuild, systemDecode));
    return rowsRight ? 0 : 1;
}

}  // namespace
}  // namespace bench
}  // namespace ferrik

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--write") return ferrik::bench::WritePages(argv[2]);
    if (argc >= 2) return ferrik::bench::Run(argv[1], ferrik::bench::Anchors(argc, argv));
    std::fprintf(stderr, "usage: core_bench --write DIR | core_bench DIR grep=S python=S gumbo=S gumbo-peak=B\n");
    return 2;
}
