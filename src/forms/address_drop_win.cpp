#include "forms/address_drop_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/web_address.h"
#include "forms/address_drop.h"
#include "platform/handles_win.h"
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

// The medium of one format (of one item of it, `index`, for a virtual file's contents), released
// when done. A source may answer in any of the media asked for; only those are read.
class Medium {
public:
    Medium(IDataObject* data, CLIPFORMAT format, LONG index = -1, DWORD media = TYMED_HGLOBAL) {
        FORMATETC fmt{format, nullptr, DVASPECT_CONTENT, index, media};
        m_held = data && SUCCEEDED(data->GetData(&fmt, &m_medium));
    }
    ~Medium() {
        if (m_held) ReleaseStgMedium(&m_medium);
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    HGLOBAL Get() const { return m_held && m_medium.tymed == TYMED_HGLOBAL ? m_medium.hGlobal : nullptr; }
    IStream* Stream() const { return m_held && m_medium.tymed == TYMED_ISTREAM ? m_medium.pstm : nullptr; }

private:
    STGMEDIUM m_medium{};
    bool m_held = false;
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

// A file that may be read: on a drive of this computer. A drive letter of a share would make the
// read wait for the network (on the GUI thread), and a share's file is a stranger's anyway.
bool IsLocalFile(const Text& path) {
    if (!IsDriveLetterPath(path)) return false;
    const wchar_t root[] = {static_cast<wchar_t>(path[0]), L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

bool IsLocalShortcut(const Text& path) {
    return IsShortcutFileName(path) && IsLocalFile(path);
}

bool IsLocalTextFile(const Text& path) {
    return IsTextFileName(path) && IsLocalFile(path);
}

// A shortcut is a few hundred bytes; anything much larger is no shortcut and is not read.
constexpr std::size_t kShortcutMaxBytes = 1 << 20;

// A shortcut's text: the system writes it in its code page, as its INI reader reads it, or in
// UTF-16 after a byte order mark.
Text ShortcutText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        Text text((bytes.size() - 2) / 2, u'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(char16_t));
        return text;
    }
    UINT codePage = CP_ACP;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        codePage = CP_UTF8;
        bytes.remove_prefix(3);
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    Text text(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

// The bytes of a virtual file's contents, in an HGLOBAL or a stream; nothing when they are more than
// a shortcut can be. `size` is the descriptor's, when it gives one: the block may be rounded up.
std::optional<std::string> ContentsBytes(const Medium& contents, std::optional<std::uint64_t> size) {
    if (HGLOBAL memory = contents.Get()) {
        std::size_t length = GlobalSize(memory);
        if (size && *size < length) length = static_cast<std::size_t>(*size);
        const auto* bytes = static_cast<const char*>(GlobalLock(memory));
        if (!bytes || length > kShortcutMaxBytes) {
            if (bytes) GlobalUnlock(memory);
            return std::nullopt;
        }
        std::string out(bytes, length);
        GlobalUnlock(memory);
        return out;
    }
    IStream* stream = contents.Stream();
    if (!stream) return std::nullopt;
    // Sources leave the seek pointer where they like; a stream that cannot seek is read from where it is.
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    std::string out;
    char chunk[4096];
    for (;;) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(chunk, sizeof(chunk), &read);
        if (FAILED(hr)) return std::nullopt;
        out.append(chunk, read);
        if (out.size() > kShortcutMaxBytes) return std::nullopt;
        if (hr != S_OK || read == 0) return out;
    }
}

CLIPFORMAT Format(const wchar_t* name) {
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

// A shortcut offered as a virtual file (from a zip folder, a mail): its item in FileContents and
// its size when the descriptor gives it.
struct VirtualShortcut {
    LONG index;
    std::optional<std::uint64_t> size;
};

// The shortcuts among the virtual files a data object describes (FileGroupDescriptorW); nothing is
// read of their contents.
std::vector<VirtualShortcut> VirtualShortcuts(IDataObject* data) {
    static const CLIPFORMAT descriptors = Format(CFSTR_FILEDESCRIPTORW);
    Medium group(data, descriptors);
    std::vector<VirtualShortcut> shortcuts;
    const auto* header = group.Get() ? static_cast<const FILEGROUPDESCRIPTORW*>(GlobalLock(group.Get())) : nullptr;
    if (!header) return shortcuts;
    const std::size_t bytes = GlobalSize(group.Get());
    const std::size_t room = bytes < offsetof(FILEGROUPDESCRIPTORW, fgd)
                                 ? 0
                                 : (bytes - offsetof(FILEGROUPDESCRIPTORW, fgd)) / sizeof(FILEDESCRIPTORW);
    const std::size_t count = std::min<std::size_t>(bytes < sizeof(UINT) ? 0 : header->cItems, room);
    for (std::size_t i = 0; i < count; ++i) {
        const FILEDESCRIPTORW& file = header->fgd[i];
        if ((file.dwFlags & FD_ATTRIBUTES) && (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const TextView name(reinterpret_cast<const char16_t*>(file.cFileName), wcsnlen(file.cFileName, MAX_PATH));
        if (!IsShortcutFileName(name)) continue;
        std::optional<std::uint64_t> size;
        if (file.dwFlags & FD_FILESIZE) size = (std::uint64_t{file.nFileSizeHigh} << 32) | file.nFileSizeLow;
        shortcuts.push_back({static_cast<LONG>(i), size});
    }
    GlobalUnlock(group.Get());
    return shortcuts;
}

// The web address of the first virtual shortcut that has one; its contents are read here, so only
// once it is dropped.
Text VirtualShortcutAddress(IDataObject* data) {
    static const CLIPFORMAT contentsFormat = Format(CFSTR_FILECONTENTS);
    for (const VirtualShortcut& shortcut : VirtualShortcuts(data)) {
        Medium contents(data, contentsFormat, shortcut.index, TYMED_HGLOBAL | TYMED_ISTREAM);
        if (const std::optional<std::string> bytes = ContentsBytes(contents, shortcut.size)) {
            Text address = AddressOfShortcut(ShortcutText(*bytes));
            if (!address.empty()) return address;
        }
    }
    return {};
}

// The web address of the first local shortcut file that has one; the files are read here, so only
// once they are dropped.
Text FilesShortcutAddress(HGLOBAL memory) {
    for (const Text& path : DroppedFiles(memory)) {
        Text address = ShortcutFileAddress(path);
        if (!address.empty()) return address;
    }
    return {};
}

CLIPFORMAT UrlFormat() {
    static const CLIPFORMAT format = Format(L"UniformResourceLocatorW");
    return format;
}

// The web address of a text format (a link's or plain text), or empty text.
Text TextAddress(IDataObject* data, CLIPFORMAT format) {
    Medium text(data, format);
    return text.Get() ? WebAddress(AddressFromDroppedText(GlobalText(text.Get()))) : Text();
}

// The effect a drop of an address has: a copy where the source allows one, else a link (a
// browser's link may offer only that). A move is never answered: the source would delete its data.
// IDropTarget's rule: the effect answered is one of those the source passed in.
DWORD AddressEffect(DWORD allowed) {
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
    return DROPEFFECT_NONE;
}

// A relative path is the current directory's (a command line's); any other is taken as it is.
Text FullPath(TextView path) {
    const bool relative = !path.empty() && path[0] != u'\\' && path[0] != u'/' && (path.size() < 2 || path[1] != u':');
    if (!relative) return Text(path);
    const Text given(path);
    const auto* name = reinterpret_cast<const wchar_t*>(given.c_str());
    const DWORD length = GetFullPathNameW(name, 0, nullptr, nullptr);
    if (length == 0) return {};
    Text full(length, u'\0');
    const DWORD written = GetFullPathNameW(name, length, reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (written == 0 || written >= length) return {};
    full.resize(written);
    return full;
}

}  // namespace

Text ShortcutFileAddress(TextView path) {
    const Text full = FullPath(path);
    if (!IsLocalShortcut(full)) return {};
    UniqueHandle file(CreateFileW(reinterpret_cast<const wchar_t*>(full.c_str()), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kShortcutMaxBytes)
        return {};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return {};
    bytes.resize(read);
    return AddressOfShortcut(ShortcutText(bytes));
}

Text AddressOfDataObject(IDataObject* data) {
    if (!data) return {};
    if (Text address = TextAddress(data, UrlFormat()); !address.empty()) return address;
    {
        Medium files(data, CF_HDROP);
        if (files.Get()) {
            Text address = FilesShortcutAddress(files.Get());
            if (!address.empty()) return address;
        }
    }
    if (Text address = VirtualShortcutAddress(data); !address.empty()) return address;
    return TextAddress(data, CF_UNICODETEXT);
}

bool OffersAddress(IDataObject* data) {
    if (!data) return false;
    if (!TextAddress(data, UrlFormat()).empty() || !TextAddress(data, CF_UNICODETEXT).empty()) return true;
    if (!VirtualShortcuts(data).empty()) return true;
    Medium files(data, CF_HDROP);
    if (!files.Get()) return false;
    const std::vector<Text> paths = DroppedFiles(files.Get());
    return std::any_of(paths.begin(), paths.end(), IsLocalShortcut);
}

Text ListTextOfDataObject(IDataObject* data, const std::function<bool(TextView)>& isList) {
    if (!isList) return {};
    for (CLIPFORMAT format : {UrlFormat(), static_cast<CLIPFORMAT>(CF_UNICODETEXT)}) {
        Medium text(data, format);
        if (!text.Get()) continue;
        Text dropped = GlobalText(text.Get());
        if (isList(dropped)) return dropped;
    }
    return {};
}

Text ListFileOfDataObject(IDataObject* data) {
    Medium files(data, CF_HDROP);
    if (!files.Get()) return {};
    for (Text& path : DroppedFiles(files.Get()))
        if (IsLocalTextFile(path)) return std::move(path);
    return {};
}

bool OffersList(IDataObject* data, const std::function<bool(TextView)>& isList) {
    return data && (!ListTextOfDataObject(data, isList).empty() || !ListFileOfDataObject(data).empty());
}

AddressDropTarget::AddressDropTarget(std::function<bool()> accepting, std::function<void(TextView)> drop,
                                     ListDrops lists)
    : m_accepting(std::move(accepting)), m_drop(std::move(drop)), m_lists(std::move(lists)) {}

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

DWORD AddressDropTarget::Effect(const DWORD* allowed) const {
    try {
        return allowed && m_offered && m_accepting && m_accepting() ? AddressEffect(*allowed) : DROPEFFECT_NONE;
    } catch (...) {
        return DROPEFFECT_NONE;
    }
}

HRESULT AddressDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    try {
        m_offered = OffersAddress(data) || (m_lists.drop && OffersList(data, m_lists.isList));
    } catch (...) {
        m_offered = false;
    }
    if (effect) *effect = Effect(effect);
    return S_OK;
}

HRESULT AddressDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = Effect(effect);
    return S_OK;
}

HRESULT AddressDropTarget::DragLeave() {
    m_offered = false;
    return S_OK;
}

// A list's text comes before an address (a qvod:// link dragged from a page is no web address, and
// text that holds links is a list even where its first line is an address); a list file after.
HRESULT AddressDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    DWORD result = DROPEFFECT_NONE;
    try {
        DroppedList list;
        if (m_lists.drop) list.text = ListTextOfDataObject(data, m_lists.isList);
        const Text address = list.text.empty() ? AddressOfDataObject(data) : Text();
        if (m_lists.drop && list.text.empty() && address.empty()) list.file = ListFileOfDataObject(data);
        const bool isList = !list.text.empty() || !list.file.empty();
        m_offered = isList || !address.empty();
        result = Effect(effect);
        if (result != DROPEFFECT_NONE) {
            m_offered = false;
            if (isList) {
                m_lists.drop(list);
            } else {
                m_drop(address);
            }
        }
    } catch (...) {
    }
    m_offered = false;
    if (effect) *effect = result;
    return S_OK;
}

bool AddressDrop::Register(HWND hwnd, std::function<bool()> accepting, std::function<void(TextView)> drop) {
    Prepare(std::move(accepting), std::move(drop));
    if (Attach(hwnd)) return true;
    Revoke();
    return false;
}

void AddressDrop::Prepare(std::function<bool()> accepting, std::function<void(TextView)> drop, ListDrops lists) {
    Revoke();
    m_target = new AddressDropTarget(std::move(accepting), std::move(drop), std::move(lists));
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
