#include "win32/Win32Help.h"

#include "win32/SystemLibrary.h"

#include <htmlhelp.h>

#include <memory>
#include <optional>
#include <type_traits>

namespace tobrix::win32 {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

FileHandle Open(const FilePath& path, DWORD access, DWORD share, DWORD disposition) {
    const HANDLE handle =
        CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const FilePath& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return data;
}

bool SameSizeAndTime(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// Writes a new file `to` with the bytes of `from` (its data only: no other stream, no
// attribute) and `from`'s last-write time.
bool CopyBytes(const FilePath& from, const FilePath& to) {
    const FileHandle source = Open(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    FileHandle target = Open(to, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!source || !target)
        return false;
    static constexpr DWORD kChunk = 64 * 1024;
    const auto buffer = std::make_unique<char[]>(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.get(), buffer.get(), kChunk, &read, nullptr))
            return false;
        if (read == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(target.get(), buffer.get(), read, &written, nullptr) || written != read)
            return false;
    }
    FILETIME writeTime{};
    return GetFileTime(source.get(), nullptr, nullptr, &writeTime) &&
           SetFileTime(target.get(), nullptr, nullptr, &writeTime) && FlushFileBuffers(target.get());
}

// The keyword a search opens with: none, so that the index shows from its start.
const wchar_t kNoKeyword[] = L"";

} // namespace

FilePath LocalGuideCopy(const FilePath& guide, const FilePath& folder) {
    const auto original = Attributes(guide);
    if (!original)
        return guide;
    const FilePath copy = folder / guide.filename();
    if (const auto existing = Attributes(copy); existing && SameSizeAndTime(*original, *existing))
        return copy;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return guide;
    // Written beside the copy and then put in its place, so that a copy cut short (a full
    // disk, the program ended) is never taken for the guide.
    FilePath written = copy;
    written += L".new";
    if (!CopyBytes(guide, written) || !MoveFileExW(written.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(written.c_str());
        return guide;
    }
    return copy;
}

void Win32Help::ShowWinHelp(const FilePath& helpFile, HelpPage page) {
    if (page == HelpPage::Contents) {
        WinHelpW(main_.hwnd, helpFile.c_str(), HELP_FINDER, 0);
        return;
    }
    WinHelpW(main_.hwnd, helpFile.c_str(), HELP_KEY, reinterpret_cast<ULONG_PTR>(kNoKeyword));
}

bool Win32Help::ShowHtmlHelp(const FilePath& helpFile, HelpPage page) {
    const HtmlHelpFunction htmlHelp = HtmlHelpEntry();
    if (htmlHelp == nullptr)
        return false;
    const FilePath folder = files_.LocalDataFolder();
    const FilePath shown = folder.empty() ? helpFile : LocalGuideCopy(helpFile, folder);
    const HWND window = page == HelpPage::Contents
                            ? htmlHelp(main_.hwnd, shown.c_str(), HH_DISPLAY_TOC, 0)
                            : htmlHelp(main_.hwnd, shown.c_str(), HH_DISPLAY_INDEX,
                                       reinterpret_cast<DWORD_PTR>(kNoKeyword));
    return window != nullptr;
}

void Win32Help::CloseAll() {
    if (htmlHelp_ != nullptr)
        htmlHelp_(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

Win32Help::HtmlHelpFunction Win32Help::HtmlHelpEntry() {
    if (!loadTried_) {
        loadTried_ = true;
        if (const HMODULE hhctrl = LoadSystemLibrary(L"hhctrl.ocx"))
            htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(
                reinterpret_cast<void (*)()>(GetProcAddress(hhctrl, "HtmlHelpW")));
    }
    return htmlHelp_;
}

} // namespace tobrix::win32
