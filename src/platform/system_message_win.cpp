#include "platform/system_message_win.h"

namespace ferrik {

Text SystemMessageText(DWORD number) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text;
    if (length != 0 && buffer) {
        text = Text(TrimSpaces(TextView(reinterpret_cast<const char16_t*>(buffer), length)));
        while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    }
    LocalFree(buffer);
    if (text.empty()) text = u"error " + ToText(number);
    return text;
}

}  // namespace ferrik
