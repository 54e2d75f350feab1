// The four dialogs driven for real: keys, close box, OK, and the playlist editor's handlers.
#include "model/error.h"
#include "ui/application.h"
#include "ui/inputcb.h"
#include "ui/inputval.h"
#include "ui/playlist.h"
#include "ui/prompts.h"
#include "ui/select.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString U(const char *text)
{
    return QString::fromUtf8(text);
}

// Types text as key presses (QTest::keyClicks takes Latin-1 only).
void TypeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
    }
}

// Queues action to run on the dialog once its modal loop is up, then shows it through the real
// prompts. A dialog the action leaves open is closed by a watchdog so a broken test cannot hang.
int DriveModal(QDialog &dialog, const std::function<void()> &action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        action();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &dialog, [&dialog] {
        ADD_FAILURE() << "dialog left open";
        dialog.done(QDialog::Rejected);
    });
    watchdog.start(10000);
    TRealPrompts prompts;
    return prompts.ShowModal(dialog);
}

// Presses Enter, Return and Escape on the focused control and on the dialog itself.
void PressSwallowedKeys(QDialog &dialog, QWidget *focus)
{
    for (QWidget *target : {focus, static_cast<QWidget *>(&dialog)})
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(target, key);
}

// The dialogs with the control that has the focus when the operator types.
struct TDialogCase
{
    const char *Name;
    std::function<QDialog *(QWidget *parent)> Make;
    std::function<QWidget *(QDialog &)> Focus;
    std::function<QPushButton *(QDialog &)> Ok;
};

class TNoPrompts : public Prompts
{
public:
    bool AskYesNo(const QString &, const QString &) override { return Unexpected(), false; }
    bool AskOkCancel(const QString &, const QString &) override { return Unexpected(), false; }
    void Notice(const QString &, const QString &) override { Unexpected(); }
    void Error(const QString &, const QString &) override { Unexpected(); }
    std::optional<FileChoice> OpenFile(const QString &, const QString &) override { return Unexpected(), std::nullopt; }
    std::optional<FileChoice> SaveFile(const QString &, const QString &) override { return Unexpected(), std::nullopt; }
    int ShowModal(QDialog &) override { return Unexpected(), 2; }

private:
    static void Unexpected() { ADD_FAILURE() << "unexpected prompt"; }
};

TNoPrompts NoPrompts;

std::vector<TDialogCase> AllDialogs()
{
    return {
        {"InputValue", [](QWidget *p) -> QDialog * { return new TfrInputValue(p); },
         [](QDialog &d) -> QWidget * { return static_cast<TfrInputValue &>(d).edValue; },
         [](QDialog &d) { return static_cast<TfrInputValue &>(d).btOk; }},
        {"InputCb", [](QWidget *p) -> QDialog * { return new TfrInputCb(p); },
         [](QDialog &d) -> QWidget * { return static_cast<TfrInputCb &>(d).cbValue; },
         [](QDialog &d) { return static_cast<TfrInputCb &>(d).btOK; }},
        {"Select", [](QWidget *p) -> QDialog * { return new TfrSelect(p); },
         [](QDialog &d) -> QWidget * { return static_cast<TfrSelect &>(d).cbSelect; },
         [](QDialog &d) { return static_cast<TfrSelect &>(d).btOk; }},
        {"PlayList",
         [](QWidget *p) -> QDialog * {
             auto *input = new TfrInputValue(p);
             return new TfrPlayList(NoPrompts, *input, p);
         },
         [](QDialog &d) -> QWidget * { return static_cast<TfrPlayList &>(d).lbPlayList; },
         [](QDialog &d) { return static_cast<TfrPlayList &>(d).btOk; }},
    };
}

} // namespace

TEST(DialogModal, EnterAndEscapeLeaveEveryDialogOpenAndOkGivesOne)
{
    for (const TDialogCase &c : AllDialogs()) {
        SCOPED_TRACE(c.Name);
        QWidget main;
        QDialog *dialog = c.Make(&main);
        bool stayedOpen = false;
        const int result = DriveModal(*dialog, [&] {
            QWidget *focus = c.Focus(*dialog);
            focus->setFocus();
            PressSwallowedKeys(*dialog, focus);
            // A focused button must not take Enter either.
            QPushButton *ok = c.Ok(*dialog);
            ok->setFocus();
            PressSwallowedKeys(*dialog, ok);
            stayedOpen = dialog->isVisible();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, 1);
    }
}

TEST(DialogModal, CloseBoxGivesTwoEvenAfterAnEarlierOk)
{
    for (const TDialogCase &c : AllDialogs()) {
        SCOPED_TRACE(c.Name);
        QWidget main;
        QDialog *dialog = c.Make(&main);
        EXPECT_EQ(DriveModal(*dialog, [&] { QTest::mouseClick(c.Ok(*dialog), Qt::LeftButton); }), 1);
        EXPECT_EQ(DriveModal(*dialog, [&] { dialog->close(); }), 2);
    }
}

TEST(DialogModal, FramesAreFixedAndHaveNoCancel)
{
    for (const TDialogCase &c : AllDialogs()) {
        SCOPED_TRACE(c.Name);
        QWidget main;
        QDialog *dialog = c.Make(&main);
        DriveModal(*dialog, [&] {
            EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
            EXPECT_EQ(dialog->findChildren<QPushButton *>().size(), c.Name == std::string("PlayList") ? 3 : 1);
            dialog->close();
        });
    }
}

TEST(InputValueDialog, ClosedKeepsTypedTextButReportsTwo)
{
    TfrInputValue dialog;
    dialog.edValue->setText(U("Школа 5"));
    EXPECT_EQ(DriveModal(dialog, [&] { dialog.close(); }), 2);
    EXPECT_EQ(dialog.edValue->text(), U("Школа 5")); // the caller must not read it: it returns ""
    EXPECT_EQ(dialog.windowTitle(), U("Введите значение"));
}

TEST(InputValueDialog, RefusesTypedCharactersTheProjectFileCannotHold)
{
    TfrInputValue dialog;
    dialog.edValue->clear();
    TypeText(dialog.edValue, U("Цех№1€"));
    TypeText(dialog.edValue, U("漢"));
    EXPECT_EQ(dialog.edValue->text(), U("Цех№1€"));
}

TEST(InputCbDialog, ReturnsTypedTextThatIsNoItemWithoutAddingIt)
{
    TfrInputCb dialog;
    dialog.cbValue->addItems({U("Велтара ДК-2"), U("Велтара ДК-4")});
    dialog.cbValue->setCurrentText(U("Велтара ДК-2"));
    const int result = DriveModal(dialog, [&] {
        dialog.cbValue->lineEdit()->selectAll();
        TypeText(dialog.cbValue->lineEdit(), U("Прибор X"));
        QTest::keyClick(dialog.cbValue->lineEdit(), Qt::Key_Return);
        QTest::mouseClick(dialog.btOK, Qt::LeftButton);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.cbValue->currentText(), U("Прибор X"));
    EXPECT_EQ(dialog.cbValue->count(), 2);
}

TEST(SelectDialog, KeepsFixedCaptionAndShowsTheCallersLabel)
{
    TfrSelect dialog;
    dialog.lbSelect->setText(U("Выберите SD-Карту MP3 ЛВ"));
    dialog.cbSelect->addItems({QStringLiteral("/media/a"), QStringLiteral("/media/b")});
    dialog.cbSelect->setCurrentText(QStringLiteral("/media/a"));
    const int result = DriveModal(dialog, [&] {
        dialog.cbSelect->setCurrentIndex(1);
        QTest::mouseClick(dialog.btOk, Qt::LeftButton);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.windowTitle(), U("Выберите"));
    EXPECT_EQ(dialog.cbSelect->currentText(), QStringLiteral("/media/b"));
}

namespace {

// Answers the playlist editor's two questions from a script, in order.
class TPlaylistPrompts : public TNoPrompts
{
public:
    std::deque<std::optional<QString>> Files;         // OpenFile answers; nothing = cancelled
    std::deque<std::function<int(QDialog &)>> Modals; // ShowModal answers
    QStringList Filters;

    std::optional<FileChoice> OpenFile(const QString &, const QString &filter) override
    {
        Filters << filter;
        if (Files.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return std::nullopt;
        }
        const std::optional<QString> answer = Files.front();
        Files.pop_front();
        if (!answer)
            return std::nullopt;
        return FileChoice{*answer, 0};
    }

    int ShowModal(QDialog &dialog) override
    {
        if (Modals.empty()) {
            ADD_FAILURE() << "unexpected dialog";
            return 2;
        }
        const auto answer = Modals.front();
        Modals.pop_front();
        return answer(dialog);
    }
};

class PlayListEditor : public ::testing::Test
{
protected:
    TPlaylistPrompts Script;
    TfrInputValue Input;
    TfrPlayList Editor{Script, Input};

    void Fill(const QStringList &lines)
    {
        Editor.lbPlayList->clear();
        Editor.lbPlayList->addItems(lines);
    }
    void Select(int row) { Editor.lbPlayList->setCurrentRow(row); }
    int SelectedRow() const
    {
        const auto selected = Editor.lbPlayList->selectedItems();
        return selected.isEmpty() ? -1 : Editor.lbPlayList->row(selected.first());
    }
    void ExpectFields(const QString &number, const QString &path) const
    {
        EXPECT_EQ(Editor.edNumber->text(), number);
        EXPECT_EQ(Editor.edPath->text(), path);
    }
};

} // namespace

TEST_F(PlayListEditor, SelectingALineShowsItsNumberAndPath)
{
    Fill({U("Трек:3 Путь:/m/b.mp3"), U("Трек:12 Путь:/m/a.mp3")});
    Select(1);
    ExpectFields(QStringLiteral("12"), QStringLiteral("/m/a.mp3"));
    EXPECT_FALSE(Editor.edNumber->isEnabled());
}

TEST_F(PlayListEditor, UnreadableLinesShowEmptyFields)
{
    Fill({U("Трек:12 Путь:/m/a.mp3"), U("Трек:abc Путь:"), U("Трек:0 Путь:/z.mp3"), U("Трек:5 /x.mp3"),
          U("Путь:/y.mp3"), U("Трек:Путь:/w.mp3"), U("Трек:5  Путь:/v.mp3")});
    for (int row = 1; row < Editor.lbPlayList->count(); ++row) {
        SCOPED_TRACE(Editor.lbPlayList->item(row)->text().toStdString());
        Select(0);
        ExpectFields(QStringLiteral("12"), QStringLiteral("/m/a.mp3"));
        Select(row);
        ExpectFields(QString(), QString());
    }
}

TEST_F(PlayListEditor, LeadingZeroAndHexNumbersShowAsDecimal)
{
    Fill({U("Трек:07 Путь:/a.mp3"), U("Трек:$1F Путь:"), U("Трек:-4 Путь:")});
    Select(0);
    EXPECT_EQ(Editor.edNumber->text(), QStringLiteral("7"));
    Select(1);
    EXPECT_EQ(Editor.edNumber->text(), QStringLiteral("31"));
    Select(2);
    EXPECT_EQ(Editor.edNumber->text(), QStringLiteral("-4"));
}

TEST_F(PlayListEditor, FindOnASelectedLineReplacesItsPathInPlace)
{
    Fill({U("Трек:1 Путь:/one.mp3"), U("Трек:07 Путь:/old.mp3"), U("Трек:9 Путь:")});
    Select(1);
    Script.Files.push_back(QStringLiteral("/music/new.mp3"));
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(),
              QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек:7 Путь:/music/new.mp3"), U("Трек:9 Путь:")}));
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(Editor.edPath->text(), QStringLiteral("/music/new.mp3"));
    EXPECT_EQ(Script.Filters, QStringList({QStringLiteral("MP3 (*.mp3)")}));
}

TEST_F(PlayListEditor, FindWithoutSelectionAppendsAnUnselectedLine)
{
    Fill({U("Трек:1 Путь:/one.mp3")});
    Script.Files.push_back(QStringLiteral("/music/x.mp3"));
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек: Путь:/music/x.mp3")}));
    EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(PlayListEditor, FindCancelledChangesNothing)
{
    Fill({U("Трек:4 Путь:/four.mp3")});
    Select(0);
    Editor.edPath->setText(QStringLiteral("typed by hand"));
    Script.Files.push_back(std::nullopt);
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:4 Путь:/four.mp3")}));
    EXPECT_EQ(Editor.edPath->text(), QStringLiteral("typed by hand"));
}

TEST_F(PlayListEditor, FieldsSurviveTheListBeingRefilledByCode)
{
    Fill({U("Трек:8 Путь:/eight.mp3")});
    Select(0);
    Fill({U("Трек:1 Путь:")});
    ExpectFields(QStringLiteral("8"), QStringLiteral("/eight.mp3"));
    Script.Files.push_back(QStringLiteral("/n.mp3"));
    Editor.Button1Click(); // nothing selected after the refill: appends with the number left behind
    EXPECT_EQ(Editor.Lines().last(), U("Трек:8 Путь:/n.mp3"));
}

TEST_F(PlayListEditor, OperatorClickAndArrowKeySelectLines)
{
    Fill({U("Трек:2 Путь:/two.mp3"), U("Трек:3 Путь:/three.mp3")});
    Editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Editor));
    QListWidget *list = Editor.lbPlayList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    ExpectFields(QStringLiteral("3"), QStringLiteral("/three.mp3"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    ExpectFields(QStringLiteral("2"), QStringLiteral("/two.mp3"));
    Editor.hide();
}

TEST_F(PlayListEditor, AddAppendsTheRawNumberTextFromTheSharedPrompt)
{
    Input.edValue->setText(U("Школа 5")); // left by the project-name prompt
    Input.setWindowTitle(U("Введите название проекта"));
    Fill({U("Трек:1 Путь:/one.mp3")});
    Select(0);
    Script.Modals.push_back([&](QDialog &dialog) {
        EXPECT_EQ(&dialog, &Input);
        EXPECT_EQ(dialog.windowTitle(), U("Введите номер трека"));
        EXPECT_EQ(Input.edValue->text(), U("Школа 5"));
        Input.edValue->setText(QStringLiteral(" 05 "));
        return 1;
    });
    Editor.btAddClick();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек: 05  Путь:")}));
    EXPECT_EQ(SelectedRow(), 0);
}

TEST_F(PlayListEditor, AddTwiceGivesTwoLinesAndClosedPromptAddsNone)
{
    Fill({});
    for (int result : {1, 1, 2})
        Script.Modals.push_back([&, result](QDialog &) {
            Input.edValue->setText(QStringLiteral("12"));
            return result;
        });
    for (int i = 0; i < 3; ++i)
        Editor.btAddClick();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:12 Путь:"), U("Трек:12 Путь:")}));
}

TEST_F(PlayListEditor, AddedLineWithAbcNumberShowsEmptyFieldsAndFindWritesEmptyNumber)
{
    Fill({});
    Script.Modals.push_back([&](QDialog &) {
        Input.edValue->setText(QStringLiteral("abc"));
        return 1;
    });
    Editor.btAddClick();
    Select(0);
    ExpectFields(QString(), QString());
    Script.Files.push_back(QStringLiteral("/a.mp3"));
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек: Путь:/a.mp3")}));
}

TEST_F(PlayListEditor, OkAndCloseBoxThroughTheRealModalLoop)
{
    EXPECT_EQ(DriveModal(Editor, [&] { QTest::mouseClick(Editor.btOk, Qt::LeftButton); }), 1);
    EXPECT_EQ(DriveModal(Editor, [&] { Editor.close(); }), 2);
}

namespace {

// An object whose handler fails the way a command does.
class TFailingObject : public QObject
{
public:
    std::function<void()> Fail;
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            Fail();
        return QObject::event(event);
    }
};

struct TShownBox
{
    bool Shown = false;
    QString Caption;
    QString Text;
};

// Sends one event that fails; records and closes the critical box that the application shows.
TShownBox FailInHandler(const std::function<void()> &fail, const std::function<void()> &whileShown = {})
{
    TShownBox box;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *message = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!message)
            return;
        closer.stop();
        box = {true, message->windowTitle(), message->text()};
        EXPECT_EQ(message->icon(), QMessageBox::Critical);
        if (whileShown)
            whileShown();
        message->accept();
    });
    closer.start(0);
    TFailingObject object;
    object.Fail = fail;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    return box;
}

} // namespace

TEST(SigApplication, ShowsTheErrorTextCaptionedWithTheApplicationTitle)
{
    const TShownBox box = FailInHandler([] { throw TFileError("Unable to write to /home/op/school.vlpj"); });
    EXPECT_TRUE(box.Shown);
    EXPECT_EQ(box.Caption, QStringLiteral("test_dialogs"));
    EXPECT_EQ(box.Text, QStringLiteral("Unable to write to /home/op/school.vlpj"));
    // The loop goes on: the next event is delivered as usual.
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

TEST(SigApplication, ForeignExceptionShowsAnEmptyText)
{
    const TShownBox box = FailInHandler([] { throw 42; });
    EXPECT_TRUE(box.Shown);
    EXPECT_EQ(box.Text, QString());
}

TEST(SigApplication, FailureWhileTheBoxIsUpDoesNotStackASecondBox)
{
    bool stacked = false;
    const TShownBox box = FailInHandler([] { throw TSigError("first"); },
                                        [&] {
                                            QWidget *first = QApplication::activeModalWidget();
                                            // Should a second box open, close it so the test fails
                                            // instead of waiting for an operator.
                                            QTimer::singleShot(0, [&stacked, first] {
                                                QWidget *now = QApplication::activeModalWidget();
                                                if (now && now != first) {
                                                    stacked = true;
                                                    now->close();
                                                }
                                            });
                                            ShowException(std::make_exception_ptr(TSigError("second")));
                                        });
    EXPECT_EQ(box.Text, QStringLiteral("first"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(stacked);
}

TEST(SigApplication, TitleIsTheExecutableNameWithoutExtension)
{
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("test_dialogs"));
}

namespace {

// Runs action on the first modal widget of type T that shows up while ask() runs.
template <typename T, typename Ask> auto AnswerModal(const std::function<void(T &)> &action, Ask ask)
{
    QTimer finder;
    QObject::connect(&finder, &QTimer::timeout, [&] {
        if (auto *modal = qobject_cast<T *>(QApplication::activeModalWidget())) {
            finder.stop();
            action(*modal);
        }
    });
    finder.start(0);
    // Whatever is still open much later is closed, so a broken test fails instead of hanging.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        for (int depth = 0; depth < 4 && QApplication::activeModalWidget(); ++depth) {
            ADD_FAILURE() << "modal left open: " << QApplication::activeModalWidget()->metaObject()->className();
            QApplication::activeModalWidget()->close();
        }
    });
    watchdog.start(10000);
    return ask();
}

} // namespace

TEST(RealPrompts, YesNoIsFalseOnlyForNo)
{
    TRealPrompts prompts;
    auto ask = [&] { return prompts.AskYesNo(U("Редактирование"), U("Удалить группу?")); };
    auto press = [](QMessageBox::StandardButton which) {
        return [which](QMessageBox &box) {
            EXPECT_EQ(box.icon(), QMessageBox::Question);
            EXPECT_EQ(box.windowTitle(), U("Редактирование"));
            box.button(which)->click();
        };
    };
    EXPECT_FALSE(AnswerModal<QMessageBox>(press(QMessageBox::No), ask));
    EXPECT_TRUE(AnswerModal<QMessageBox>(press(QMessageBox::Yes), ask));
}

TEST(RealPrompts, OpenTakesATypedMissingFileAndReportsTheFilterEntry)
{
    TRealPrompts prompts;
    const QString missing =
        QDir::temp().filePath(QStringLiteral("sigcfg-missing-%1.csv").arg(QCoreApplication::applicationPid()));
    ASSERT_FALSE(QFile::exists(missing));
    const auto choice = AnswerModal<QFileDialog>(
        [&](QFileDialog &dialog) {
            EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
            dialog.selectNameFilter(QStringLiteral("CSV (*.csv)"));
            dialog.selectFile(missing);
            static_cast<QDialog &>(dialog).accept(); // as its Open or Save button does
        },
        [&] { return prompts.OpenFile(QString(), QStringLiteral("Project (*.vlpj);;CSV (*.csv)")); });
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->Path, missing);
    EXPECT_EQ(choice->FilterIndex, 1);
}

TEST(RealPrompts, SaveReplacesWithoutAskingAndCancelGivesNothing)
{
    TRealPrompts prompts;
    QTemporaryFile existing(QDir::temp().filePath(QStringLiteral("sigcfg-XXXXXX.vlpj")));
    ASSERT_TRUE(existing.open());
    bool asked = false;
    const auto choice = AnswerModal<QFileDialog>(
        [&](QFileDialog &dialog) {
            // A replace question would be a second modal box: note it and answer it.
            QTimer::singleShot(0, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked = true;
                    box->button(QMessageBox::Yes)->click();
                }
            });
            dialog.selectFile(existing.fileName());
            static_cast<QDialog &>(dialog).accept(); // as its Open or Save button does
        },
        [&] { return prompts.SaveFile(QString(), QStringLiteral("Project (*.vlpj)")); });
    EXPECT_FALSE(asked);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->Path, existing.fileName());
    EXPECT_EQ(choice->FilterIndex, 0);

    const auto cancelled =
        AnswerModal<QFileDialog>([](QFileDialog &dialog) { dialog.reject(); },
                                 [&] { return prompts.SaveFile(QString(), QStringLiteral("Project (*.vlpj)")); });
    EXPECT_FALSE(cancelled.has_value());
}
