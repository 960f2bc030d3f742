#pragma once
// The document engine port: a page loaded in the background, whose hyperlinks link analysis reads
// once its ready state says "complete".
#include <memory>
#include <vector>

#include "analysis/html_links.h"
#include "common/text.h"

namespace ferrik {

inline constexpr char16_t kReadyLoading[] = u"loading";
inline constexpr char16_t kReadyComplete[] = u"complete";

class Document {
public:
    virtual ~Document() = default;
    // "loading" until the links are known, then "complete" for good. A page that could not be
    // fetched (network failure, time-out, the program ending) completes without links.
    virtual Text ReadyState() = 0;
    // The hyperlinks in document order, absolute addresses as found; empty before "complete".
    virtual const std::vector<Hyperlink>& Links() const = 0;
    // True when "complete" only means the load was cut short because the program is ending: the
    // close that ended it also asked for a stop, and analysis treats it as one.
    virtual bool Interrupted() const { return false; }
};

class DocumentLoader {
public:
    virtual ~DocumentLoader() = default;
    // Starts loading the page at `address`. Returns null when the engine rejects the address
    // itself (not a URL it can fetch); loading failures show up as a complete document instead.
    virtual std::unique_ptr<Document> CreateDocument(TextView address) = 0;
};

}  // namespace ferrik
