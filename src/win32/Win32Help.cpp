#include "win32/Win32Help.h"

#include "common/Error.h"
#include "win32/SystemLibrary.h"

#include <htmlhelp.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace tobrix::win32 {

namespace {

// The keyword a search opens with: none, so that the index shows from its start.
const wchar_t kNoKeyword[] = L"";

} // namespace

FilePath LocalGuideCopy(Files& files, const FilePath& guide, const FilePath& folder) {
    const std::optional<std::uint64_t> size = files.Size(guide);
    const std::optional<std::int64_t> written = files.LastWriteTime(guide);
    if (!size || !written)
        return guide;
    const FilePath copy = folder / guide.filename();
    if (files.Size(copy) == size && files.LastWriteTime(copy) == written)
        return copy;
    if (!files.CreateFolder(folder))
        return guide;
    // Written beside the copy and then put in its place, so that a copy cut short (a full
    // disk, the program ended) is never taken for the guide. Only the data is copied: no other
    // stream, so not the mark of the web.
    try {
        const std::unique_ptr<ByteSource> source = files.OpenRead(guide);
        if (!source || !WriteBeside(files, copy, [&source](WritableFile& file) {
                static constexpr std::size_t kChunk = 64 * 1024;
                const auto buffer = std::make_unique<char[]>(kChunk);
                while (const std::size_t read = source->Read(buffer.get(), kChunk))
                    WriteAll(file, buffer.get(), read);
                if (!file.Commit())
                    throw AppError(std::string(kMsgWriteError));
            }))
            return guide;
    } catch (const std::exception&) {
        return guide;
    }
    // The copy takes the guide's time, by which it is known the next time.
    files.SetLastWriteTime(copy, *written);
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
    const FilePath shown = folder.empty() ? helpFile : LocalGuideCopy(files_, helpFile, folder);
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
        htmlHelp_ = SystemFunction<HtmlHelpFunction>(LoadSystemLibrary(L"hhctrl.ocx"), "HtmlHelpW");
    }
    return htmlHelp_;
}

} // namespace tobrix::win32
