#pragma once
// A slow, obviously right reading of the wildcard pattern table, to check the real matcher
// against: the pattern becomes a token list, then a table over (token, position) tries every
// split at each "*". nullopt for an invalid pattern.
#include <functional>
#include <optional>
#include <vector>

#include "common/text.h"

namespace ferrik::test {

inline std::optional<bool> ReferenceMatch(TextView pattern, TextView address) {
    struct Token {
        bool star = false;
        std::function<bool(char16_t)> accepts;
    };
    const Text p = ToLower(pattern);
    const Text a = ToLower(address);
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char16_t c = p[i];
        if (c == u'*') {
            tokens.push_back({true, nullptr});
        } else if (c == u'?') {
            tokens.push_back({false, [](char16_t) { return true; }});
        } else if (c == u'#') {
            tokens.push_back({false, [](char16_t x) { return x >= u'0' && x <= u'9'; }});
        } else if (c != u'[') {
            tokens.push_back({false, [c](char16_t x) { return x == c; }});
        } else {
            const std::size_t close = p.find(u']', i + 1);
            if (close == Text::npos) return std::nullopt;
            Text body = p.substr(i + 1, close - i - 1);
            i = close;
            const bool negated = !body.empty() && body[0] == u'!';
            if (negated) body.erase(0, 1);
            if (body.empty() && !negated) continue;
            std::vector<std::pair<char16_t, char16_t>> members;
            for (std::size_t k = 0; k < body.size();) {
                if (k + 2 < body.size() && body[k + 1] == u'-') {
                    if (body[k + 2] < body[k]) return std::nullopt;
                    members.emplace_back(body[k], body[k + 2]);
                    k += 3;
                } else {
                    members.emplace_back(body[k], body[k]);
                    ++k;
                }
            }
            tokens.push_back({false, [members, negated](char16_t x) {
                                  bool in = false;
                                  for (const auto& [lo, hi] : members) in = in || (x >= lo && x <= hi);
                                  return in != negated;
                              }});
        }
    }
    // can[t][k]: tokens from t on match the address from k on.
    const std::size_t m = tokens.size();
    const std::size_t n = a.size();
    std::vector<std::vector<char>> can(m + 1, std::vector<char>(n + 1, 0));
    can[m][n] = 1;
    for (std::size_t t = m; t-- > 0;) {
        for (std::size_t k = n + 1; k-- > 0;) {
            if (tokens[t].star) {
                can[t][k] = can[t + 1][k] || (k < n && can[t][k + 1]);
            } else {
                can[t][k] = k < n && tokens[t].accepts(a[k]) && can[t + 1][k + 1];
            }
        }
    }
    return can[0][0] != 0;
}

}  // namespace ferrik::test
