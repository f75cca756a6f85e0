#include "app/MainCommands.h"

#include "about/About.h"
#include "app/Main.h"
#include "editor/Sub.h"
#include "platform/Sound.h"

namespace tobrix {

const CommandInfo& InfoOf(Command command) {
    for (const CommandInfo& info : kCommands)
        if (info.command == command)
            return info;
    return kCommands[0];
}

bool MainCommands::Update(Command command) const {
    switch (command) {
    case Command::actEdit: return actEditUpdate();
    case Command::actNew:
    case Command::actAbout: return true;
    }
    return false;
}

void MainCommands::Execute(Command command) {
    if (!Update(command))
        return;
    switch (command) {
    case Command::actNew: actNewExecute(); break;
    case Command::actEdit: actEditExecute(); break;
    case Command::actAbout: actAboutExecute(); break;
    }
}

bool MainCommands::actEditUpdate() const { return c_.list.SelectedRow() >= 0; }

void MainCommands::actNewExecute() {
    TfrmSub sub(c_.items, c_.host, c_.sound, c_.messages, c_.desktop);
    sub.EditMode = false;
    sub.ItemIndex = -1;
    c_.view.RunSubDialog(sub);
}

void MainCommands::actEditExecute() {
    TfrmSub sub(c_.items, c_.host, c_.sound, c_.messages, c_.desktop);
    sub.EditMode = true;
    sub.ItemIndex = c_.list.SelectedRow();
    c_.view.RunSubDialog(sub);
}

void MainCommands::lsvListDblClick() {
    if (c_.list.SelectedRow() >= 0)
        actEditExecute();
}

void MainCommands::actAboutExecute() {
    c_.sound.Beep(kBeepDefault);
    TfrmAbout about(c_.shell);
    c_.view.RunAboutDialog(about);
}

} // namespace tobrix
