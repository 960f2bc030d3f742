// What ferrik.exe imports, read from its file: only DLLs that cannot come from the program's folder.
// Each import the loader resolves before the program's first line; a DLL that is not one of the
// system's known DLLs is looked for beside the program first, where a download folder may hold a
// planted copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "win/support/ui_driver.h"

namespace {

// Known DLLs on every Windows the program supports (7 and later: the KnownDLLs key under
// HKLM\System\CurrentControlSet\Control\Session Manager), which the loader maps from the system's
// own section objects.
// comctl32 is none, but the manifest's dependency on the common controls 6 makes the loader take
// it from the side-by-side store (WinSxS) before any search: a manifest turns the program folder's
// ".local" redirection off, so no copy beside the program is used.
const std::set<std::string> kAllowed = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll",
                                        "ole32.dll",    "oleaut32.dll", "msvcrt.dll",  "shlwapi.dll",
                                        "shell32.dll",  "ws2_32.dll",   "comctl32.dll"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The names of the DLLs a PE file imports, plain and delay-loaded; empty when the file is no PE
// image (which the test reports as its own failure).
std::vector<std::string> ImportedDlls(const std::wstring& path) {
    std::string image;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        image.resize(GetFileSize(file, nullptr));
        DWORD read = 0;
        if (!ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &read, nullptr)) read = 0;
        image.resize(read);
        CloseHandle(file);
    }
    const auto at = [&](std::size_t offset, std::size_t size) { return offset + size <= image.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) return {};
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto ntOffset = static_cast<std::size_t>(dos->e_lfanew);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !at(ntOffset, sizeof(IMAGE_NT_HEADERS64))) return {};
    const auto* nt32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + ntOffset);
    const auto* nt64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + ntOffset);
    const bool is64 = nt32->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    const IMAGE_DATA_DIRECTORY* directories =
        is64 ? nt64->OptionalHeader.DataDirectory : nt32->OptionalHeader.DataDirectory;
    const auto* sections = is64 ? IMAGE_FIRST_SECTION(nt64) : IMAGE_FIRST_SECTION(nt32);
    const WORD sectionCount = nt32->FileHeader.NumberOfSections;
    // A relative virtual address as an offset in the file; 0 when no section holds it.
    const auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < sectionCount; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    const auto nameAt = [&](DWORD rva) {
        const std::size_t offset = offsetOf(rva);
        return offset && at(offset, 1) ? Lower(std::string(image.c_str() + offset)) : std::string("?");
    };
    std::vector<std::string> names;
    // Plain imports: descriptors of 20 bytes up to an empty one, the DLL's name at field 3.
    if (std::size_t offset = offsetOf(directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress)) {
        for (; at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)); offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offset);
            if (d->Name == 0) break;
            names.push_back(nameAt(d->Name));
        }
    }
    // Delay-loaded ones: 32-byte descriptors, the name's address second.
    if (std::size_t offset = offsetOf(directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress)) {
        for (; at(offset, 32); offset += 32) {
            const auto* fields = reinterpret_cast<const DWORD*>(image.data() + offset);
            if (fields[1] == 0) break;
            names.push_back(nameAt(fields[1]));
        }
    }
    return names;
}

TEST(DllImports, OnlyKnownDllsAndTheManifestsCommonControls) {
    std::vector<std::wstring> exes = {ferrik::test::HostPath(FERRIK_EXE_DIR "/ferrik.exe")};
    // The 64-bit build of the same sources, where this machine made one.
    const std::wstring other = ferrik::test::HostPath(FERRIK_EXE_DIR "/../win64/ferrik.exe");
    if (GetFileAttributesW(other.c_str()) != INVALID_FILE_ATTRIBUTES) exes.push_back(other);
    for (const std::wstring& exe : exes) {
        SCOPED_TRACE(std::string(exe.begin(), exe.end()));
        const std::vector<std::string> dlls = ImportedDlls(exe);
        ASSERT_FALSE(dlls.empty()) << "no import table read";
        EXPECT_TRUE(std::count(dlls.begin(), dlls.end(), "kernel32.dll"));  // the reading itself works
        for (const std::string& dll : dlls) EXPECT_TRUE(kAllowed.count(dll)) << dll << " can come from beside the exe";
    }
}

}  // namespace
