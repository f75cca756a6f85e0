#include "app/MainOptions.h"

#include "app/MainList.h"
#include "app/MainView.h"
#include "platform/Help.h"
#include "platform/Messages.h"
#include "store/Data.h"

namespace tobrix {

namespace {

// %s: the help file's name.
constexpr std::string_view kMsgNoHelpFile = sjis<u8"ヘルプファイル %s が見つかりません。">();
constexpr std::string_view kMsgHelpNotShown = sjis<u8"ヘルプファイル %s を開けませんでした。">();

} // namespace

void MainOptions::Restore() {
    view_.SetChecked(CommandId::actTopLock, settings_.OnTop);
    view_.SetTopMost(settings_.OnTop);
    view_.SetChecked(CommandId::mnuHide, settings_.HidePass);
    view_.SetChecked(CommandId::mnuShard, settings_.Shard);
}

void MainOptions::actTopLockExecute() {
    settings_.OnTop = !settings_.OnTop;
    view_.SetChecked(CommandId::actTopLock, settings_.OnTop);
    view_.SetTopMost(settings_.OnTop);
}

void MainOptions::mnuShardClick() {
    // Only the switch: a window rolled up stays so when the shade is switched off.
    settings_.Shard = !settings_.Shard;
    view_.SetChecked(CommandId::mnuShard, settings_.Shard);
}

bool MainOptions::NonClientDoubleClick(int y) {
    if (!settings_.Shard)
        return false;
    const int strip = view_.CaptionStripHeight();
    WindowBounds bounds = view_.Bounds();
    if (y >= bounds.Top + strip)
        return true; // the menu bar or the lower frame: nothing, not even the system's action
    // Rolled up or not is told by the height alone.
    if (strip < bounds.Height) {
        settings_.orgHeight = bounds.Height;
        bounds.Height = strip;
    } else {
        bounds.Height = settings_.orgHeight;
    }
    view_.SetBounds(bounds);
    return true;
}

void MainOptions::mnuHideClick() {
    settings_.HidePass = !settings_.HidePass;
    view_.SetChecked(CommandId::mnuHide, settings_.HidePass);
    list_.RemaskAll();
}

void MainOptions::OpenHelp(HelpPage page) {
    const FilePath winHelp = ChangeFileExt(exePath_, ".HLP");
    if (files_.IsFile(winHelp)) {
        help_.ShowWinHelp(winHelp, page);
        return;
    }
    const FilePath guide = ChangeFileExt(exePath_, ".chm");
    if (!files_.IsFile(guide))
        messages_.ShowWarning(Substitute(kMsgNoHelpFile, files_.DisplayName(guide.filename())));
    else if (!help_.ShowHtmlHelp(guide, page))
        messages_.ShowWarning(Substitute(kMsgHelpNotShown, files_.DisplayName(guide.filename())));
}

void MainOptions::mnuContentsClick() { OpenHelp(HelpPage::Contents); }

void MainOptions::mnuSearchforHelpClick() { OpenHelp(HelpPage::Index); }

void MainOptions::CloseHelp() { help_.CloseAll(); }

} // namespace tobrix
