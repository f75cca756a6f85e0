#include "app/MainCommands.h"

#include "about/About.h"
#include "app/Main.h"
#include "editor/Sub.h"
#include "platform/Sound.h"

namespace tobrix {

bool MainCommands::Update(CommandId id) const {
    switch (id) {
    case CommandId::actEdit: return actEditUpdate();
    default: return true;
    }
}

void MainCommands::Execute(CommandId id) {
    if (!Update(id))
        return;
    switch (id) {
    case CommandId::actNew: actNewExecute(); break;
    case CommandId::actEdit: actEditExecute(); break;
    case CommandId::actAbout: actAboutExecute(); break;
    default: break;
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
