// The four dialogs driven for real (keys, close box, OK), the playlist editor's handlers, the
// real prompts and the application's error box.
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
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
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
        list << QString::fromUtf8(text);
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
        if (auto *modal = qobject_cast<T *>(QApplication::activeModalWidget())) {
            finder.stop();
            action(*modal);
        }
    });
    finder.start(0);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        for (int depth = 0; depth < 4 && QApplication::activeModalWidget(); ++depth) {
            ADD_FAILURE() << "left open: " << QApplication::activeModalWidget()->metaObject()->className();
            QApplication::activeModalWidget()->close();
        }
    });
    watchdog.start(10000);
    return ask();
}

// Shows a dialog through the real prompts and acts on it once its modal loop runs.
int DriveModal(QDialog &dialog, const std::function<void()> &action)
{
    TRealPrompts prompts;
    return WithModal<QDialog>(
        [&](QDialog &modal) {
            EXPECT_EQ(&modal, &dialog);
            action();
        },
        [&] { return prompts.ShowModal(dialog); });
}

// Answers the playlist editor's file dialog and number prompt from a script, in order.
class TScriptedPrompts : public Prompts
{
public:
    std::deque<std::optional<QString>> Files; // nothing: cancelled
    std::deque<std::function<int(QDialog &)>> Modals;
    QStringList Filters;

    bool AskYesNo(const QString &, const QString &) override { return Unexpected(), false; }
    bool AskOkCancel(const QString &, const QString &) override { return Unexpected(), false; }
    void Notice(const QString &, const QString &) override { Unexpected(); }
    void Error(const QString &, const QString &) override { Unexpected(); }
    std::optional<FileChoice> SaveFile(const QString &, const QString &) override { return Unexpected(), std::nullopt; }
    std::optional<FileChoice> OpenFile(const QString &, const QString &filter) override
    {
        Filters << filter;
        if (Files.empty())
            return Unexpected(), std::nullopt;
        const std::optional<QString> answer = Files.front();
        Files.pop_front();
        return answer ? std::optional(FileChoice{*answer, 0}) : std::nullopt;
    }
    int ShowModal(QDialog &dialog) override
    {
        if (Modals.empty())
            return Unexpected(), 2;
        const auto answer = Modals.front();
        Modals.pop_front();
        return answer(dialog);
    }

private:
    static void Unexpected() { ADD_FAILURE() << "unexpected prompt"; }
};

// The four dialogs over a stand-in main window, as the program creates them.
struct TDialogs
{
    TScriptedPrompts Script;
    QWidget Main;
    TfrInputValue *Input = new TfrInputValue(&Main);
    TfrInputCb *Choice = new TfrInputCb(&Main);
    TfrSelect *Select = new TfrSelect(&Main);
    TfrPlayList *PlayList = new TfrPlayList(Script, *Input, &Main);

    // Each dialog with the control that has the focus while the operator works, and its OK.
    std::vector<std::tuple<QDialog *, QWidget *, QPushButton *>> All() const
    {
        return {{Input, Input->edValue, Input->btOk},
                {Choice, Choice->cbValue, Choice->btOK},
                {Select, Select->cbSelect, Select->btOk},
                {PlayList, PlayList->lbPlayList, PlayList->btOk}};
    }
};

} // namespace

TEST(DialogModal, EnterAndEscapeDoNothingOkGivesOneCloseBoxTwo)
{
    TDialogs dialogs;
    for (auto [dialog, focus, ok] : dialogs.All()) {
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
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    }
}

TEST(DialogModal, InputValueRefusesCharactersTheProjectFileCannotHold)
{
    TfrInputValue dialog;
    TypeText(dialog.edValue, U("Цех№1€漢"));
    EXPECT_EQ(dialog.edValue->text(), U("Цех№1€"));
}

TEST(DialogModal, InputCbReturnsTypedTextThatIsNoItemWithoutAddingIt)
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

namespace {

class PlayListEditor : public ::testing::Test
{
protected:
    TDialogs Dialogs;
    TfrPlayList &Editor = *Dialogs.PlayList;
    TScriptedPrompts &Script = Dialogs.Script;

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
    QStringList Fields() const { return {Editor.edNumber->text(), Editor.edPath->text()}; }
};

} // namespace

TEST_F(PlayListEditor, SelectionShowsNumberAndPathOrEmptyFieldsForUnreadableLines)
{
    // line, number shown, path shown
    const std::vector<std::array<const char *, 3>> cases = {
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
        Fill({U("Трек:3 Путь:/three.mp3"), U(line)});
        Select(0);
        Select(1);
        EXPECT_EQ(Fields(), L({number, path}));
    }
    EXPECT_FALSE(Editor.edNumber->isEnabled());
}

TEST_F(PlayListEditor, OperatorClickAndArrowKeysSelect)
{
    Fill({U("Трек:2 Путь:/two.mp3"), U("Трек:3 Путь:/three.mp3")});
    Editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Editor));
    QListWidget *list = Editor.lbPlayList;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(Fields(), L({"3", "/three.mp3"}));
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(Fields(), L({"2", "/two.mp3"}));
    Editor.hide();
}

TEST_F(PlayListEditor, FindOnASelectedLineKeepsPlaceNumberAndSelection)
{
    Fill({U("Трек:1 Путь:/one.mp3"), U("Трек:07 Путь:/old.mp3"), U("Трек:9 Путь:")});
    Select(1);
    Script.Files = {QStringLiteral("/music/new.mp3"), std::nullopt};
    Editor.Button1Click();
    Editor.Button1Click(); // cancelled: nothing changes
    EXPECT_EQ(Editor.Lines(),
              QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек:7 Путь:/music/new.mp3"), U("Трек:9 Путь:")}));
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(Script.Filters, L({"MP3 (*.mp3)", "MP3 (*.mp3)"}));
}

TEST_F(PlayListEditor, FindWithoutSelectionAppendsWithWhatTheFieldsLastShowed)
{
    Fill({U("Трек:1 Путь:/one.mp3")});
    Script.Files = {QStringLiteral("/x.mp3"), QStringLiteral("/y.mp3")};
    Editor.Button1Click(); // first use: no number yet
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек: Путь:/x.mp3")}));
    EXPECT_EQ(SelectedRow(), -1);
    Select(0);
    Fill({U("Трек:1 Путь:/one.mp3")}); // refilled by code: the fields keep the last shown line
    EXPECT_EQ(Fields(), L({"1", "/one.mp3"}));
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек:1 Путь:/one.mp3"), U("Трек:1 Путь:/y.mp3")}));
    EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(PlayListEditor, AddTakesTheRawTextOfTheSharedPromptAsTheNumber)
{
    Dialogs.Input->edValue->setText(U("Школа 5")); // left by the project-name prompt
    Fill({});
    auto answer = [&](const QString &typed, int result) {
        return [this, typed, result](QDialog &dialog) {
            EXPECT_EQ(&dialog, Dialogs.Input);
            EXPECT_EQ(dialog.windowTitle(), U("Введите номер трека"));
            Dialogs.Input->edValue->setText(typed);
            return result;
        };
    };
    Script.Modals = {[&](QDialog &) {
                         EXPECT_EQ(Dialogs.Input->edValue->text(), U("Школа 5"));
                         return 2;
                     },
                     answer(QStringLiteral(" 05 "), 1), answer(QStringLiteral("abc"), 1),
                     answer(QStringLiteral("abc"), 1), answer(QStringLiteral("9"), 2)};
    for (int i = 0; i < 5; ++i)
        Editor.btAddClick();
    EXPECT_EQ(Editor.Lines(), QStringList({U("Трек: 05  Путь:"), U("Трек:abc Путь:"), U("Трек:abc Путь:")}));
    EXPECT_EQ(SelectedRow(), -1);
    Select(1);
    Script.Files = {QStringLiteral("/a.mp3")};
    Editor.Button1Click();
    EXPECT_EQ(Editor.Lines().at(1), U("Трек: Путь:/a.mp3"));
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

TEST(SigApplication, ShowsTheErrorCaptionedWithTheExecutableNameAndGoesOn)
{
    EXPECT_EQ(FailInHandler([] { throw TFileError("Unable to write to /home/op/school.vlpj"); }),
              L({"test_dialogs", "Unable to write to /home/op/school.vlpj"}));
    EXPECT_EQ(FailInHandler([] { throw 42; }), L({"test_dialogs", ""}));
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

TEST(SigApplication, FailureWhileTheBoxIsUpDoesNotStackASecondBox)
{
    bool stacked = false;
    FailInHandler([] { throw TSigError("first"); },
                  [&] {
                      QWidget *first = QApplication::activeModalWidget();
                      QTimer::singleShot(0, [&stacked, first] {
                          if (QWidget *now = QApplication::activeModalWidget(); now && now != first)
                              stacked = true, now->close();
                      });
                      ShowException(std::make_exception_ptr(TSigError("second")));
                  });
    QCoreApplication::processEvents();
    EXPECT_FALSE(stacked);
}

TEST(RealPrompts, YesNoIsFalseOnlyForNo)
{
    TRealPrompts prompts;
    for (auto [button, expected] : {std::pair{QMessageBox::No, false}, std::pair{QMessageBox::Yes, true}})
        EXPECT_EQ(WithModal<QMessageBox>([button = button](QMessageBox &box) { box.button(button)->click(); },
                                         [&] { return prompts.AskYesNo(U("Редактирование"), U("Удалить?")); }),
                  expected);
}

TEST(RealPrompts, OpenTakesATypedMissingFileSaveReplacesWithoutAsking)
{
    TRealPrompts prompts;
    QTemporaryFile existing(QDir::temp().filePath(QStringLiteral("sigcfg-XXXXXX.csv")));
    ASSERT_TRUE(existing.open());
    const QString missing = existing.fileName() + QStringLiteral(".missing.csv");
    const QString filter = QStringLiteral("Project (*.vlpj);;CSV (*.csv)");
    auto choose = [](const QString &path) {
        return [path](QFileDialog &dialog) {
            EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
            dialog.selectNameFilter(QStringLiteral("CSV (*.csv)"));
            dialog.selectFile(path);
            static_cast<QDialog &>(dialog).accept(); // as its Open or Save button does
        };
    };
    const auto opened = WithModal<QFileDialog>(choose(missing), [&] { return prompts.OpenFile({}, filter); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Path, missing);
    EXPECT_EQ(opened->FilterIndex, 1);
    // A replace question would be a QMessageBox the watchdog has to close: the test then fails.
    const auto saved =
        WithModal<QFileDialog>(choose(existing.fileName()), [&] { return prompts.SaveFile({}, filter); });
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Path, existing.fileName());
    EXPECT_FALSE(WithModal<QFileDialog>([](QFileDialog &dialog) { dialog.reject(); },
                                        [&] { return prompts.SaveFile({}, filter); }));
}
