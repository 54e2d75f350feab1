// The card writer: the tracks of the project get their files in the playlist editor, the
// playlist is saved with the project, and the files go onto a removable drive.
#include "device/drives.h"
#include "device/sdcard.h"
#include "device/trackverify.h"
#include "ui/copyprogress.h"
#include "ui/modeltext.h"
#include "ui/playlist.h"
#include "ui/sdcardsource.h"
#include "ui/select.h"
#include "ui/sigcfg.h"
#include "ui/trackswindow.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>

using namespace Qt::StringLiterals;

TDriveRootsProvider &DriveRootsProvider()
{
    static TDriveRootsProvider provider;
    return provider;
}

void TfrMain::miSavePlaylistClick()
{
    // Review: every track the scenarios use, with the file the playlist gives it.
    frPlayList->lbPlayList->clear();
    const std::vector<std::string> lines = PlayListDialogLines(Project, PlayList);
    if (lines.empty()) {
        AddLog(u"трэки отсутствуют в проекте"_s);
        return;
    }
    for (const std::string &line : lines)
        frPlayList->lbPlayList->addItem(FromModel(line));
    if (prompts().ShowModal(*frPlayList) != 1)
        return;

    std::vector<std::string> edited;
    for (const QString &line : frPlayList->Lines())
        edited.push_back(line.toStdString());
    PlayList = PlayListFromDialog(edited);
    // Until the save below succeeds the new playlist exists only here: closing must offer to save it.
    Modified = true;
    if (!WriteProjectFile())
        return;
    if (!ConfirmTrackProblems(*this))
        return;

    // Target.
    if (!prompts().AskOkCancel(FromModel(ProgramTitle), u"Подключите SD-Карту MP3 ЛВ к компьютеру"_s))
        return;
    const TDriveRootsProvider &provider = DriveRootsProvider();
    const std::optional<std::vector<std::string>> roots = provider ? provider() : RemovableDriveRoots();
    if (!roots) {
        prompts().Notice(ApplicationTitle(), u"Остсутсвует SD-Карта"_s);
        return;
    }
    frSelect->cbSelect->clear();
    frSelect->lbSelect->setText(u"Выберите SD-Карту MP3 ЛВ"_s);
    for (const std::string &root : *roots)
        frSelect->cbSelect->addItem(FromModel(root));
    if (frSelect->cbSelect->count() == 0) {
        prompts().Notice(ApplicationTitle(), u"Остсутсвует SD-Карта MP3 ЛВ"_s);
        return;
    }
    frSelect->cbSelect->setCurrentIndex(0);
    frSelect->cbSelect->setEditText(frSelect->cbSelect->itemText(0));
    if (prompts().ShowModal(*frSelect) != 1)
        return;

    // Copy.
    const std::string target = frSelect->cbSelect->currentText().toStdString();
    CopyTracksWithProgress(this, PlayList, target, Log());
    for (const std::string &extra : ExtraCardFiles(PlayList, target))
        Log().AddLog(ExtraCardFileLine(extra));
}
