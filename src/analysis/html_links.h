#pragma once
// The HTML link engine: the hyperlinks of a page, as a browser's document would list them.
#include <cstddef>
#include <string_view>
#include <vector>

#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

struct Hyperlink {
    Text address;  // resolved against the document's base, non-ASCII characters readable (UrlForm::Display)
    Text text;     // inner text, white space collapsed and trimmed; empty for a link without text
};

// The most hyperlinks a page's document holds: several times the tens of thousands of the largest
// film pages. The links past it are not listed, and the page is read no further.
inline constexpr std::size_t kMaxPageLinks = 200000;

// Every <a> and <area> with an href, in document order, the first kMaxPageLinks of them. `body` is the page's bytes,
// `contentType` the HTTP Content-Type header (may be empty), `documentUrl` the page's address
// after redirects. The charset comes from the byte-order mark, the header, a <meta> in the first
// 1024 bytes, else GBK.
//
// The text of a link is what a reader sees of it: its character data, nested elements included,
// but not the content of script, style, title, iframe, noembed and noframes (never shown); <br>
// and block elements separate words. <noscript> content counts, since no script runs here.
// Links inside <template> are not part of the document. An <a> opened while another is open
// closes the first; the end of the page closes the last.
std::vector<Hyperlink> ExtractLinks(std::string_view body, std::string_view contentType, TextView documentUrl,
                                    const ByteDecoder& decoder);

}  // namespace ferrik
