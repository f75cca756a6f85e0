#include "win32/CommandUi.h"

#include "win32/Encoding.h"
#include "win32/resource.h"

#include <iterator>
#include <utility>
#include <vector>

namespace tobrix::win32 {

namespace {

UINT IdOf(CommandId id) { return static_cast<UINT>(id); }

static_assert(kKeyDelete == VK_DELETE && kKeyUp == VK_UP && kKeyDown == VK_DOWN, "the table's key codes");

// Bit 30 of a key-down's lParam: the key was down already, so this is a repeat.
constexpr LPARAM kKeyWasDown = LPARAM(1) << 30;

std::string ShortcutText(const Shortcut& shortcut) {
    if (shortcut.key == 0)
        return {};
    std::string text = shortcut.ctrl ? "Ctrl+" : "";
    if (shortcut.alt)
        text += "Alt+";
    if (shortcut.key == kKeyDelete)
        text += "Del";
    else if (shortcut.key == kKeyUp)
        text += sjis<u8"↑">();
    else if (shortcut.key == kKeyDown)
        text += sjis<u8"↓">();
    else
        text += static_cast<char>(shortcut.key);
    return text;
}

} // namespace

CommandUi::CommandUi(HINSTANCE instance, std::function<int(int)> scale) : instance_(instance), scale_(std::move(scale)) {
    MakeImages();

    menuBar_ = BuildMenu(std::begin(kMainMenu), std::end(kMainMenu), false);
    contextMenu_ = BuildMenu(std::begin(kContextMenu), std::end(kContextMenu), true);

    std::vector<ACCEL> keys;
    for (const CommandInfo& info : kCommands) {
        if (info.shortcut.key != 0)
            keys.push_back({static_cast<BYTE>(FVIRTKEY | (info.shortcut.ctrl ? FCONTROL : 0) |
                                              (info.shortcut.alt ? FALT : 0)),
                            static_cast<WORD>(info.shortcut.key), static_cast<WORD>(IdOf(info.id))});
    }
    shortcuts_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

CommandUi::~CommandUi() {
    if (menuBar_ != nullptr)
        DestroyMenu(menuBar_);
    if (contextMenu_ != nullptr)
        DestroyMenu(contextMenu_);
    if (shortcuts_ != nullptr)
        DestroyAcceleratorTable(shortcuts_);
    if (images_ != nullptr)
        ImageList_Destroy(images_);
}

void CommandUi::MakeImages() {
    // Each image is drawn for several sizes; the system picks the one for this DPI.
    const int size = scale_(16);
    images_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kCommandImageCount, 0);
    ImageList_SetImageCount(images_, kCommandImageCount);
    for (int i = 0; i < kCommandImageCount; ++i) {
        const auto icon = static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(IDI_COMMAND_FIRST + i), IMAGE_ICON, size, size, 0));
        if (icon != nullptr) {
            ImageList_ReplaceIcon(images_, i, icon);
            DestroyIcon(icon);
        }
    }
}

void CommandUi::Rescale() {
    HIMAGELIST old = std::exchange(images_, nullptr);
    MakeImages();
    if (toolBar_ != nullptr) {
        SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
        MeasureToolBar();
    }
    if (old != nullptr)
        ImageList_Destroy(old);
}

HMENU CommandUi::TakeMenuBar() { return std::exchange(menuBar_, nullptr); }

namespace {

// A menu item's text: the caption, then its shortcut after a tab.
std::wstring MenuText(const CommandInfo& info, std::string_view caption) {
    std::string text(caption);
    if (const std::string keys = ShortcutText(info.shortcut); !keys.empty())
        text += "\t" + keys;
    return Widen(text);
}

} // namespace

void CommandUi::ShowLockedCaptions(HMENU menu, bool locked) const {
    for (const CommandInfo& info : kCommands) {
        if (info.lockedCaption.empty())
            continue;
        const std::wstring text = MenuText(info, locked ? info.lockedCaption : info.caption);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING;
        item.dwTypeData = const_cast<wchar_t*>(text.c_str());
        SetMenuItemInfoW(menu, IdOf(info.id), FALSE, &item);
    }
}

void CommandUi::AddMenuItem(HMENU menu, CommandId id) {
    const CommandInfo& info = InfoOf(id);
    const std::wstring text = MenuText(info, info.caption);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    item.fType = MFT_STRING;
    item.wID = IdOf(id);
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    if (info.icon >= 0) {
        item.fMask |= MIIM_BITMAP;
        item.hbmpItem = HBMMENU_CALLBACK; // drawn from the image list: see DrawMenuImage
    }
    InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &item);
}

HMENU CommandUi::BuildMenu(const MenuEntry* first, const MenuEntry* last, bool popup) {
    // A checked item shows its check mark in place of its image.
    MENUINFO style{};
    style.cbSize = sizeof style;
    style.fMask = MIM_STYLE;
    style.dwStyle = MNS_CHECKORBMP;
    HMENU top = popup ? CreatePopupMenu() : CreateMenu();
    HMENU current = popup ? top : nullptr;
    std::wstring caption;
    for (const MenuEntry* entry = first; entry != last; ++entry) {
        if (entry->hidden)
            continue; // laid out, not shown; its command's shortcut still works
        switch (entry->kind) {
        case MenuEntry::Popup:
            current = CreatePopupMenu();
            caption = Widen(entry->caption);
            break;
        case MenuEntry::Item: AddMenuItem(current, entry->id); break;
        case MenuEntry::Separator: AppendMenuW(current, MF_SEPARATOR, 0, nullptr); break;
        case MenuEntry::EndPopup:
            SetMenuInfo(current, &style);
            AppendMenuW(top, MF_POPUP, reinterpret_cast<UINT_PTR>(current), caption.c_str());
            current = nullptr;
            break;
        }
    }
    if (popup)
        SetMenuInfo(top, &style);
    return top;
}

void CommandUi::CreateToolBar(HWND parent) {
    // Flat buttons of 28 x 24 pixels, indented by 5, separators 8 pixels wide, with the
    // commands' hints as tooltips.
    toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                               0, 0, 0, 0, parent, nullptr, instance_, nullptr);
    SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    std::vector<TBBUTTON> buttons;
    for (const MenuEntry& entry : kToolBar) {
        TBBUTTON button{};
        button.fsState = static_cast<BYTE>(TBSTATE_ENABLED | (entry.hidden ? TBSTATE_HIDDEN : 0));
        if (entry.kind == MenuEntry::Separator) {
            button.iBitmap = scale_(8); // a separator's width
            button.fsStyle = BTNS_SEP;
        } else {
            const CommandInfo& info = InfoOf(entry.id);
            button.iBitmap = info.icon;
            button.idCommand = static_cast<int>(IdOf(entry.id));
            button.fsStyle = static_cast<BYTE>(BTNS_BUTTON | (info.checkable ? BTNS_CHECK : 0));
            button.iString = -1;
        }
        buttons.push_back(button);
    }
    SendMessageW(toolBar_, TB_ADDBUTTONS, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    MeasureToolBar();
}

void CommandUi::MeasureToolBar() {
    SendMessageW(toolBar_, TB_SETINDENT, static_cast<WPARAM>(scale_(5)), 0);
    const int count = static_cast<int>(SendMessageW(toolBar_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_STYLE;
        SendMessageW(toolBar_, TB_GETBUTTONINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
        if ((info.fsStyle & BTNS_SEP) == 0)
            continue;
        // A separator's width is its image number, and its size where the control keeps one.
        info.dwMask = TBIF_BYINDEX | TBIF_SIZE | TBIF_IMAGE;
        info.cx = static_cast<WORD>(scale_(8));
        info.iImage = scale_(8);
        SendMessageW(toolBar_, TB_SETBUTTONINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(toolBar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(scale_(28), scale_(24)));
}

int CommandUi::FitToolBar() {
    if (toolBar_ == nullptr)
        return 0;
    SendMessageW(toolBar_, TB_AUTOSIZE, 0, 0);
    RECT r{};
    GetWindowRect(toolBar_, &r);
    return r.bottom - r.top;
}

bool CommandUi::TranslateShortcut(HWND window, MSG& message) const {
    if (message.message == WM_KEYDOWN && (message.lParam & kKeyWasDown) != 0) {
        // A repeat of a held key: a command that runs once per press takes none, and the
        // focused control gets none either.
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        for (const CommandInfo& info : kCommands)
            if (info.shortcut.once && info.shortcut.key == message.wParam && info.shortcut.ctrl == ctrl)
                return true;
    }
    return shortcuts_ != nullptr && window != nullptr && TranslateAcceleratorW(window, shortcuts_, &message) != 0;
}

void CommandUi::ShowContextMenu(HWND owner, POINT at) const {
    TrackPopupMenu(contextMenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner,
                   nullptr);
}

void CommandUi::SetChecked(HWND window, CommandId id, bool checked) {
    if (HMENU menu = GetMenu(window))
        CheckMenuItem(menu, IdOf(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    if (toolBar_ != nullptr)
        SendMessageW(toolBar_, TB_CHECKBUTTON, IdOf(id), MAKELPARAM(checked ? TRUE : FALSE, 0));
}

void CommandUi::FollowChecks(HWND window, const std::function<std::optional<bool>(CommandId)>& checked) {
    for (const CommandInfo& info : kCommands) {
        if (!info.checkable)
            continue;
        const std::optional<bool> wanted = checked(info.id);
        if (!wanted)
            continue;
        const bool now = toolBar_ != nullptr && SendMessageW(toolBar_, TB_ISBUTTONCHECKED, IdOf(info.id), 0) != 0;
        if (now != *wanted)
            SetChecked(window, info.id, *wanted);
    }
}

void CommandUi::EnableMenu(HMENU menu, const std::function<bool(CommandId)>& enabled) const {
    for (const CommandInfo& info : kCommands)
        EnableMenuItem(menu, IdOf(info.id), MF_BYCOMMAND | (enabled(info.id) ? MF_ENABLED : MF_GRAYED));
}

void CommandUi::EnableToolBar(const std::function<bool(CommandId)>& enabled) const {
    if (toolBar_ == nullptr)
        return;
    for (const MenuEntry& entry : kToolBar) {
        if (entry.kind != MenuEntry::Item)
            continue;
        const bool now = SendMessageW(toolBar_, TB_ISBUTTONENABLED, IdOf(entry.id), 0) != 0;
        const bool wanted = enabled(entry.id);
        if (now != wanted)
            SendMessageW(toolBar_, TB_ENABLEBUTTON, IdOf(entry.id), MAKELPARAM(wanted ? TRUE : FALSE, 0));
    }
}

bool CommandUi::MeasureMenuImage(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU)
        return false;
    int width = 0, height = 0;
    ImageList_GetIconSize(images_, &width, &height);
    item.itemWidth = static_cast<UINT>(width);
    item.itemHeight = static_cast<UINT>(height);
    return true;
}

bool CommandUi::DrawMenuImage(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU)
        return false;
    const int icon = InfoOf(static_cast<CommandId>(item.itemID)).icon;
    if (icon < 0)
        return true;
    int width = 0, height = 0;
    ImageList_GetIconSize(images_, &width, &height);
    const int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - width) / 2;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - height) / 2;
    // A disabled command's image is drawn faded, as its caption is.
    ImageList_Draw(images_, icon, item.hDC, x, y, (item.itemState & ODS_GRAYED) != 0 ? ILD_BLEND50 : ILD_TRANSPARENT);
    return true;
}

bool CommandUi::TooltipText(NMTTDISPINFOW& info) {
    for (const CommandInfo& command : kCommands) {
        if (info.hdr.idFrom == IdOf(command.id)) {
            tooltip_ = Widen(command.hint);
            info.lpszText = tooltip_.data();
            info.hinst = nullptr;
            return true;
        }
    }
    return false;
}

} // namespace tobrix::win32
