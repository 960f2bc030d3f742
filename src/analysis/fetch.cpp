#include "analysis/fetch.h"

namespace ferrik {

Text FetchPage(PageFetcher& fetcher, const ByteDecoder& decoder, TextView address, TextView charset) {
    const HttpResponse response = fetcher.Get(address, charset);
    if (response.body.empty()) {
        return {};
    }
    return decoder.Decode(response.body, charset);
}

}  // namespace ferrik
