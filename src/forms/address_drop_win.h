#pragma once
// A window that takes addresses dropped on it: a link dragged from a browser
// (UniformResourceLocatorW), text (CF_UNICODETEXT) or an Internet shortcut, as a file (CF_HDROP) or
// as a virtual file (FileGroupDescriptorW and FileContents: from a zip folder or a mail); a window
// that asks for them (ListDrops) also takes lists: text of links and text files. The pointer shows
// the copy cursor (the link cursor where the source allows only a link) only while what is dragged
// holds something the window takes and it takes one now; anything else is refused.
#include <windows.h>

#include <ole2.h>

#include <functional>

#include "common/text.h"

namespace ferrik {

// The web address of an Internet shortcut file (AddressOfShortcut; the file is in the system's code
// page, or UTF-16 after its byte order mark), or empty text. Only a file on a drive of this
// computer is read (IsDriveLetterPath, and not a drive of a share); a relative path is the current
// directory's.
Text ShortcutFileAddress(TextView path);

// The web address a data object carries (common/web_address.h), or empty text: the first of
// UniformResourceLocatorW, a shortcut file's (ShortcutFileAddress), a virtual shortcut's (its
// contents in an HGLOBAL or a stream) and CF_UNICODETEXT that gives one (forms/address_drop.h).
// Any other address is no address: a drop of it is ignored.
Text AddressOfDataObject(IDataObject* data);

// What the pointer shows while something is dragged over the window: whether the data object
// carries a web address in a text format, a shortcut file that may be read or a virtual shortcut.
// No file is read here: a drag only passing over the window must not wait for a disk or a share.
bool OffersAddress(IDataObject* data);

// What a window that takes lists takes before an address and after one: dropped text (a link's or
// plain) that the window's `isList` says is a list, or else, when the data object carries no
// address, the first text file on a drive of this computer (IsTextFileName, read by the window).
struct DroppedList {
    Text text;
    Text file;
};
struct ListDrops {
    std::function<bool(TextView text)> isList;
    std::function<void(const DroppedList&)> drop;
};
// The text of a list the data object carries in a text format; empty when none.
Text ListTextOfDataObject(IDataObject* data, const std::function<bool(TextView)>& isList);
// The first text file dropped that may be read (as a shortcut file may); empty when none.
Text ListFileOfDataObject(IDataObject* data);
// Whether the data object carries either; as OffersAddress, no file is read.
bool OffersList(IDataObject* data, const std::function<bool(TextView)>& isList);

class AddressDropTarget final : public IDropTarget {
public:
    // `accepting`: whether the window takes a drop now (not while busy); `drop`: what it does with
    // the address; `lists`, when given: which texts are lists and what it does with one.
    AddressDropTarget(std::function<bool()> accepting, std::function<void(TextView)> drop, ListDrops lists = {});

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    // The window is gone: nothing more is taken.
    void Disconnect() { m_accepting = nullptr; }

private:
    ~AddressDropTarget() = default;
    // What the drop would do, of the effects the source allows (`allowed`).
    DWORD Effect(const DWORD* allowed) const;

    LONG m_refs = 1;
    std::function<bool()> m_accepting;
    std::function<void(TextView)> m_drop;
    ListDrops m_lists;
    bool m_offered = false;  // what is being dragged over the window carries something taken
};

// Registers a window as the drop target of addresses for as long as it lives (RevokeDragDrop before
// the window goes: Revoke, or the destructor). Needs OLE initialised on the window's thread.
// Register does it at once; Prepare makes the target and Attach registers it later (OLE's
// registration marshals the target, which a window's first showing need not wait for).
class AddressDrop {
public:
    AddressDrop() = default;
    AddressDrop(const AddressDrop&) = delete;
    AddressDrop& operator=(const AddressDrop&) = delete;
    ~AddressDrop() { Revoke(); }

    bool Register(HWND hwnd, std::function<bool()> accepting, std::function<void(TextView)> drop);
    void Prepare(std::function<bool()> accepting, std::function<void(TextView)> drop, ListDrops lists = {});
    bool Attach(HWND hwnd);
    void Revoke();
    IDropTarget* Target() const { return m_target; }

private:
    HWND m_hwnd = nullptr;
    AddressDropTarget* m_target = nullptr;
};

}  // namespace ferrik
