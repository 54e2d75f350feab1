// The four dialogs driven for real (keys, close box, OK), the playlist editor's handlers, the
// real prompts and the application's error box.
#include "model/error.h"
#include "support/scripted_prompts.h"
#include "ui/application.h"
#include "ui/dialogs/inputcb.h"
#include "ui/dialogs/inputval.h"
#include "ui/dialogs/playlist.h"
#include "ui/dialogs/select.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <array>
#include <gtest/gtest.h>

namespace {

QString U(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList L(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << U(text);
    return list;
}

// Types text key by key (QTest::keyClicks takes Latin-1 only).
void TypeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
    }
}

// Runs ask() while a timer waits for a modal widget of type T and hands it to action. Whatever
// is still open much later is closed, so a broken test fails instead of hanging.
template <typename T, typename Ask> auto WithModal(const std::function<void(T &)> &action, Ask ask)
{
    QTimer finder;
    QObject::connect(&finder, &QTimer::timeout, [&] {
        if (auto *modal = qobject_cast<T *>(QApplication::activeModalWidget()))
            finder.stop(), action(*modal);
    });
    finder.start(0);
    QTimer::singleShot(10000, &finder, [] {
        for (int depth = 0; depth < 4 && QApplication::activeModalWidget(); ++depth) {
            ADD_FAILURE() << "left open: " << QApplication::activeModalWidget()->metaObject()->className();
            QApplication::activeModalWidget()->close();
        }
    });
    return ask();
}

// Shows a dialog through the real prompts and acts on it once its modal loop runs.
int DriveModal(QDialog &dialog, const std::function<void()> &action)
{
    return WithModal<QDialog>([&](QDialog &) { action(); }, [&] { return TRealPrompts().ShowModal(dialog); });
}

// The four dialogs over a stand-in main window, as the program creates them, and read-backs of
// the playlist editor.
class Dialogs : public ::testing::Test
{
protected:
    TScriptedPrompts Script;
    QWidget Main;
    TfrInputValue &Input = *new TfrInputValue(&Main);
    TfrInputCb &Choice = *new TfrInputCb(&Main);
    TfrSelect &Selector = *new TfrSelect(&Main);
    TfrPlayList &Editor = *new TfrPlayList(Script, Input, &Main);

    void Fill(std::initializer_list<const char *> lines)
    {
        Editor.lbPlayList->clear();
        Editor.lbPlayList->addItems(L(lines));
    }
    void Select(int row) { Editor.lbPlayList->setCurrentRow(row); }
    int SelectedRow() const
    {
        const auto selected = Editor.lbPlayList->selectedItems();
        return selected.isEmpty() ? -1 : Editor.lbPlayList->row(selected.first());
    }
    QStringList Fields() const { return {Editor.edNumber->text(), Editor.edPath->text()}; }
};

} // namespace

TEST_F(Dialogs, EnterAndEscapeDoNothingOkGivesOneCloseBoxTwo)
{
    // Each dialog with the control that has the focus while the operator works, and its OK.
    const std::tuple<QDialog *, QWidget *, QPushButton *> all[] = {{&Input, Input.edValue, Input.btOk},
                                                                   {&Choice, Choice.cbValue, Choice.btOK},
                                                                   {&Selector, Selector.cbSelect, Selector.btOk},
                                                                   {&Editor, Editor.lbPlayList, Editor.btOk}};
    for (auto [dialog, focus, ok] : all) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        bool stayedOpen = false;
        const int result = DriveModal(*dialog, [&, dialog = dialog, focus = focus, ok = ok] {
            for (QWidget *target : {focus, static_cast<QWidget *>(ok), static_cast<QWidget *>(dialog)}) {
                target->setFocus(); // a focused button must not take Enter either
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                    QTest::keyClick(target, key);
            }
            stayedOpen = dialog->isVisible();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(DriveModal(*dialog, [dialog = dialog] { dialog->close(); }), 2);
        // Only the playlist editor may be widened, for its long paths.
        EXPECT_EQ(dialog->minimumSize() == dialog->maximumSize(), dialog != &Editor);
    }
}

TEST_F(Dialogs, InputValueRefusesUnstorableCharsInputCbReturnsTypedTextWithoutAddingIt)
{
    TypeText(Input.edValue, U("Цех№1€漢"));
    EXPECT_EQ(Input.edValue->text(), U("Цех№1€"));

    Choice.cbValue->addItems(L({"Велтара ДК-2", "Велтара ДК-4"}));
    Choice.cbValue->setCurrentText(U("Велтара ДК-2"));
    Choice.cbValue->lineEdit()->selectAll();
    TypeText(Choice.cbValue->lineEdit(), U("Прибор X"));
    QTest::keyClick(Choice.cbValue->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Choice.cbValue->currentText(), U("Прибор X"));
    EXPECT_EQ(Choice.cbValue->count(), 2);
}

TEST_F(Dialogs, PlayListSelectionShowsNumberAndPathOrEmptyFieldsForUnreadableLines)
{
    const std::array<const char *, 3> cases[] = {
        // line, number shown, path shown
        {"Трек:12 Путь:/m/a.mp3", "12", "/m/a.mp3"},
        {"Трек:07 Путь:/b.mp3", "7", "/b.mp3"},
        {"Трек:$1F Путь:", "31", ""},
        {"Трек:abc Путь:/c.mp3", "", ""},
        {"Трек:0 Путь:/z.mp3", "", ""},
        {"Трек:5 /x.mp3", "", ""},
        {"Путь:/y.mp3", "", ""},
        {"Трек:Путь:/w.mp3", "", ""},
        {"Трек:5  Путь:/v.mp3", "", ""}, // only the blank before "Путь:" is cut: "5 " is no number
    };
    for (const auto &[line, number, path] : cases) {
        SCOPED_TRACE(line);
        Fill({"Трек:3 Путь:/three.mp3", line});
        Select(0);
        Select(1);
        EXPECT_EQ(Fields(), L({number, path}));
    }
    EXPECT_FALSE(Editor.edNumber->isEnabled());
}

TEST_F(Dialogs, PlayListFindReplacesTheSelectedLinesPathOrAsksTheNumberOfANewLineFirst)
{
    QTemporaryDir folder;
    const auto mp3 = [&](const char *name) {
        QFile file(folder.filePath(U(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    };
    const QString x = mp3("x.mp3"), fresh = mp3("new.mp3"), y = mp3("y.mp3"), z = mp3("z.mp3");
    const QString title = U("Введите номер трека");
    Fill({"Трек:1 Путь:/one.mp3", "Трек:07 Путь:/old.mp3"});
    Script.AnswerInputValue(U("4"), title).AnswerOpenFile(x).AnswerOpenFile(fresh).CancelOpenFile();
    Editor.Button1Click(); // no selection: the number first, then the file
    Select(1);
    Editor.Button1Click();
    Editor.Button1Click(); // cancelled: nothing changes
    EXPECT_EQ(Editor.Lines(),
              (QStringList{U("Трек:1 Путь:/one.mp3"), U("Трек:7 Путь:") + fresh, U("Трек:4 Путь:") + x}));
    EXPECT_EQ(SelectedRow(), 1);
    for (const auto &asked : Script.Asked) {
        if (asked.Kind == TScriptedPrompts::TKind::OpenFile) {
            EXPECT_EQ(asked.Text, U("MP3 (*.mp3)"));
        }
    }

    Select(0);
    Fill({"Трек:1 Путь:/one.mp3", "Трек:abc Путь:"}); // refilled by code: the fields keep the last shown line
    EXPECT_EQ(Fields(), L({"1", "/one.mp3"}));
    // Without a selection the shown number is not reused; a closed prompt adds nothing.
    Script.CloseDialog(title);
    Editor.Button1Click();
    // A selected line whose number is unreadable gets one before its file.
    Select(1);
    Script.AnswerInputValue(U("8"), title).AnswerOpenFile(y);
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(), (QStringList{U("Трек:1 Путь:/one.mp3"), U("Трек:8 Путь:") + y}));
    // A typed name of a file that is not there is refused.
    Script.AnswerOpenFile(z + U(".gone")).ExpectNotice(U("Файл '") + z + U(".gone' не найден"));
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines().at(1), U("Трек:8 Путь:") + y);
}

TEST_F(Dialogs, PlayListAddTakesOnlyAWholeNumberAboveZeroFromABlankPrompt)
{
    Input.edValue->setText(U("Школа 5")); // left by the project-name prompt
    Fill({});
    const QString title = U("Введите номер трека");
    const auto shownBlank = [&](QDialog &shown) { EXPECT_TRUE(&shown == &Input && Input.edValue->text().isEmpty()); };
    Script.AnswerModal(2, shownBlank, title).AnswerInputValue(U(" 05 "), title).AnswerInputValue(U("$0C"), title);
    for (const char *refused : {"abc", "", "0", "-3", "5 6"})
        Script.AnswerInputValue(U(refused), title)
            .ExpectNotice(U("Неверный номер трека '%1': нужно целое число больше нуля").arg(U(refused)));
    for (int i = 0; i < 8; ++i)
        Editor.btAddClick();
    EXPECT_EQ(Editor.Lines(), L({"Трек:5 Путь:", "Трек:12 Путь:"}));
    EXPECT_EQ(SelectedRow(), -1);
}

namespace {

// Clicks a button whose handler fails the way a command does; returns caption and text of the
// critical box shown for it. The failure unwinds through the toolkit's own mouse handling.
QStringList FailInHandler(const std::function<void()> &fail, const std::function<void()> &whileShown = {})
{
    QStringList shown;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, fail);
    WithModal<QMessageBox>(
        [&](QMessageBox &box) {
            shown = {box.windowTitle(), box.text()};
            EXPECT_EQ(box.icon(), QMessageBox::Critical);
            if (whileShown)
                whileShown();
            box.accept();
        },
        [&] { return QTest::mouseClick(&button, Qt::LeftButton), 0; });
    EXPECT_FALSE(button.isDown());
    return shown;
}

} // namespace

TEST(SigApplication, ShowsTheErrorCaptionedWithTheExecutableNameWithoutStackingASecondBox)
{
    EXPECT_EQ(FailInHandler([] { throw 42; }), L({"test_dialogs", ""}));
    bool stacked = false;
    const auto second = [&] {
        QWidget *first = QApplication::activeModalWidget();
        QTimer::singleShot(0, [&stacked, first] {
            if (QWidget *now = QApplication::activeModalWidget(); now && now != first)
                stacked = true, now->close();
        });
        ShowException(std::make_exception_ptr(TSigError("second")));
    };
    EXPECT_EQ(FailInHandler([] { throw TFileError("Unable to write to /home/op/school.vlpj"); }, second),
              L({"test_dialogs", "Unable to write to /home/op/school.vlpj"}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(stacked);
}

TEST(RealPrompts, YesNoOpenOfAMissingFileAndSaveWithOneReplaceQuestionAboutTheCompletedName)
{
    TRealPrompts prompts;
    for (auto [button, expected] : {std::pair{QMessageBox::No, false}, std::pair{QMessageBox::Yes, true}})
        EXPECT_EQ(WithModal<QMessageBox>([button = button](QMessageBox &box) { box.button(button)->click(); },
                                         [&] { return prompts.AskYesNo(U("Редактирование"), U("Удалить?")); }),
                  expected);

    QTemporaryFile existing(QDir::temp().filePath(U("sigcfg-XXXXXX.csv")));
    ASSERT_TRUE(existing.open());
    const QString missing = existing.fileName() + U(".missing.csv"), filter = U("Project (*.vlpj);;CSV (*.csv)");
    auto choose = [](const QString &path) {
        return [path](QFileDialog &dialog) {
            EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
            dialog.selectNameFilter(U("CSV (*.csv)"));
            dialog.selectFile(path);
            static_cast<QDialog &>(dialog).accept(); // as its Open or Save button does
        };
    };
    const auto opened = WithModal<QFileDialog>(choose(missing), [&] { return prompts.OpenFile({}, filter); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Path, missing);
    EXPECT_EQ(opened->FilterIndex, 1);

    // The name typed without ".csv": the file dialog asks nothing, the one question names the file
    // with the extension, and its answer decides.
    const std::vector<Prompts::TSaveType> types = {{U(".vlpj"), Prompts::TExtensionRule::Contained},
                                                   {U(".csv"), Prompts::TExtensionRule::Contained}};
    QString typed = existing.fileName();
    typed.chop(4);
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        QStringList questions;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                choose(typed)(*dialog);
            } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                questions.push_back(box->text());
                box->button(button)->click();
            }
        });
        driver.start(0);
        const auto saved = prompts.SaveFileAs({}, filter, types);
        driver.stop();
        EXPECT_EQ(questions, QStringList{U("Файл ") + existing.fileName() + U(" уже существует. Заменить его?")});
        EXPECT_EQ(saved.has_value(), button == QMessageBox::Yes);
        if (saved) {
            EXPECT_EQ(saved->Path, existing.fileName());
        }
    }
    EXPECT_FALSE(WithModal<QFileDialog>([](QFileDialog &dialog) { dialog.reject(); },
                                        [&] { return prompts.SaveFileAs({}, filter, types); }));
}

TEST(RealPrompts, SaveQuestionOffersCancelAndEscapeOrTheCloseBoxAnswerIt)
{
    TRealPrompts prompts;
    using A = Prompts::TAnswer;
    const std::pair<std::function<void(QMessageBox &)>, A> cases[] = {
        {[](QMessageBox &box) { box.button(QMessageBox::Yes)->click(); }, A::Yes},
        {[](QMessageBox &box) { box.button(QMessageBox::No)->click(); }, A::No},
        {[](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); }, A::Cancel},
        {[](QMessageBox &box) { box.close(); }, A::Cancel}, // the close box
    };
    for (const auto &[act, expected] : cases) {
        QString cancelText;
        const A answer = WithModal<QMessageBox>(
            [&, act = act](QMessageBox &box) {
                cancelText = box.button(QMessageBox::Cancel)->text();
                act(box);
            },
            [&] { return prompts.AskYesNoCancel(U("Информация"), U("Сохранить изменения?")); });
        EXPECT_EQ(answer, expected);
        // Qt's own texts come in Russian, whatever the system's language.
        EXPECT_EQ(cancelText, U("Отмена"));
    }
}

TEST_F(Dialogs, EachOpeningFocusesTheInputWithItsTextSelected)
{
    for (int use = 0; use < 2; ++use) {
        SCOPED_TRACE(use);
        Input.edValue->setText(U("Школа"));
        Choice.cbValue->clear();
        Choice.cbValue->addItems(L({"1", "2"}));
        const std::pair<QDialog *, QLineEdit *> prompts[] = {{&Input, Input.edValue},
                                                             {&Choice, Choice.cbValue->lineEdit()}};
        for (auto [dialog, edit] : prompts) {
            QString selected;
            QWidget *focus = nullptr;
            DriveModal(*dialog, [&, dialog = dialog, edit = edit] {
                focus = dialog->focusWidget();
                selected = edit->selectedText();
                // Left as an operator leaves it with Tab and Space: the focus on OK.
                dialog->findChild<QPushButton *>()->setFocus();
                dialog->findChild<QPushButton *>()->click();
            });
            EXPECT_TRUE(focus == edit || focus == dialog->findChild<QComboBox *>())
                << dialog->objectName().toStdString();
            EXPECT_EQ(selected, edit->text());
            EXPECT_FALSE(selected.isEmpty());
        }
    }
}

TEST_F(Dialogs, PlayListKeepsATypedPathAndRemovesTheHighlightedLine)
{
    Fill({"Трек:1 Путь:/one.mp3", "Трек:2 Путь:/two.mp3"});
    Select(1);
    QTest::keyClicks(Editor.edPath, U("x"));
    EXPECT_EQ(Editor.Lines().at(1), U("Трек:2 Путь:/two.mp3x"));
    Select(0);
    Editor.btDeleteClick();
    EXPECT_EQ(Editor.Lines(), QStringList{U("Трек:2 Путь:/two.mp3x")});
}
