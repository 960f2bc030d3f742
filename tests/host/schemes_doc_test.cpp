// docs/schemes.md, the user's guide to Rule.dat and RunFilter.dat, checked example by example: its
// pattern and unescaping tables, and every worked example (the two files written as GBK, the
// address looked up, 智能分析 run over the demo film site's pages) against the outcome it states.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/commands.h"
#include "analysis/document.h"
#include "analysis/pattern.h"
#include "common/text_fields.h"
#include "rules/scheme.h"
#include "support/fakes.h"
#include "support/iconv_decoder.h"

namespace ferrik {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> GuideLines() {
    std::ifstream in(FERRIK_SOURCE_DIR "/docs/schemes.md");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    const auto e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The cells of a table row, `\|` read as "|" and a cell's backticks dropped.
std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::string cell;
    for (std::size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '\\' && i + 1 < row.size() && row[i + 1] == '|') {
            cell += '|';
            ++i;
        } else if (row[i] == '|') {
            cell = Trim(cell);
            if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`') cell = cell.substr(1, cell.size() - 2);
            cells.push_back(cell);
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return cells;
}

// The rows of the table whose header row starts with `header`.
std::vector<std::vector<std::string>> Table(const std::string& header) {
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> lines = GuideLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(header, 0) != 0) continue;
        for (std::size_t j = i + 2; j < lines.size() && lines[j].rfind("|", 0) == 0; ++j)
            rows.push_back(Cells(lines[j]));
        break;
    }
    return rows;
}

TEST(SchemesGuide, PatternTableSaysWhatFilterStrMatches) {
    const auto rows = Table("| FilterStr | Hyperlink address | Matches |");
    ASSERT_GE(rows.size(), 10u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u);
        const auto pattern = Pattern::Compile(FromUtf8(row[0]));
        ASSERT_TRUE(pattern) << row[0];
        EXPECT_EQ(pattern->Matches(FromUtf8(row[1])), row[2] == "yes") << row[0] << " on " << row[1];
    }
}

TEST(SchemesGuide, UnescapeTableSaysWhatDecodingGives) {
    const auto rows = Table("| In the page | After decoding |");
    ASSERT_GE(rows.size(), 5u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 2u);
        EXPECT_EQ(ToUtf8(vbUnEscape(FromUtf8(row[0]))), row[1]) << row[0];
    }
}

// One worked example: the files as written (absent: no such file) and the outcome block.
struct Example {
    std::string title;
    std::map<std::string, std::string> files;  // "Rule.dat" / "RunFilter.dat" -> text
    std::vector<std::string> outcome;
};

// Every section whose code blocks include an "outcome" block.
std::vector<Example> Examples() {
    std::vector<Example> examples;
    Example current;
    std::string block;  // the info string of the open code block
    std::string text;
    for (const std::string& line : GuideLines()) {
        if (block.empty() && line.rfind("### ", 0) == 0) {
            if (!current.outcome.empty()) examples.push_back(current);
            current = Example{line.substr(4), {}, {}};
        } else if (block.empty() && line.rfind("```", 0) == 0 && line.size() > 3) {
            block = line.substr(3);
            text.clear();
        } else if (!block.empty() && line == "```") {
            if (block == "outcome") {
                std::istringstream in(text);
                for (std::string l; std::getline(in, l);) current.outcome.push_back(l);
            } else {
                current.files[block] = text;
            }
            block.clear();
        } else if (!block.empty()) {
            text += line + (block == "outcome" ? "\n" : "\r\n");
        }
    }
    if (!current.outcome.empty()) examples.push_back(current);
    return examples;
}

// The demo film site's pages, as tools/demo-site serves them, for any port.
class DemoSite final : public PageFetcher, public DocumentLoader {
public:
    explicit DemoSite(const ByteDecoder& decoder) : m_decoder(decoder) {}

    HttpResponse Get(TextView address, TextView) override {
        const std::string url = ToUtf8(address);
        const auto path = url.find('/', url.find("://") + 3);
        if (url.rfind("http://127.0.0.1:", 0) != 0 || path == std::string::npos) throw FetchError("not the demo site");
        const auto page = Pages().find(url.substr(path));
        const std::string body = page == Pages().end() ? std::string() : page->second;
        return HttpResponse{body.empty() ? 404 : 200, body, "text/html; charset=gb2312", Text(address)};
    }

    std::unique_ptr<Document> CreateDocument(TextView address) override {
        struct Loaded final : Document {
            Text ReadyState() override { return kReadyComplete; }
            const std::vector<Hyperlink>& Links() const override { return links; }
            std::vector<Hyperlink> links;
        };
        auto doc = std::make_unique<Loaded>();
        const HttpResponse page = Get(address, u"");
        doc->links = ExtractLinks(page.body, page.contentType, address, m_decoder);
        return doc;
    }

private:
    // Every page of the site by path, from one run of the site's script.
    static const std::map<std::string, std::string>& Pages() {
        static const std::map<std::string, std::string> pages = [] {
            std::string out;
            if (FILE* pipe = popen("python3 '" FERRIK_SOURCE_DIR "/tools/demo-site/demo_site.py' pages", "r")) {
                char buffer[4096];
                for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
                pclose(pipe);
            }
            std::map<std::string, std::string> parsed;
            for (std::size_t at = 0; at < out.size();) {
                const std::size_t pathEnd = out.find('\n', at), sizeEnd = out.find('\n', pathEnd + 1);
                if (sizeEnd == std::string::npos) break;
                const std::size_t size = std::stoul(out.substr(pathEnd + 1, sizeEnd - pathEnd - 1));
                parsed[out.substr(at, pathEnd - at)] = out.substr(sizeEnd + 1, size);
                at = sizeEnd + 1 + size;
            }
            return parsed;
        }();
        return pages;
    }
    const ByteDecoder& m_decoder;
};

// What the user sees, in the outcome block's words.
class Screen final : public BusyState, public StatusLine, public AnalysisPrompts, public Beeper {
public:
    void LockControls() override {}
    void UnlockControls() override {}
    void ShowStatus(TextView text) override { last = ToUtf8(text); }
    void Warn(TextView text) override { dialogs.push_back("message: " + ToUtf8(text)); }
    bool Ask(TextView text) override {
        dialogs.push_back("ask: " + ToUtf8(text));
        return true;
    }
    void Beep() override {}
    std::string last;
    std::vector<std::string> dialogs;
};

TEST(SchemesGuide, EveryWorkedExampleGivesTheOutcomeItStates) {
    const std::vector<Example> examples = Examples();
    ASSERT_GE(examples.size(), 6u);
    for (const Example& example : examples) {
        SCOPED_TRACE(example.title);
        const fs::path dir = fs::temp_directory_path() / ("ferrik-guide-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const auto& [name, text] : example.files)
            std::ofstream(dir / name, std::ios::binary) << test::EncodeGbk(FromUtf8(text));

        // The outcome block: the address first, a continuation line (indented) adds a line to the
        // message above it.
        std::string address, status, end;
        std::vector<std::string> dialogs, rows;
        for (const std::string& line : example.outcome) {
            const auto colon = line.find(": ");
            const std::string key = line.substr(0, colon),
                              value = colon == std::string::npos ? "" : line.substr(colon + 2);
            if (line.rfind("  ", 0) == 0) {
                dialogs.back() += "\r\n" + Trim(line);
            } else if (key == "address") {
                address = value;
            } else if (key == "status") {
                status = value;
            } else if (key == "end") {
                end = value;
            } else if (key == "ask" || key == "message") {
                dialogs.push_back(line);
            } else if (key == "row") {
                rows.push_back(value);
            } else {
                ADD_FAILURE() << "unknown outcome line: " << line;
            }
        }

        test::IconvDecoder decoder;
        DemoSite site(decoder);
        Screen screen;
        test::FakePump pump;
        TaskList tasks;
        Scheme scheme;
        SelectScheme(
            FromUtf8(address),
            SiteFiles{FromUtf8((dir / "Rule.dat").string()), FromUtf8((dir / "RunFilter.dat").string()), decoder},
            scheme, screen);
        EXPECT_EQ(screen.last, status);
        PageAnalysisEngine engine{PageAnalysisPorts{site, decoder, site, pump, screen, screen, tasks}};
        AnalysisContext ctx{engine, tasks, screen, screen, screen};
        SmartAnalyse(ctx, FromUtf8(address), scheme);
        EXPECT_EQ(screen.dialogs, dialogs);
        EXPECT_EQ(screen.last, end.empty() ? status : end);  // no "end": the status line stays
        std::vector<std::string> listed;
        for (std::size_t i = 0; i < tasks.Count(); ++i) {
            const TaskRow& row = tasks.At(i);
            listed.push_back(ToUtf8(row.name) + "  " + ToUtf8(row.address) + "  " + ToUtf8(row.engine));
        }
        EXPECT_EQ(listed, rows);
        fs::remove_all(dir);
    }
}

}  // namespace
}  // namespace ferrik
