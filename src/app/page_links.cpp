#include "analysis/qvod.h"
#include "app/batch.h"

namespace ferrik {

Text QvodPageLinks::FirstQvodLink(TextView pageAddress) {
    return GetQvodUrl(m_fetcher, m_decoder, pageAddress, 0, false);
}

}  // namespace ferrik
