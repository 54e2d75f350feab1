// The card writer: the tracks of the project get their files in the playlist editor, the
// playlist is saved with the project, and the files go onto a removable drive.
#include "device/cardcheck.h"
#include "device/cardplan.h"
#include "device/cardsummary.h"
#include "device/drives.h"
#include "device/levelling.h"
#include "device/sdcard.h"
#include "device/trackcopy.h"
#include "device/tracklist.h"
#include "model/lib.h"
#include "ui/dialogs/copyprogress.h"
#include "ui/dialogs/playlist.h"
#include "ui/dialogs/select.h"
#include "ui/dialogs/sounddialog.h"
#include "ui/document/playlistchange.h"
#include "ui/mainwindow/sdcardsource.h"
#include "ui/mainwindow/sigcfg.h"
#include "ui/tracks/trackswindow.h"
#include "ui/widgets/modeltext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

// The levelling choice is the operator's habit, not the project's: kept in the settings.
const QString LevelKey = u"card/level"_s;
const QString LevelLufsKey = u"card/levelLufs"_s;
constexpr int DefaultLevelLufs = -16;

} // namespace

TDriveProvider &DriveProvider()
{
    static TDriveProvider provider;
    return provider;
}

TFreeSpaceFn &CardFreeSpace()
{
    static TFreeSpaceFn space;
    return space;
}

void TfrMain::miSavePlaylistClick()
{
    // Review: every track the scenarios use, with the file the playlist gives it; the playlist's
    // other lines follow apart and stay as they are, so the saved file keeps every line.
    frPlayList->lbPlayList->clear();
    const TPlayListReview review = ReviewPlayList(Project, PlayList);
    if (review.Used.empty()) {
        AddLog(u"трэки отсутствуют в проекте"_s);
        return;
    }
    for (const TReviewLine &line : review.Used)
        frPlayList->AddReviewLine(line, false);
    for (const TReviewLine &line : review.Others)
        frPlayList->AddReviewLine(line, true);
    if (prompts().ShowModal(*frPlayList) != 1)
        return;

    std::vector<std::string> playList = frPlayList->PlayList();
    // Until the save below succeeds the new playlist exists only here: closing must offer to save it.
    if (playList != PlayList)
        FDocument->Do(new TPlayListChange(*FDocument, std::move(playList), u"плейлист"_s));
    Modified = true;
    if (!WriteProjectFile()) {
        AddLog(u"Проект не сохранён (окно сохранения закрыто): на SD-Карту ничего не скопировано"_s);
        return;
    }

    // Target.
    if (!prompts().AskOkCancel(FromModel(ProgramTitle), u"Подключите SD-Карту MP3 ЛВ к компьютеру"_s))
        return;
    const std::optional<std::string> folder = ChooseCardFolder(true);
    if (!folder)
        return;
    const bool level = frSelect->cbLevel->isChecked();
    const int levelLufs = frSelect->seLevelLufs->value();
    if (!ConfirmTrackProblems())
        return;

    // Copy, saying first which tracks will stay silent and last what reached the card.
    const std::vector<int32_t> noFile = LogTracksWithoutFile(Project, PlayList, Log());
    TLevelLog levels;
    TCopyOptions options;
    options.Remake = level ? LevellingRemake(levelLufs, levels, PlayList) : TTrackRemakeFn();
    options.FreeSpace = CardFreeSpace();
    options.MakeRoom = AskMakeRoom(*folder);
    const TCopyReport report = CopyTracksWithProgress(this, PlayList, *folder, Log(), options);
    if (!report.Refused.empty()) {
        prompts().Notice(ApplicationTitle(), FromModel(report.Refused));
        return;
    }
    // A card that went away is not looked at again: its folder now lies on another disk.
    if (!report.CardRemoved)
        for (const std::string &line : CardMismatchLines(Project, PlayList, *folder))
            Log().AddLog(line);
    if (const std::string text = levels.Summary(levelLufs); level && !text.empty())
        AddLog(FromModel(text));
    const QString summary = FromModel(SummarizeCopy(report, noFile).Text());
    AddLog(summary);
    statusBar()->showMessage(summary);
}

std::optional<std::string> TfrMain::ChooseCardFolder(bool level)
{
    const TDriveProvider &provider = DriveProvider();
    const std::optional<std::vector<TDrive>> drives = provider ? provider() : RemovableDrives();
    if (!drives) {
        prompts().Notice(ApplicationTitle(), u"Остсутсвует SD-Карта"_s);
        return std::nullopt;
    }
    QComboBox &choice = *frSelect->cbSelect;
    choice.clear();
    frSelect->lbSelect->setText(u"Выберите SD-Карту MP3 ЛВ"_s);
    // The operator reads label and size; the copy is given the mount point alone.
    for (const TDrive &drive : *drives)
        choice.addItem(FromModel(DriveChoiceText(drive)), FromModel(drive.MountPoint));
    if (choice.count() == 0) {
        prompts().Notice(ApplicationTitle(), u"Остсутсвует SD-Карта MP3 ЛВ"_s);
        return std::nullopt;
    }
    choice.setCurrentIndex(0);
    choice.setEditText(choice.itemText(0));
    const QSettings settings;
    frSelect->cbLevel->setChecked(settings.value(LevelKey, false).toBool());
    frSelect->seLevelLufs->setValue(settings.value(LevelLufsKey, DefaultLevelLufs).toInt());
    frSelect->ShowLevel(level);
    const int answer = prompts().ShowModal(*frSelect);
    frSelect->ShowLevel(false);
    if (answer != 1)
        return std::nullopt;
    if (level) {
        QSettings().setValue(LevelKey, frSelect->cbLevel->isChecked());
        QSettings().setValue(LevelLufsKey, frSelect->seLevelLufs->value());
    }
    const int chosen = choice.findText(choice.currentText(), Qt::MatchExactly);
    const QString typed = chosen >= 0 ? choice.itemData(chosen).toString() : choice.currentText();
    const TCardTarget target = CheckCardTarget(typed.toStdString());
    if (!target.Error.empty()) {
        prompts().Notice(ApplicationTitle(), FromModel(target.Error));
        return std::nullopt;
    }
    return target.Folder;
}

bool TfrMain::AskMakeRoom(const std::string &folder)
{
    const TCardPlan plan = PlanCardCopy(PlayList, folder, CardFreeSpace());
    if (!plan.NeedsRoom())
        return false;
    return prompts().AskYesNo(
        FromModel(ProgramTitle),
        u"На SD-карте не хватает места, чтобы записать новые треки рядом со старыми (%1).\n\n"
        "Удалить старые записи перед копированием? Внимание: если копирование прервётся, трек останется без записи до "
        "следующего запуска.\n\nНет — скопировать только то, что помещается рядом со старыми записями."_s.arg(
            FromModel(plan.SpaceLine())));
}

void TfrMain::miCheckCardClick()
{
    const std::optional<std::string> folder = ChooseCardFolder(false);
    if (!folder)
        return;
    // A card the writer levelled is checked against the loudness it was given last.
    const QSettings settings;
    std::optional<double> level;
    if (settings.value(LevelKey, false).toBool())
        level = settings.value(LevelLufsKey, DefaultLevelLufs).toInt();
    // Every card file is read back past the cache, and a levelled one decoded: seconds on a big card.
    statusBar()->showMessage(u"Проверка карты…"_s);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const struct TRestoreCursor
    {
        ~TRestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
    } restore;
    const TCardCheck check = CheckCard(PlayList, *folder, level);
    ClearLog();
    AddLog(level ? u"Проверка карты %1 (треки выровнены до %2 LUFS)"_s.arg(FromModel(*folder),
                                                                           FromModel(DecibelText(*level)))
                 : u"Проверка карты %1"_s.arg(FromModel(*folder)));
    for (const std::string &line : check.Differences)
        AddLog(FromModel(line));
    const QString summary = FromModel(check.Summary());
    AddLog(summary);
    statusBar()->showMessage(summary);
}

bool TfrMain::ConfirmTrackProblems()
{
    TTrackCache cache;
    std::vector<std::string> problems = PlayListNumberProblems(PlayList);
    for (std::string &line : CopyProblemLines(PlayList, cache))
        problems.push_back(std::move(line));
    if (problems.empty())
        return true;
    for (const std::string &line : problems)
        AddLog(FromModel(line));
    return prompts().AskYesNo(FromModel(ProgramTitle),
                              u"Есть треки с ошибками (%1). Продолжить запись?"_s.arg(problems.size()));
}

void TfrMain::EditPlayListLine(int playListLine, int32_t track)
{
    // The editor gets every playlist line, not only the used tracks as the card writer shows
    // them, so that OK drops nothing. Lines with no ";" mean nothing to the editor and stay as they are.
    QListWidget &list = *frPlayList->lbPlayList;
    list.clear();
    std::vector<std::string> kept;
    int selected = -1;
    for (size_t i = 0; i < PlayList.size(); ++i) {
        const std::string &line = PlayList[i];
        if (line.find(';') == std::string::npos) {
            kept.push_back(line);
            continue;
        }
        if (int(i) == playListLine)
            selected = list.count();
        list.addItem(FromModel(PlayListDialogLine(LeadingNumber(line), TextAfter(line, ";"))));
    }
    if (playListLine == -1) { // a used track that the playlist lacks: offer its line, empty
        selected = list.count();
        list.addItem(FromModel(PlayListDialogLine(track, "")));
    }
    list.setCurrentRow(selected);
    frPlayList->lbPlayListClick();
    if (prompts().ShowModal(*frPlayList) != 1)
        return;

    std::vector<std::string> playList = frPlayList->PlayList();
    playList.insert(playList.end(), kept.begin(), kept.end());
    if (playList != PlayList)
        FDocument->Do(new TPlayListChange(*FDocument, std::move(playList), u"плейлист"_s));
}

void TfrMain::miMakeSoundClick()
{
    EditSound(-1);
}

void TfrMain::EditSound(int playListLine)
{
    TfrSound dialog(*FDocument, prompts(), playListLine, this);
    prompts().ShowModal(dialog); // the dialog adds to the playlist itself, as one undoable step
}
