// "Создать звук…": a spoken announcement made, written beside the project, added to the playlist as
// one step that undo takes back, its words filled back for the line, and its loudness in "Треки".
#include "support/window_fixture.h"

#include "storage/fileio.h"
#include "storage/soundnote.h"
#include "ui/dialogs/sounddialog.h"
#include "ui/document/projectdocument.h"
#include "ui/tracks/trackswindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {

class SoundDialog : public TWindowTest
{
};

} // namespace

TEST_F(SoundDialog, AddsOneUndoableLineForTheFileItWroteAndFillsTheWordsBack)
{
    OpenProject(4);
    PlayList() = {"1;" + PathIn("нет.mp3")};
    const std::vector<std::string> before = PlayList();
    const std::string path = PathIn("Звуки/Трек 2.mp3");
    Prompts
        .AnswerModal(1,
                     [](QDialog &shown) {
                         auto &dialog = static_cast<TfrSound &>(shown);
                         EXPECT_EQ(dialog.seTrack->value(), 2) << "the first free number";
                         dialog.rbSpeech->setChecked(true);
                         dialog.mmText->setPlainText(U("Внимание! Урок начинается."));
                         dialog.cbChime->setChecked(true);
                         dialog.btAdd->click();
                         EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.result() == QDialog::Accepted; }, 60000));
                     })
        .AnswerSaveFile(QString::fromStdString(path));
    Ui().miMakeSound->trigger();
    Prompts.ExpectDone();

    EXPECT_EQ(PlayList(), (std::vector<std::string>{before[0], "2;" + path}));
    QUndoStack &stack = Window->Document().Stack();
    EXPECT_EQ(stack.count(), 1);
    stack.undo();
    EXPECT_EQ(PlayList(), before);
    stack.redo();
    const std::optional<TAnnouncement> note = ReadSoundNote(path);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->Text, "Внимание! Урок начинается.");

    Prompts.AnswerModal(2, [](QDialog &shown) {
        auto &dialog = static_cast<TfrSound &>(shown);
        EXPECT_TRUE(dialog.rbSpeech->isChecked());
        EXPECT_EQ(dialog.mmText->toPlainText(), U("Внимание! Урок начинается."));
        EXPECT_TRUE(dialog.cbChime->isChecked());
        EXPECT_EQ(dialog.seTrack->value(), 2);
    });
    Window->EditSound(1);

    for (QAction *action : Ui().miView->actions())
        if (action->text() == U("&Треки ..."))
            action->trigger();
    TTracksWindow *tracks = Window->findChild<TTracksWindow *>();
    ASSERT_NE(tracks, nullptr);
    // The window refills itself when activated: the row is looked up each time.
    const auto lufs = [tracks] {
        const QTreeWidgetItem *made = tracks->tvTracks->topLevelItem(1); // after the missing file
        return made ? made->text(4) : QString();                         // LUFS
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lufs().isEmpty() && lufs() != U("…"); }, 60000));
    EXPECT_NEAR(lufs().replace(u'−', u'-').replace(u',', u'.').toDouble(), -16, 0.5) << lufs().toStdString();
}

// Text with nothing to say is refused in the dialog before any file is asked for; a file chosen to
// be replaced that is no MP3 (a project) is named, kept byte for byte, and gets no words file.
TEST_F(SoundDialog, RefusesTextWithNothingToSayAndAFileThatIsNoMp3)
{
    OpenProject(4);
    const std::string project = PathIn("school.mp3"), bytes = "[Project]\r\nName=Школа\r\n";
    WriteFileAtomically(project, bytes);
    Prompts
        .AnswerModal(
            2,
            [&](QDialog &shown) {
                auto &dialog = static_cast<TfrSound &>(shown);
                dialog.rbSpeech->setChecked(true);
                for (const char *text : {"", "\u00A0\u200B", " \t\n\u2060"}) {
                    dialog.mmText->setPlainText(QString::fromUtf8(text));
                    dialog.btAdd->click();
                    EXPECT_EQ(dialog.lbState->text(), U("текст объявления пуст")) << text;
                }
                dialog.mmText->setPlainText(U("Внимание"));
                dialog.btAdd->click();
                EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.lbState->text().contains(U("не записан")); }, 60000))
                    << dialog.lbState->text().toStdString();
            })
        .AnswerSaveFile(QString::fromStdString(project))
        .AnswerYesNo(true);
    Ui().miMakeSound->trigger();
    Prompts.ExpectDone();
    EXPECT_EQ(ReadWholeFile(project), bytes);
    EXPECT_FALSE(FileExists(SoundNotePath(project)));
    EXPECT_TRUE(PlayList().empty());
}

// "Создать ещё" keeps the dialog open after each sound, the number moving on to the next free one;
// each sound is its own step.
TEST_F(SoundDialog, MakeMoreKeepsTheDialogOpenForTheNextNumber)
{
    OpenProject(4);
    PlayList() = {"1;" + PathIn("нет.mp3")};
    const std::string second = PathIn("Звуки/два"), third = PathIn("Звуки/три.mp3");
    Prompts
        .AnswerModal(
            2,
            [](QDialog &shown) {
                auto &dialog = static_cast<TfrSound &>(shown);
                dialog.rbBell->setChecked(true);
                dialog.seSeconds->setValue(1);
                dialog.cbMore->setChecked(true);
                for (const int track : {2, 3}) {
                    EXPECT_EQ(dialog.seTrack->value(), track);
                    dialog.btAdd->click();
                    EXPECT_TRUE(QTest::qWaitFor(
                        [&] { return dialog.lbState->text().startsWith(U("Трек %1 добавлен").arg(track)); }, 60000))
                        << dialog.lbState->text().toStdString();
                    EXPECT_EQ(dialog.result(), 0) << "still open";
                }
                EXPECT_EQ(dialog.seTrack->value(), 4);
                dialog.cbMore->setChecked(false); // as it was for the next test
            })
        .AnswerSaveFile(QString::fromStdString(second))
        .AnswerSaveFile(QString::fromStdString(third));
    Ui().miMakeSound->trigger();
    Prompts.ExpectDone();
    EXPECT_EQ(PlayList(), (std::vector<std::string>{"1;" + PathIn("нет.mp3"), "2;" + second + ".mp3", "3;" + third}));
    EXPECT_EQ(Window->Document().Stack().count(), 2);
}
