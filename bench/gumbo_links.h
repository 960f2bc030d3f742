#pragma once
// The anchor of the HTML link engine: gumbo parses the page and a walk of its tree collects what
// the engine collects, every <a> and <area> with an href, an <a>'s text with white space collapsed.
// Used by the host benchmark and by the native anchor of the Windows one (bench/anchors).
#include <gumbo.h>

#include <string>
#include <utility>
#include <vector>

namespace ferrik::bench {

inline void CollapsedText(const GumboNode* root, std::string& out) {
    std::vector<const GumboNode*> stack{root};
    bool pendingSpace = false;
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_ELEMENT) {
            const GumboTag tag = node->v.element.tag;
            if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE) continue;
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i > 0; --i)
                stack.push_back(static_cast<GumboNode*>(children.data[i - 1]));
        } else if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
            for (const char* p = node->v.text.text; *p; ++p) {
                if (*p == ' ' || *p == '\n' || *p == '\t' || *p == '\r' || *p == '\f') {
                    pendingSpace = !out.empty();
                } else {
                    if (pendingSpace) out += ' ';
                    pendingSpace = false;
                    out += *p;
                }
            }
        }
    }
}

// The number of links; gumbo allocates through `allocate` and `deallocate`.
inline std::size_t GumboLinks(const std::string& page, GumboAllocatorFunction allocate,
                              GumboDeallocatorFunction deallocate) {
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = allocate;
    options.deallocator = deallocate;
    GumboOutput* output = gumbo_parse_with_options(&options, page.data(), page.size());
    std::vector<std::pair<std::string, std::string>> links;
    std::vector<const GumboNode*> stack{output->root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT) continue;
        const GumboElement& element = node->v.element;
        if (element.tag == GUMBO_TAG_A || element.tag == GUMBO_TAG_AREA) {
            if (const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href")) {
                links.emplace_back(href->value, std::string());
                if (element.tag == GUMBO_TAG_A) CollapsedText(node, links.back().second);
            }
        }
        for (unsigned i = element.children.length; i > 0; --i)
            stack.push_back(static_cast<GumboNode*>(element.children.data[i - 1]));
    }
    gumbo_destroy_output(&options, output);
    return links.size();
}

}  // namespace ferrik::bench
