// The folders of src/ form a stack: each includes only the folders below it. Every quoted
// #include of src/, bench/ and tools/ is checked against the table below.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folder → the folders it may include besides itself. "generated" is the build's version.h,
// "res" the resource ids, "tests" the test support that benchmarks drive windows with.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"common", {}},
    {"tasks", {"common"}},
    {"rules", {"common"}},
    {"platform", {"common"}},
    {"analysis", {"common", "tasks", "rules", "platform", "generated"}},
    {"skin", {"common", "platform"}},
    {"controls", {"common", "platform"}},
    // A dropped shortcut file is read with the INI reader of the data files.
    {"forms", {"common", "rules", "platform", "controls"}},
    {"app", {"common", "tasks", "rules", "platform", "analysis", "skin", "controls", "forms", "generated", "res"}},
    {"web", {"common", "tasks", "rules", "platform", "analysis", "skin", "controls", "forms"}},
    {"program",
     {"common", "tasks", "rules", "platform", "analysis", "skin", "controls", "forms", "app", "web", "generated"}},
    {"bench", {"common", "tasks", "rules", "platform", "analysis", "skin", "controls", "forms", "app", "web", "tests"}},
    // The browser stand-in reads its pages with the own browser's page model (web/page.h).
    {"tools", {"common", "tasks", "rules", "platform", "analysis", "web"}},
};

// The folder a quoted include names, from the including file's directory.
std::string IncludedFolder(const std::string& path, const fs::path& from) {
    if (path == "version.h") return "generated";
    if (path.starts_with("../../res/")) return "res";
    if (path.starts_with("host/support/") || path.starts_with("win/support/")) return "tests";
    if (fs::exists(from / path)) return "";  // beside the including file
    const auto slash = path.find('/');
    return slash == std::string::npos ? "?" : path.substr(0, slash);
}

struct Breach {
    std::string where;
    std::string rule;
};

std::vector<Breach> Breaches(const fs::path& root) {
    const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<Breach> found;
    for (const char* top : {"src", "bench", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".inc")) continue;
            const fs::path relative = fs::relative(entry.path(), root);
            // src/<folder>/…; bench/ and tools/ each count as one folder.
            const std::string folder =
                top == std::string("src") ? std::next(relative.begin())->string() : std::string(top);
            const auto allowed = kMayInclude.find(folder);
            std::ifstream in(entry.path());
            int lineNumber = 0;
            for (std::string line; std::getline(in, line);) {
                ++lineNumber;
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                const std::string target = IncludedFolder(m[1], entry.path().parent_path());
                if (target.empty() || target == folder) continue;
                const std::string where = relative.generic_string() + ":" + std::to_string(lineNumber) + ": " + line;
                if (allowed == kMayInclude.end())
                    found.push_back({where, "the folder " + folder + " has no place in the stack"});
                else if (!allowed->second.contains(target))
                    found.push_back({where, folder + " may not include " + target});
            }
        }
    }
    return found;
}

TEST(LayersTest, EveryIncludeGoesDownTheStack) {
    const std::vector<Breach> breaches = Breaches(FERRIK_SOURCE_DIR);
    for (const Breach& b : breaches) ADD_FAILURE() << b.where << "\n  breaks the rule: " << b.rule;
    EXPECT_TRUE(breaches.empty());
}

// The check itself: a file that reaches up or sideways is found, one beside or below is not.
TEST(LayersTest, FindsAnIncludeThatReachesUp) {
    const fs::path root = fs::temp_directory_path() /
                          ("ferrik-layers-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    for (const char* dir : {"src/analysis", "src/app", "src/web", "src/common", "bench", "tools/sim"})
        fs::create_directories(root / dir);
    std::ofstream(root / "src/analysis/links.h") << "#include \"common/text.h\"\n#include \"app/task_list.h\"\n";
    std::ofstream(root / "src/analysis/url_internal.h") << "\n";
    std::ofstream(root / "src/analysis/url.cpp") << "#include \"url_internal.h\"\n#include \"analysis/links.h\"\n";
    std::ofstream(root / "src/web/web_window_win.h") << "  #  include \"app/forms.h\"\n#include <windows.h>\n";
    std::ofstream(root / "src/app/main_window_win.cpp")
        << "#include \"web/web_window_win.h\"\n#include \"version.h\"\n";
    std::ofstream(root / "src/common/text.h") << "#include \"rules/ini_file.h\"\n";
    std::ofstream(root / "bench/a.cpp") << "#include \"win/support/ui_driver.h\"\n#include \"app/batch.h\"\n";
    std::ofstream(root / "tools/sim/b.cpp") << "#include \"skin/skinner_win.h\"\n";

    std::set<std::string> rules;
    for (const Breach& b : Breaches(root)) rules.insert(b.rule);
    fs::remove_all(root);
    EXPECT_EQ(rules, (std::set<std::string>{"analysis may not include app", "web may not include app",
                                            "app may not include web", "common may not include rules",
                                            "tools may not include skin"}));
}

}  // namespace
