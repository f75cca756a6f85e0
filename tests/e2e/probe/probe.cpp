// tobrix-probe: inspects and drives the windows of other programs running in the same Wine prefix,
// so the end-to-end tests can check Tobrix from the outside.
//
// Usage: tobrix-probe <command> [arguments...]
//        tobrix-probe serve        (reads one command per line from stdin, see "Serve mode" below)
//
// Argument conventions
//   text    hex of the UTF-8 bytes ("414243" = "ABC"); "-" is the empty string. For find/count/list
//           "*" matches anything. Registry paths and file paths are text too.
//   bytes   hex of raw bytes; "-" is no bytes.
//   hwnd    hex, with or without "0x".
//   n       decimal, or hex with "0x"; a leading "-" is allowed.
//
// Output: ASCII only, one result per line, LF line ends. Commands with a single result print the bare
// value; the others print "<key> <fields...>" lines. Text fields are hex UTF-8 ("-" when empty).
// Exit code 0 on success, 2 on timeout / not found, 1 on any other failure (message on stderr).
//
// Commands
//   acp                                   ANSI code page (GetACP)
//   foreground                            hwnd of the foreground window (0x0 if none)
//   find <class> <title> [timeout_ms=10000]   waits for a matching top-level window; prints its hwnd
//   count <class> <title>                 number of matching top-level windows
//   list [class] [title]                  "window <hwnd> <class> <caption> <visible> <pid>" per top-level window
//   info <hwnd>                           hwnd, class, caption, rect l t r b, client w h, iconic, zoomed,
//                                         visible, enabled, foreground, topmost, style, exstyle, owner, pid,
//                                         image (process image path, text)
//   xid <hwnd>                            X11 window id (decimal) of a top-level window, for xdotool
//   focus <hwnd>                          "focus/active/capture <hwnd>" from the window's GUI thread
//   children <hwnd>                       per descendant: "child <hwnd> <parent> <class> <id> <caption>
//                                         <l> <t> <r> <b> <visible> <enabled> <style>" (screen rect)
//   text <hwnd>                           window text via WM_GETTEXT
//   set-text <hwnd> <text>                WM_SETTEXT; prints the result
//   show <hwnd> <sw>                      ShowWindow (6 = SW_MINIMIZE, 9 = SW_RESTORE, 3 = SW_MAXIMIZE...)
//   move <hwnd> <x> <y> <w> <h>           SetWindowPos without activation or z-order change
//   activate <hwnd>                       SetForegroundWindow
//   close <hwnd>                          posts WM_CLOSE
//   post <hwnd> <msg> <wparam> <lparam>   PostMessage
//   send <hwnd> <msg> <wparam> <lparam> [timeout_ms=5000]   SendMessageTimeout; prints the result
//   command <hwnd> <id> [code=0]          posts WM_COMMAND (posted, so a modal dialog it opens cannot block)
//   wait-gone <hwnd> [timeout_ms=10000]   waits until the window no longer exists
//   lv <listview> [first] [count]         list view state: count, selected <rows...>, focused, top,
//                                         perpage, header, columns, "column <i> <width> <title>",
//                                         "row <i> <cell> <cell>..."
//   lv-rect <listview> <row> [col]        screen rect of a row (or of one cell)
//   tb-rect <toolbar> <command id>        screen rect of a toolbar button
//   lvclick-header <listview> <col>       left click in the middle of a column header; "handled 0" when
//                                         the program is still busy with it after 5 s (e.g. a modal dialog)
//   lvselect <listview> <row> [add]       selects and focuses a row; without "add" the others are cleared
//   tv <treeview>                         tree view items: count, then "item <depth> <text>" per item, in
//                                         the order they show with every branch expanded
//   stall <hwnd> <duration_ms>           for that long, sends WM_NULL again and again; prints "longest <ms>",
//                                         the longest the window took to answer one
//   msgbox [timeout_ms=10000] [caption]   waits for a visible "#32770" window; prints hwnd, caption, text,
//                                         "button <id> <caption>" per button
//   msgbox-press <hwnd> <id> [timeout_ms=5000]   presses a button and waits until the box is gone
//   reg-dump <path>                       HKCU\<path>: "key <name>" per subkey and
//                                         "value <name> <type> <data bytes> <text or ->" per value
//   reg-delete-tree <path>                deletes HKCU\<path> and everything below (absent is fine)
//   reg-delete-value <path> <name>
//   reg-set-sz <path> <name> <text>
//   reg-set-dword <path> <name> <n>
//   reg-set-raw <path> <name> <type> <bytes>
//   hold <file> <seconds>                 opens the file with no sharing, prints "ready", keeps it open
//                                         until the time has passed or stdin reaches end of file
//   try-open <file> [r|w]                 opens with full sharing; prints 0 or the Win32 error code
//   clip-get                              CF_TEXT bytes (up to the terminating NUL); exit 2 if none
//   clip-get-unicode                      CF_UNICODETEXT as text; exit 2 if none
//   clip-set-text <bytes>                 puts the bytes on the clipboard as CF_TEXT
//   clip-set-unicode <text>               puts the text on the clipboard as CF_UNICODETEXT
//   clip-formats                          available clipboard formats, one number per line
//   clip-clear                            empties the clipboard
//
// Serve mode: each stdin line is one command with its arguments separated by spaces. The output of the
// command follows, then "@error <message>" if it failed, then "@done <exit code>". "quit" or end of
// input ends the process. This saves the Wine process start-up per call.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "Utf8.h"

#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

constexpr int kExitFailure = 1;
constexpr int kExitNotFound = 2;
constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;

struct Failure {
    int code;
    std::string message;
};

[[noreturn]] void fail(const std::string& message, int code = kExitFailure) {
    throw Failure{code, message};
}

[[noreturn]] void fail_win32(const std::string& what) {
    fail(what + " failed: error " + std::to_string(GetLastError()));
}

void emit(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// ---- encoding -------------------------------------------------------------------------------------

std::wstring from_utf8(const std::string& s) {
    std::optional<std::wstring> w = FromUtf8(s);
    if (!w) fail("argument is not valid UTF-8");
    return std::move(*w);
}

std::string hex(const void* data, size_t size) {
    if (size == 0) return "-";
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(digits[p[i] >> 4]);
        out.push_back(digits[p[i] & 15]);
    }
    return out;
}

std::string hex(const std::string& bytes) { return hex(bytes.data(), bytes.size()); }
std::string hex(const std::wstring& text) { return hex(Utf8(text)); }

std::string unhex(const std::wstring& arg) {
    if (arg == L"-") return {};
    if (arg.size() % 2 != 0) fail("hex argument has an odd length");
    auto nibble = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'a' && c <= L'f') return c - L'a' + 10;
        if (c >= L'A' && c <= L'F') return c - L'A' + 10;
        fail("argument is not hex");
    };
    std::string out;
    for (size_t i = 0; i < arg.size(); i += 2)
        out.push_back(static_cast<char>(nibble(arg[i]) * 16 + nibble(arg[i + 1])));
    return out;
}

std::wstring text_arg(const std::wstring& arg) { return from_utf8(unhex(arg)); }

// "*" means any; used by the window searches.
std::optional<std::wstring> pattern_arg(const std::wstring& arg) {
    if (arg == L"*") return std::nullopt;
    return text_arg(arg);
}

long long int_arg(const std::wstring& arg) {
    const wchar_t* s = arg.c_str();
    bool negative = false;
    if (*s == L'-') {
        negative = true;
        ++s;
    }
    int base = 10;
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        base = 16;
        s += 2;
    }
    if (*s == L'\0') fail("number expected");
    wchar_t* end = nullptr;
    const unsigned long long v = std::wcstoull(s, &end, base);
    if (*end != L'\0') fail("number expected");
    return negative ? -static_cast<long long>(v) : static_cast<long long>(v);
}

HWND hwnd_arg(const std::wstring& arg) {
    const wchar_t* s = arg.c_str();
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) s += 2;
    wchar_t* end = nullptr;
    const unsigned long long v = std::wcstoull(s, &end, 16);
    if (*s == L'\0' || *end != L'\0') fail("window handle expected (hex)");
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(v));
}

HWND window_arg(const std::wstring& arg) {
    HWND hwnd = hwnd_arg(arg);
    if (!IsWindow(hwnd)) fail("no such window", kExitNotFound);
    return hwnd;
}

std::string hwnd_str(HWND hwnd) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
    return buf;
}

std::string hex_num(unsigned long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", v);
    return buf;
}

const std::wstring& arg_at(const Args& args, size_t i) {
    if (i >= args.size()) fail("missing argument");
    return args[i];
}

std::optional<std::wstring> opt_arg(const Args& args, size_t i) {
    if (i >= args.size()) return std::nullopt;
    return args[i];
}

DWORD timeout_arg(const Args& args, size_t i, DWORD fallback) {
    auto a = opt_arg(args, i);
    return a ? static_cast<DWORD>(int_arg(*a)) : fallback;
}

// ---- windows --------------------------------------------------------------------------------------

std::wstring class_name(HWND hwnd) {
    wchar_t buf[256];
    const int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// Internal caption without sending a message; cannot hang on a busy window.
std::wstring caption(HWND hwnd) {
    const int len = GetWindowTextLengthW(hwnd);
    if (len <= 0) return {};
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    const int n = GetWindowTextW(hwnd, buf.data(), len + 1);
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buf;
}

// WM_GETTEXT, so edit controls of another process report their content; falls back to the caption.
std::wstring window_text(HWND hwnd) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return caption(hwnd);
    std::wstring buf(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                             2000, &got))
        return caption(hwnd);
    buf.resize(got <= len ? got : len);
    return buf;
}

std::string rect_str(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

bool same_class(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A named CALLBACK function, not a lambda: 32-bit callbacks are stdcall.
BOOL CALLBACK collect_window(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> top_level_windows() {
    std::vector<HWND> all;
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<HWND> matching_windows(const std::optional<std::wstring>& cls, const std::optional<std::wstring>& title) {
    std::vector<HWND> found;
    for (HWND hwnd : top_level_windows()) {
        if (cls && !same_class(class_name(hwnd), *cls)) continue;
        if (title && caption(hwnd) != *title) continue;
        found.push_back(hwnd);
    }
    return found;
}

std::vector<HWND> descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, collect_window, reinterpret_cast<LPARAM>(&all));
    return all;
}

LRESULT send_or_fail(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT timeout_ms = kSendTimeoutMs) {
    DWORD_PTR result = 0;
    SetLastError(0);
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, timeout_ms, &result)) {
        const DWORD err = GetLastError();
        if (err == ERROR_TIMEOUT || err == 0) fail("SendMessageTimeout timed out", kExitNotFound);
        fail("SendMessageTimeout failed: error " + std::to_string(err));
    }
    return static_cast<LRESULT>(result);
}

void post_or_fail(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!PostMessageW(hwnd, msg, wp, lp)) fail_win32("PostMessage");
}

std::wstring process_image(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t buf[MAX_PATH * 4];
    DWORD size = MAX_PATH * 4;
    std::wstring image;
    if (QueryFullProcessImageNameW(process, 0, buf, &size)) image.assign(buf, size);
    CloseHandle(process);
    return image;
}

// Memory in the process that owns a window, for messages whose arguments are pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HWND hwnd, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_) fail_win32("OpenProcess");
        base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!base_) {
            CloseHandle(process_);
            fail_win32("VirtualAllocEx");
        }
    }
    ~RemoteBuffer() {
        VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* at(size_t offset) const { return base_ + offset; }
    LPARAM lparam(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }
    size_t size() const { return size_; }

    void write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        if (offset + n > size_ || !WriteProcessMemory(process_, at(offset), data, n, &done) || done != n)
            fail_win32("WriteProcessMemory");
    }
    void read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        if (offset + n > size_ || !ReadProcessMemory(process_, at(offset), data, n, &done) || done != n)
            fail_win32("ReadProcessMemory");
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_ = 0;
};

// ---- simple window commands -----------------------------------------------------------------------

void cmd_acp(const Args&) { emit(std::to_string(GetACP())); }

void cmd_foreground(const Args&) { emit(hwnd_str(GetForegroundWindow())); }

void cmd_find(const Args& a) {
    const auto cls = pattern_arg(arg_at(a, 0));
    const auto title = pattern_arg(arg_at(a, 1));
    const DWORD timeout = timeout_arg(a, 2, 10000);
    const DWORD start = GetTickCount();
    for (;;) {
        const auto found = matching_windows(cls, title);
        if (!found.empty()) {
            emit(hwnd_str(found.front()));
            return;
        }
        if (GetTickCount() - start >= timeout) fail("window not found", kExitNotFound);
        Sleep(kPollMs);
    }
}

void cmd_count(const Args& a) {
    emit(std::to_string(matching_windows(pattern_arg(arg_at(a, 0)), pattern_arg(arg_at(a, 1))).size()));
}

void cmd_list(const Args& a) {
    const auto cls = a.size() > 0 ? pattern_arg(a[0]) : std::nullopt;
    const auto title = a.size() > 1 ? pattern_arg(a[1]) : std::nullopt;
    for (HWND hwnd : matching_windows(cls, title)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        emit("window " + hwnd_str(hwnd) + " " + hex(class_name(hwnd)) + " " + hex(caption(hwnd)) + " " +
             std::to_string(IsWindowVisible(hwnd) ? 1 : 0) + " " + std::to_string(pid));
    }
}

void cmd_info(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    RECT r{}, client{};
    GetWindowRect(hwnd, &r);
    GetClientRect(hwnd, &client);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exstyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    emit("hwnd " + hwnd_str(hwnd));
    emit("class " + hex(class_name(hwnd)));
    emit("caption " + hex(window_text(hwnd)));
    emit("rect " + rect_str(r));
    emit("client " + std::to_string(client.right) + " " + std::to_string(client.bottom));
    emit("iconic " + flag(IsIconic(hwnd)));
    emit("zoomed " + flag(IsZoomed(hwnd)));
    emit("visible " + flag(IsWindowVisible(hwnd)));
    emit("enabled " + flag(IsWindowEnabled(hwnd)));
    emit("foreground " + flag(GetForegroundWindow() == hwnd));
    emit("topmost " + flag((exstyle & WS_EX_TOPMOST) != 0));
    emit("style " + hex_num(static_cast<unsigned long long>(style) & 0xffffffffu));
    emit("exstyle " + hex_num(static_cast<unsigned long long>(exstyle) & 0xffffffffu));
    emit("owner " + hwnd_str(GetWindow(hwnd, GW_OWNER)));
    emit("pid " + std::to_string(pid));
    emit("image " + hex(process_image(pid)));
}

void cmd_xid(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    // The X11 driver keeps the X window id as a window property, which the server shares between processes.
    const auto xid = reinterpret_cast<uintptr_t>(GetPropW(hwnd, L"__wine_x11_whole_window"));
    if (!xid) fail("window has no X11 window", kExitNotFound);
    emit(std::to_string(static_cast<unsigned long long>(xid)));
}

void cmd_focus(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    GUITHREADINFO gti{};
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &gti)) fail_win32("GetGUIThreadInfo");
    emit("focus " + hwnd_str(gti.hwndFocus));
    emit("active " + hwnd_str(gti.hwndActive));
    emit("capture " + hwnd_str(gti.hwndCapture));
}

void cmd_children(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    for (HWND child : descendants(hwnd)) {
        RECT r{};
        GetWindowRect(child, &r);
        const auto style = static_cast<unsigned long long>(GetWindowLongPtrW(child, GWL_STYLE)) & 0xffffffffu;
        emit("child " + hwnd_str(child) + " " + hwnd_str(GetParent(child)) + " " + hex(class_name(child)) + " " +
             std::to_string(GetDlgCtrlID(child)) + " " + hex(window_text(child)) + " " + rect_str(r) + " " +
             std::to_string(IsWindowVisible(child) ? 1 : 0) + " " + std::to_string(IsWindowEnabled(child) ? 1 : 0) +
             " " + hex_num(style));
    }
}

void cmd_text(const Args& a) { emit(hex(window_text(window_arg(arg_at(a, 0))))); }

void cmd_set_text(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    const std::wstring text = text_arg(arg_at(a, 1));
    emit(std::to_string(send_or_fail(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))));
}

void cmd_show(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    ShowWindow(hwnd, static_cast<int>(int_arg(arg_at(a, 1))));
}

void cmd_move(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    if (!SetWindowPos(hwnd, nullptr, static_cast<int>(int_arg(arg_at(a, 1))), static_cast<int>(int_arg(arg_at(a, 2))),
                      static_cast<int>(int_arg(arg_at(a, 3))), static_cast<int>(int_arg(arg_at(a, 4))),
                      SWP_NOZORDER | SWP_NOACTIVATE))
        fail_win32("SetWindowPos");
}

void cmd_activate(const Args& a) {
    if (!SetForegroundWindow(window_arg(arg_at(a, 0)))) fail("SetForegroundWindow refused");
}

void cmd_close(const Args& a) { post_or_fail(window_arg(arg_at(a, 0)), WM_CLOSE, 0, 0); }

void cmd_post(const Args& a) {
    post_or_fail(window_arg(arg_at(a, 0)), static_cast<UINT>(int_arg(arg_at(a, 1))),
                 static_cast<WPARAM>(int_arg(arg_at(a, 2))), static_cast<LPARAM>(int_arg(arg_at(a, 3))));
}

void cmd_send(const Args& a) {
    const LRESULT r = send_or_fail(window_arg(arg_at(a, 0)), static_cast<UINT>(int_arg(arg_at(a, 1))),
                                   static_cast<WPARAM>(int_arg(arg_at(a, 2))),
                                   static_cast<LPARAM>(int_arg(arg_at(a, 3))), timeout_arg(a, 4, kSendTimeoutMs));
    emit(std::to_string(static_cast<long long>(r)));
}

void cmd_stall(const Args& a) {
    HWND hwnd = window_arg(arg_at(a, 0));
    const auto duration = static_cast<ULONGLONG>(int_arg(arg_at(a, 1)));
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    double longest = 0;
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < duration) {
        QueryPerformanceCounter(&before);
        send_or_fail(hwnd, WM_NULL, 0, 0, 30000);
        QueryPerformanceCounter(&after);
        longest = std::max(longest, static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 /
                                        static_cast<double>(frequency.QuadPart));
        Sleep(1);
    }
    emit("longest " + std::to_string(static_cast<long long>(longest + 0.5)));
}

void cmd_command(const Args& a) {
    const auto id = static_cast<WORD>(int_arg(arg_at(a, 1)));
    const auto code = static_cast<WORD>(a.size() > 2 ? int_arg(a[2]) : 0);
    post_or_fail(window_arg(arg_at(a, 0)), WM_COMMAND, MAKEWPARAM(id, code), 0);
}

void cmd_wait_gone(const Args& a) {
    HWND hwnd = hwnd_arg(arg_at(a, 0));
    const DWORD timeout = timeout_arg(a, 1, 10000);
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (GetTickCount() - start >= timeout) fail("window still exists", kExitNotFound);
        Sleep(kPollMs);
    }
}

// ---- list views -----------------------------------------------------------------------------------

// Layout of the remote block: the structure first, the text buffer after it.
constexpr size_t kTextOffset = 256;

std::wstring lv_cell(HWND lv, const RemoteBuffer& mem, int row, int col) {
    const size_t capacity = (mem.size() - kTextOffset) / sizeof(wchar_t);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = col;
    item.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
    item.cchTextMax = static_cast<int>(capacity);
    const wchar_t nul = 0;
    mem.write(kTextOffset, &nul, sizeof nul);
    mem.write(0, &item, sizeof item);
    auto len = static_cast<size_t>(send_or_fail(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), mem.lparam()));
    if (len >= capacity) len = capacity - 1;
    std::wstring text(len, L'\0');
    if (len) mem.read(kTextOffset, text.data(), len * sizeof(wchar_t));
    return text;
}

std::wstring lv_column_title(HWND lv, const RemoteBuffer& mem, int col) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
    column.cchTextMax = 1024;
    const wchar_t nul = 0;
    mem.write(kTextOffset, &nul, sizeof nul);
    mem.write(0, &column, sizeof column);
    if (!send_or_fail(lv, LVM_GETCOLUMNW, static_cast<WPARAM>(col), mem.lparam())) return {};
    std::wstring text(1024, L'\0');
    mem.read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

HWND lv_header(HWND lv) { return reinterpret_cast<HWND>(send_or_fail(lv, LVM_GETHEADER, 0, 0)); }

int lv_column_count(HWND lv) {
    HWND header = lv_header(lv);
    return header ? static_cast<int>(send_or_fail(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void cmd_lv(const Args& a) {
    HWND lv = window_arg(arg_at(a, 0));
    const int count = static_cast<int>(send_or_fail(lv, LVM_GETITEMCOUNT, 0, 0));
    const int first = a.size() > 1 ? static_cast<int>(int_arg(a[1])) : 0;
    const int rows = a.size() > 2 ? static_cast<int>(int_arg(a[2])) : count;
    emit("count " + std::to_string(count));

    std::string selected = "selected";
    for (int i = -1;;) {
        i = static_cast<int>(send_or_fail(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(i), MAKELPARAM(LVNI_SELECTED, 0)));
        if (i < 0) break;
        selected += " " + std::to_string(i);
    }
    emit(selected);
    emit("focused " + std::to_string(static_cast<int>(
                          send_or_fail(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)))));
    emit("top " + std::to_string(send_or_fail(lv, LVM_GETTOPINDEX, 0, 0)));
    emit("perpage " + std::to_string(send_or_fail(lv, LVM_GETCOUNTPERPAGE, 0, 0)));
    emit("header " + hwnd_str(lv_header(lv)));

    const int columns = lv_column_count(lv);
    emit("columns " + std::to_string(columns));
    size_t buffer = 64 * 1024;
    auto mem = std::make_unique<RemoteBuffer>(lv, kTextOffset + buffer);
    for (int c = 0; c < columns; ++c) {
        const auto width = send_or_fail(lv, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0);
        emit("column " + std::to_string(c) + " " + std::to_string(width) + " " + hex(lv_column_title(lv, *mem, c)));
    }
    for (int r = first; r < count && r < first + rows; ++r) {
        std::string line = "row " + std::to_string(r);
        for (int c = 0; c < std::max(columns, 1); ++c) {
            std::wstring cell = lv_cell(lv, *mem, r, c);
            // A cell that filled the buffer may be cut short: retry with a larger one.
            while (cell.size() + 1 >= (mem->size() - kTextOffset) / sizeof(wchar_t) && buffer < 16 * 1024 * 1024) {
                buffer *= 4;
                mem = std::make_unique<RemoteBuffer>(lv, kTextOffset + buffer);
                cell = lv_cell(lv, *mem, r, c);
            }
            line += ' ';
            line += hex(cell);
        }
        emit(line);
    }
}

// ---- tree views -----------------------------------------------------------------------------------

std::wstring tv_text(HWND tv, const RemoteBuffer& mem, HTREEITEM item) {
    const size_t capacity = (mem.size() - kTextOffset) / sizeof(wchar_t);
    TVITEMW query{};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = item;
    query.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
    query.cchTextMax = static_cast<int>(capacity);
    const wchar_t nul = 0;
    mem.write(kTextOffset, &nul, sizeof nul);
    mem.write(0, &query, sizeof query);
    if (!send_or_fail(tv, TVM_GETITEMW, 0, mem.lparam())) return {};
    std::wstring text(capacity, L'\0');
    mem.read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void tv_items(HWND tv, const RemoteBuffer& mem, HTREEITEM item, int depth) {
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     send_or_fail(tv, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        emit("item " + std::to_string(depth) + " " + hex(tv_text(tv, mem, item)));
        const auto child = send_or_fail(tv, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item));
        tv_items(tv, mem, reinterpret_cast<HTREEITEM>(child), depth + 1);
    }
}

void cmd_tv(const Args& a) {
    HWND tv = window_arg(arg_at(a, 0));
    emit("count " + std::to_string(send_or_fail(tv, TVM_GETCOUNT, 0, 0)));
    RemoteBuffer mem(tv, kTextOffset + 4096);
    tv_items(tv, mem, reinterpret_cast<HTREEITEM>(send_or_fail(tv, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
}

RECT to_screen(HWND hwnd, RECT r) {
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void cmd_tb_rect(const Args& a) {
    HWND toolbar = window_arg(arg_at(a, 0));
    const auto id = static_cast<WPARAM>(int_arg(arg_at(a, 1)));
    RemoteBuffer mem(toolbar, sizeof(RECT));
    if (!send_or_fail(toolbar, TB_GETRECT, id, mem.lparam())) fail("no such button");
    RECT r{};
    mem.read(0, &r, sizeof r);
    emit(rect_str(to_screen(toolbar, r)));
}

void cmd_lv_rect(const Args& a) {
    HWND lv = window_arg(arg_at(a, 0));
    const auto row = static_cast<WPARAM>(int_arg(arg_at(a, 1)));
    RemoteBuffer mem(lv, sizeof(RECT));
    RECT r{};
    if (a.size() > 2) {
        r.top = static_cast<LONG>(int_arg(a[2]));
        r.left = LVIR_BOUNDS;
        mem.write(0, &r, sizeof r);
        if (!send_or_fail(lv, LVM_GETSUBITEMRECT, row, mem.lparam())) fail("no such cell");
    } else {
        r.left = LVIR_BOUNDS;
        mem.write(0, &r, sizeof r);
        if (!send_or_fail(lv, LVM_GETITEMRECT, row, mem.lparam())) fail("no such row");
    }
    mem.read(0, &r, sizeof r);
    emit(rect_str(to_screen(lv, r)));
}

void cmd_lvclick_header(const Args& a) {
    HWND lv = window_arg(arg_at(a, 0));
    const auto col = static_cast<WPARAM>(int_arg(arg_at(a, 1)));
    HWND header = lv_header(lv);
    if (!header) fail("list view has no header");
    RemoteBuffer mem(header, sizeof(RECT));
    RECT r{};
    mem.write(0, &r, sizeof r);
    if (!send_or_fail(header, HDM_GETITEMRECT, col, mem.lparam())) fail("no such column");
    mem.read(0, &r, sizeof r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // Sent rather than posted: the header raises HDN_ITEMCLICK (and the list view LVN_COLUMNCLICK)
    // while handling the button release, so the click has been handled when this returns.
    send_or_fail(header, WM_MOUSEMOVE, 0, at);
    send_or_fail(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    // A handler that opens a modal dialog does not return soon; the release is still delivered.
    DWORD_PTR ignored = 0;
    const bool handled = SendMessageTimeoutW(header, WM_LBUTTONUP, 0, at, SMTO_NORMAL, kSendTimeoutMs, &ignored) != 0;
    emit("header " + hwnd_str(header));
    emit("point " + std::to_string(LOWORD(at)) + " " + std::to_string(HIWORD(at)));
    emit("handled " + std::string(handled ? "1" : "0"));
}

void cmd_lvselect(const Args& a) {
    HWND lv = window_arg(arg_at(a, 0));
    const auto row = static_cast<int>(int_arg(arg_at(a, 1)));
    const bool add = a.size() > 2 && a[2] == L"add";
    RemoteBuffer mem(lv, sizeof(LVITEMW));
    LVITEMW item{};
    if (!add) {
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = 0;
        mem.write(0, &item, sizeof item);
        send_or_fail(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), mem.lparam());
    }
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    mem.write(0, &item, sizeof item);
    if (!send_or_fail(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(row), mem.lparam())) fail("LVM_SETITEMSTATE failed");
    send_or_fail(lv, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// ---- message boxes --------------------------------------------------------------------------------

void cmd_msgbox(const Args& a) {
    const DWORD timeout = timeout_arg(a, 0, 10000);
    const std::optional<std::wstring> title = a.size() > 1 ? pattern_arg(a[1]) : std::nullopt;
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    for (;;) {
        for (HWND hwnd : matching_windows(std::wstring(L"#32770"), title)) {
            if (IsWindowVisible(hwnd)) {
                box = hwnd;
                break;
            }
        }
        if (box) break;
        if (GetTickCount() - start >= timeout) fail("no message box", kExitNotFound);
        Sleep(kPollMs);
    }
    std::wstring text;
    std::vector<std::pair<int, std::wstring>> buttons;
    for (HWND child : descendants(box)) {
        const std::wstring cls = class_name(child);
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
        if (same_class(cls, L"Static") && (style & SS_TYPEMASK) != SS_ICON) {
            const std::wstring t = window_text(child);
            if (t.empty()) continue;
            if (!text.empty()) text += L"\n";
            text += t;
        } else if (same_class(cls, L"Button") && IsWindowVisible(child)) {
            buttons.emplace_back(GetDlgCtrlID(child), window_text(child));
        }
    }
    emit("hwnd " + hwnd_str(box));
    emit("caption " + hex(caption(box)));
    emit("text " + hex(text));
    for (const auto& [id, label] : buttons) emit("button " + std::to_string(id) + " " + hex(label));
}

void cmd_msgbox_press(const Args& a) {
    HWND box = window_arg(arg_at(a, 0));
    const int id = static_cast<int>(int_arg(arg_at(a, 1)));
    const DWORD timeout = timeout_arg(a, 2, 5000);
    HWND button = GetDlgItem(box, id);
    if (!button) fail("no button with that id", kExitNotFound);
    // WM_COMMAND as the button itself would send it; BM_CLICK depends on the box being active.
    post_or_fail(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    const DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start >= timeout) fail("message box still open", kExitNotFound);
        Sleep(kPollMs);
    }
}

// ---- registry -------------------------------------------------------------------------------------

std::string reg_error(const char* what, LSTATUS status) {
    return std::string(what) + " failed: error " + std::to_string(status);
}

HKEY open_key(const std::wstring& path, REGSAM access, bool create) {
    HKEY key = nullptr;
    LSTATUS status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, access, nullptr, &key,
                                              nullptr)
                            : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
    if (status == ERROR_FILE_NOT_FOUND) fail("registry key not found", kExitNotFound);
    if (status != ERROR_SUCCESS) fail(reg_error("opening the registry key", status));
    return key;
}

struct KeyCloser {
    HKEY key;
    ~KeyCloser() { RegCloseKey(key); }
};

void cmd_reg_dump(const Args& a) {
    HKEY key = open_key(text_arg(arg_at(a, 0)), KEY_READ, false);
    KeyCloser closer{key};
    DWORD subkeys = 0, max_subkey = 0, values = 0, max_name = 0, max_data = 0;
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &max_subkey, nullptr, &values,
                                      &max_name, &max_data, nullptr, nullptr);
    if (status != ERROR_SUCCESS) fail(reg_error("RegQueryInfoKey", status));
    std::vector<wchar_t> name(std::max(max_subkey, max_name) + 2);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        emit("key " + hex(std::wstring(name.data(), len)));
    }
    std::vector<BYTE> data(max_data + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        status = RegEnumValueW(key, i, name.data(), &len, nullptr, &type, data.data(), &size);
        if (status != ERROR_SUCCESS) fail(reg_error("RegEnumValue", status));
        std::string text = "-";
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            std::wstring w(size / sizeof(wchar_t), L'\0');
            std::memcpy(w.data(), data.data(), w.size() * sizeof(wchar_t));
            while (!w.empty() && w.back() == L'\0') w.pop_back();
            text = hex(w);
        }
        emit("value " + hex(std::wstring(name.data(), len)) + " " + std::to_string(type) + " " +
             hex(data.data(), size) + " " + text);
    }
}

void cmd_reg_delete_tree(const Args& a) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, text_arg(arg_at(a, 0)).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) fail(reg_error("RegDeleteTree", status));
}

void cmd_reg_delete_value(const Args& a) {
    HKEY key = open_key(text_arg(arg_at(a, 0)), KEY_SET_VALUE, false);
    KeyCloser closer{key};
    const LSTATUS status = RegDeleteValueW(key, text_arg(arg_at(a, 1)).c_str());
    if (status == ERROR_FILE_NOT_FOUND) fail("registry value not found", kExitNotFound);
    if (status != ERROR_SUCCESS) fail(reg_error("RegDeleteValue", status));
}

void set_value(const Args& a, DWORD type, const void* data, size_t size) {
    HKEY key = open_key(text_arg(arg_at(a, 0)), KEY_SET_VALUE, true);
    KeyCloser closer{key};
    const LSTATUS status = RegSetValueExW(key, text_arg(arg_at(a, 1)).c_str(), 0, type,
                                          static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) fail(reg_error("RegSetValueEx", status));
}

void cmd_reg_set_sz(const Args& a) {
    const std::wstring value = text_arg(arg_at(a, 2));
    set_value(a, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

void cmd_reg_set_dword(const Args& a) {
    const auto value = static_cast<DWORD>(int_arg(arg_at(a, 2)));
    set_value(a, REG_DWORD, &value, sizeof value);
}

void cmd_reg_set_raw(const Args& a) {
    const auto type = static_cast<DWORD>(int_arg(arg_at(a, 2)));
    const std::string bytes = unhex(arg_at(a, 3));
    set_value(a, type, bytes.data(), bytes.size());
}

// ---- files ----------------------------------------------------------------------------------------

DWORD WINAPI wait_for_stdin_eof(void*) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buf[256];
    DWORD got = 0;
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got > 0) {
    }
    return 0;
}

bool g_serving = false;

void cmd_hold(const Args& a) {
    if (g_serving) fail("hold needs stdin and cannot run in serve mode");
    const std::wstring path = text_arg(arg_at(a, 0));
    const auto seconds = static_cast<DWORD>(int_arg(arg_at(a, 1)));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail_win32("CreateFileW");
    emit("ready");
    std::fflush(stdout);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE reader = in && in != INVALID_HANDLE_VALUE ? CreateThread(nullptr, 0, wait_for_stdin_eof, nullptr, 0, nullptr)
                                                     : nullptr;
    if (reader) {
        WaitForSingleObject(reader, seconds * 1000);
        CloseHandle(reader);
    } else {
        Sleep(seconds * 1000);
    }
    CloseHandle(file);
}

void cmd_try_open(const Args& a) {
    const std::wstring path = text_arg(arg_at(a, 0));
    const bool write = a.size() > 1 && a[1] == L"w";
    HANDLE file = CreateFileW(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        emit(std::to_string(GetLastError()));
        return;
    }
    CloseHandle(file);
    emit("0");
}

// ---- clipboard ------------------------------------------------------------------------------------

// Owns the clipboard while it is open: EmptyClipboard with no owner window makes SetClipboardData fail.
class Clipboard {
public:
    Clipboard() {
        owner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!owner_) fail_win32("CreateWindowEx");
        // Another program may have it open for a moment.
        for (int attempt = 0; !OpenClipboard(owner_); ++attempt) {
            if (attempt == 40) {
                DestroyWindow(owner_);
                fail_win32("OpenClipboard");
            }
            Sleep(kPollMs);
        }
    }
    ~Clipboard() {
        CloseClipboard();
        DestroyWindow(owner_);
    }
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    std::string get(UINT format) const {
        HANDLE data = GetClipboardData(format);
        if (!data) fail("no such data on the clipboard", kExitNotFound);
        const auto* p = static_cast<const char*>(GlobalLock(data));
        if (!p) fail_win32("GlobalLock");
        std::string bytes(p, GlobalSize(data));
        GlobalUnlock(data);
        return bytes;
    }

    void set(UINT format, const void* bytes, size_t size) const {
        if (!EmptyClipboard()) fail_win32("EmptyClipboard");
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!mem) fail_win32("GlobalAlloc");
        std::memcpy(GlobalLock(mem), bytes, size);
        GlobalUnlock(mem);
        if (!SetClipboardData(format, mem)) {
            GlobalFree(mem);
            fail_win32("SetClipboardData");
        }
    }

private:
    HWND owner_ = nullptr;
};

void cmd_clip_get(const Args&) {
    Clipboard clip;
    std::string bytes = clip.get(CF_TEXT);
    bytes.resize(strnlen(bytes.data(), bytes.size()));
    emit(hex(bytes));
}

void cmd_clip_get_unicode(const Args&) {
    Clipboard clip;
    const std::string bytes = clip.get(CF_UNICODETEXT);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    emit(hex(text));
}

void cmd_clip_set_text(const Args& a) {
    std::string bytes = unhex(arg_at(a, 0));
    bytes.push_back('\0');
    Clipboard clip;
    clip.set(CF_TEXT, bytes.data(), bytes.size());
}

void cmd_clip_set_unicode(const Args& a) {
    const std::wstring text = text_arg(arg_at(a, 0));
    Clipboard clip;
    clip.set(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void cmd_clip_formats(const Args&) {
    Clipboard clip;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) emit(std::to_string(f));
}

void cmd_clip_clear(const Args&) {
    Clipboard clip;
    if (!EmptyClipboard()) fail_win32("EmptyClipboard");
}

// ---- dispatch -------------------------------------------------------------------------------------

using Handler = void (*)(const Args&);

const std::map<std::wstring, Handler>& commands() {
    static const std::map<std::wstring, Handler> table = {
        {L"acp", cmd_acp},
        {L"foreground", cmd_foreground},
        {L"find", cmd_find},
        {L"count", cmd_count},
        {L"list", cmd_list},
        {L"info", cmd_info},
        {L"xid", cmd_xid},
        {L"focus", cmd_focus},
        {L"children", cmd_children},
        {L"text", cmd_text},
        {L"set-text", cmd_set_text},
        {L"show", cmd_show},
        {L"move", cmd_move},
        {L"activate", cmd_activate},
        {L"close", cmd_close},
        {L"post", cmd_post},
        {L"send", cmd_send},
        {L"stall", cmd_stall},
        {L"command", cmd_command},
        {L"wait-gone", cmd_wait_gone},
        {L"lv", cmd_lv},
        {L"lv-rect", cmd_lv_rect},
        {L"tb-rect", cmd_tb_rect},
        {L"lvclick-header", cmd_lvclick_header},
        {L"lvselect", cmd_lvselect},
        {L"tv", cmd_tv},
        {L"msgbox", cmd_msgbox},
        {L"msgbox-press", cmd_msgbox_press},
        {L"reg-dump", cmd_reg_dump},
        {L"reg-delete-tree", cmd_reg_delete_tree},
        {L"reg-delete-value", cmd_reg_delete_value},
        {L"reg-set-sz", cmd_reg_set_sz},
        {L"reg-set-dword", cmd_reg_set_dword},
        {L"reg-set-raw", cmd_reg_set_raw},
        {L"hold", cmd_hold},
        {L"try-open", cmd_try_open},
        {L"clip-get", cmd_clip_get},
        {L"clip-get-unicode", cmd_clip_get_unicode},
        {L"clip-set-text", cmd_clip_set_text},
        {L"clip-set-unicode", cmd_clip_set_unicode},
        {L"clip-formats", cmd_clip_formats},
        {L"clip-clear", cmd_clip_clear},
    };
    return table;
}

// Runs one command; returns the exit code and the failure message.
std::pair<int, std::string> run(const Args& words) {
    if (words.empty()) return {kExitFailure, "no command given"};
    const auto it = commands().find(words.front());
    if (it == commands().end()) return {kExitFailure, "unknown command"};
    try {
        it->second(Args(words.begin() + 1, words.end()));
    } catch (const Failure& f) {
        return {f.code, f.message};
    } catch (const std::exception& e) {
        return {kExitFailure, std::string("internal error: ") + e.what()};
    }
    return {0, {}};
}

bool read_line(std::string& line) {
    line.clear();
    int c;
    while ((c = std::getchar()) != EOF) {
        if (c == '\n') return true;
        if (c != '\r') line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

int serve() {
    g_serving = true;
    std::string line;
    while (read_line(line)) {
        Args words;
        size_t pos = 0;
        while (pos < line.size()) {
            const size_t end = std::min(line.find(' ', pos), line.size());
            if (end > pos) words.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(pos),
                                              line.begin() + static_cast<std::ptrdiff_t>(end));
            pos = end + 1;
        }
        if (words.empty()) continue;
        if (words.front() == L"quit") break;
        const auto [code, message] = run(words);
        if (code != 0) emit("@error " + message);
        emit("@done " + std::to_string(code));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // LF line ends and raw bytes, whatever the console does.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    if (argc == 2 && std::wstring(argv[1]) == L"serve") return serve();
    const auto [code, message] = run(Args(argv + 1, argv + argc));
    std::fflush(stdout);
    if (code != 0) std::fprintf(stderr, "tobrix-probe: %s\n", message.c_str());
    return code;
}
