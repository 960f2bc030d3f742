#include "app/command_line.h"

#include "common/web_address.h"
#include "forms/address_drop.h"

namespace ferrik {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

}  // namespace

std::vector<Text> SplitCommandLine(TextView line) {
    std::vector<Text> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    // The program's name: in quotes it ends at the closing quote, else at the first blank.
    Text name;
    if (n > 0 && line[0] == u'"') {
        const std::size_t close = line.find(u'"', 1);
        const std::size_t end = close == TextView::npos ? n : close;
        name = Text(line.substr(1, end - 1));
        i = end == n ? n : end + 1;
    } else {
        while (i < n && !IsBlank(line[i])) name += line[i++];
    }
    args.push_back(std::move(name));
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        Text arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            std::size_t slashes = 0;
            while (i < n && line[i] == u'\\') {
                ++slashes;
                ++i;
            }
            if (i < n && line[i] == u'"') {
                arg.append(slashes / 2, u'\\');
                if (slashes % 2 == 1) {
                    arg += u'"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, u'\\');
                if (i < n && (quoted || !IsBlank(line[i]))) arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

Text StartAddress(TextView commandLine, const ShortcutReader& readShortcut) {
    const std::vector<Text> args = SplitCommandLine(commandLine);
    if (args.size() < 2) return {};
    if (Text address = WebAddress(args[1]); !address.empty()) return address;
    if (!readShortcut || !IsShortcutFileName(args[1])) return {};
    // The reader's answer is its own; only a web address starts the box, whatever reads it.
    return WebAddress(readShortcut(args[1]));
}

}  // namespace ferrik
