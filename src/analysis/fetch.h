#pragma once
// Page fetching: the bytes of an address through the page fetcher port, decoded to text.
#include <stdexcept>
#include <string>

#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

// A request that did not give a body: rejected address, network failure, time-out, body limit,
// or the program ending during the wait. The message is for diagnostics, never shown as is.
class FetchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HttpResponse {
    int status = 0;           // not looked at by page analysis
    std::string body;         // raw bytes, content encoding already undone
    std::string contentType;  // the Content-Type header as sent, empty when absent
    Text finalUrl;            // the address after redirects
};

// Performs one HTTP GET and waits for it while the user interface keeps running. Every request
// ends by itself (time-outs, body limit); failures throw FetchError.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    // The address is read as a browser reads it (surrounding spaces and controls do not count);
    // a query written in readable characters goes out in `charset`, the charset the page is read
    // in, as browsers send a link of a page in that charset. The path always goes as UTF-8.
    virtual HttpResponse Get(TextView address, TextView charset) = 0;
};

// The page at an address as text in the given charset ("GB2312" or "UTF-8"), which is also the
// charset its query is sent in. The HTTP status is not looked at; an empty body gives empty text
// without asking the decoder. Throws FetchError.
Text FetchPage(PageFetcher& fetcher, const ByteDecoder& decoder, TextView address, TextView charset);

}  // namespace ferrik
