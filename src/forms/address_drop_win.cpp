#include "forms/address_drop_win.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/web_address.h"
#include "forms/address_drop.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

namespace {

// Text of an HGLOBAL holding UTF-16, up to its first U+0000 or its end.
Text GlobalText(HGLOBAL memory) {
    const auto* chars = static_cast<const char16_t*>(GlobalLock(memory));
    if (!chars) return {};
    const std::size_t capacity = GlobalSize(memory) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < capacity && chars[length] != 0) ++length;
    Text text(chars, length);
    GlobalUnlock(memory);
    return text;
}

// The medium of one format in an HGLOBAL, released when done.
class Medium {
public:
    Medium(IDataObject* data, CLIPFORMAT format) {
        FORMATETC fmt{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        m_ok = data && SUCCEEDED(data->GetData(&fmt, &m_medium)) && m_medium.tymed == TYMED_HGLOBAL && m_medium.hGlobal;
        if (!m_ok) m_medium = STGMEDIUM{};
    }
    ~Medium() {
        if (m_ok) ReleaseStgMedium(&m_medium);
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    HGLOBAL Get() const { return m_ok ? m_medium.hGlobal : nullptr; }

private:
    STGMEDIUM m_medium{};
    bool m_ok = false;
};

// The dropped files, in order.
std::vector<Text> DroppedFiles(HGLOBAL memory) {
    auto drop = static_cast<HDROP>(memory);
    std::vector<Text> paths;
    const UINT count = late::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = late::DragQueryFileW(drop, i, nullptr, 0);
        Text path(static_cast<std::size_t>(length) + 1, u'\0');
        late::DragQueryFileW(drop, i, reinterpret_cast<wchar_t*>(path.data()), length + 1);
        path.resize(length);
        paths.push_back(std::move(path));
    }
    return paths;
}

// A shortcut that may be read: on a drive of this computer. A drive letter of a share would make
// the read wait for the network (on the GUI thread), and a share's file is a stranger's anyway.
bool IsLocalShortcut(const Text& path) {
    if (!IsShortcutFileName(path) || !IsDriveLetterPath(path)) return false;
    const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

// The web address of the first local shortcut file that has one; the files are read here, so only
// once they are dropped.
Text ShortcutAddress(HGLOBAL memory) {
    for (const Text& path : DroppedFiles(memory)) {
        if (!IsLocalShortcut(path)) continue;
        // As long as an address can be; the reader cuts a longer value, which then fails to load.
        std::vector<wchar_t> url(32768);
        GetPrivateProfileStringW(L"InternetShortcut", L"URL", L"", url.data(), static_cast<DWORD>(url.size()),
                                 reinterpret_cast<const wchar_t*>(path.c_str()));
        Text address = WebAddress(AddressFromDroppedText(reinterpret_cast<const char16_t*>(url.data())));
        if (!address.empty()) return address;
    }
    return {};
}

CLIPFORMAT UrlFormat() {
    static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocatorW"));
    return format;
}

// The web address of a text format (a link's or plain text), or empty text.
Text TextAddress(IDataObject* data, CLIPFORMAT format) {
    Medium text(data, format);
    return text.Get() ? WebAddress(AddressFromDroppedText(GlobalText(text.Get()))) : Text();
}

}  // namespace

Text AddressOfDataObject(IDataObject* data) {
    if (!data) return {};
    if (Text address = TextAddress(data, UrlFormat()); !address.empty()) return address;
    {
        Medium files(data, CF_HDROP);
        if (files.Get()) {
            Text address = ShortcutAddress(files.Get());
            if (!address.empty()) return address;
        }
    }
    return TextAddress(data, CF_UNICODETEXT);
}

bool OffersAddress(IDataObject* data) {
    if (!data) return false;
    if (!TextAddress(data, UrlFormat()).empty() || !TextAddress(data, CF_UNICODETEXT).empty()) return true;
    Medium files(data, CF_HDROP);
    if (!files.Get()) return false;
    const std::vector<Text> paths = DroppedFiles(files.Get());
    return std::any_of(paths.begin(), paths.end(), IsLocalShortcut);
}

AddressDropTarget::AddressDropTarget(std::function<bool()> accepting, std::function<void(TextView)> drop)
    : m_accepting(std::move(accepting)), m_drop(std::move(drop)) {}

HRESULT AddressDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AddressDropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

ULONG AddressDropTarget::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

DWORD AddressDropTarget::Effect() const {
    try {
        return m_hasAddress && m_accepting && m_accepting() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    } catch (...) {
        return DROPEFFECT_NONE;
    }
}

HRESULT AddressDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    try {
        m_hasAddress = OffersAddress(data);
    } catch (...) {
        m_hasAddress = false;
    }
    if (effect) *effect = Effect();
    return S_OK;
}

HRESULT AddressDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = Effect();
    return S_OK;
}

HRESULT AddressDropTarget::DragLeave() {
    m_hasAddress = false;
    return S_OK;
}

HRESULT AddressDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    DWORD result = DROPEFFECT_NONE;
    try {
        const Text address = AddressOfDataObject(data);
        m_hasAddress = !address.empty();
        if (Effect() == DROPEFFECT_COPY) {
            m_hasAddress = false;
            m_drop(address);
            result = DROPEFFECT_COPY;
        }
    } catch (...) {
    }
    m_hasAddress = false;
    if (effect) *effect = result;
    return S_OK;
}

bool AddressDrop::Register(HWND hwnd, std::function<bool()> accepting, std::function<void(TextView)> drop) {
    Prepare(std::move(accepting), std::move(drop));
    if (Attach(hwnd)) return true;
    Revoke();
    return false;
}

void AddressDrop::Prepare(std::function<bool()> accepting, std::function<void(TextView)> drop) {
    Revoke();
    m_target = new AddressDropTarget(std::move(accepting), std::move(drop));
}

bool AddressDrop::Attach(HWND hwnd) {
    if (!m_target || m_hwnd || FAILED(RegisterDragDrop(hwnd, m_target))) return false;
    m_hwnd = hwnd;
    return true;
}

void AddressDrop::Revoke() {
    if (!m_target) return;
    m_target->Disconnect();
    if (m_hwnd && IsWindow(m_hwnd)) RevokeDragDrop(m_hwnd);
    m_target->Release();
    m_target = nullptr;
    m_hwnd = nullptr;
}

}  // namespace ferrik
