// The document's side of the window: undo and redo, the steps of the edits, and how the tree,
// the page, the title and the status bar follow each change of the document.
#include "ui/mainwindow/sigcfg.h"

#include "ui/document/groupchange.h"
#include "ui/document/scenariochange.h"
#include "ui/widgets/modeltext.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

/// Lets undo and redo pressed in a page's box reach the window's steps: a box's own undo would
/// take back keystrokes that are already a step of the project.
class TUndoKeysToWindow : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
                key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y))
                return true; // not taken by the box: the shortcut goes to the window's action
        }
        return QObject::eventFilter(watched, event);
    }
};

/// The tree as the operator arranged it (open groups, scroll position), kept across a rebuild that
/// an edit, its undo or its redo makes: only a new project or device type shows it collapsed.
class TTreeShape
{
public:
    explicit TTreeShape(QTreeWidget &tree) : Tree(tree), Scroll(tree.verticalScrollBar()->value())
    {
        for (int i = 0; i < tree.topLevelItemCount(); ++i)
            if (tree.topLevelItem(i)->isExpanded())
                Open.push_back(TfrMain::GroupNumberOfText(tree.topLevelItem(i)->text(0)));
    }
    TTreeShape(const TTreeShape &) = delete;
    TTreeShape &operator=(const TTreeShape &) = delete;
    ~TTreeShape()
    {
        for (int i = 0; i < Tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem *group = Tree.topLevelItem(i);
            if (Open.contains(TfrMain::GroupNumberOfText(group->text(0))))
                group->setExpanded(true);
        }
        // The highlighted node shows, in a group that was closed too.
        if (QTreeWidgetItem *current = Tree.currentItem(); current && current->parent())
            current->parent()->setExpanded(true);
        Tree.verticalScrollBar()->setValue(Scroll);
    }

private:
    QTreeWidget &Tree;
    int Scroll;
    QList<int> Open;
};

} // namespace

void TfrMain::FollowTyping(std::initializer_list<QLineEdit *> fields)
{
    for (QLineEdit *field : fields) {
        field->installEventFilter(FUndoKeys);
        // Keystrokes in a field are one step until the field is left.
        connect(field, &QLineEdit::editingFinished, this, [this] { FDocument->CloseTyping(); });
    }
}

void TfrMain::BuildUndoCommands()
{
    QUndoStack &stack = FDocument->Stack();
    const QList<QAction *> items = Ui.miEdit->actions();
    QAction *first = items.isEmpty() ? nullptr : items.front();
    Ui.miUndo = new QAction(u"О&тменить"_s, this);
    Ui.miUndo->setShortcut(QKeySequence::Undo);
    Ui.miRedo = new QAction(u"&Повторить"_s, this);
    Ui.miRedo->setShortcuts({QKeySequence(u"Ctrl+Shift+Z"_s), QKeySequence(u"Ctrl+Y"_s)});
    Ui.miEdit->insertAction(first, Ui.miUndo);
    Ui.miEdit->insertAction(first, Ui.miRedo);
    Ui.miEdit->insertSeparator(first);
    connect(Ui.miUndo, &QAction::triggered, this, &TfrMain::miUndoClick);
    connect(Ui.miRedo, &QAction::triggered, this, &TfrMain::miRedoClick);
    // The items name the step they take back or do again.
    const auto named = [](QAction *action, const QString &verb, const QString &step) {
        action->setText(step.isEmpty() ? verb : verb + u": "_s + step);
    };
    connect(&stack, &QUndoStack::undoTextChanged, this,
            [this, named](const QString &step) { named(Ui.miUndo, u"О&тменить"_s, step); });
    connect(&stack, &QUndoStack::redoTextChanged, this,
            [this, named](const QString &step) { named(Ui.miRedo, u"&Повторить"_s, step); });
    connect(&stack, &QUndoStack::canUndoChanged, Ui.miUndo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, Ui.miRedo, &QAction::setEnabled);
    Ui.miUndo->setEnabled(false);
    Ui.miRedo->setEnabled(false);
    FUndoKeys = new TUndoKeysToWindow(this);

    Ui.miCopyScenario->setShortcut(QKeySequence::Copy);
    Ui.miCutScenario->setShortcut(QKeySequence::Cut);
    Ui.miPutScenario->setShortcut(QKeySequence::Paste);
    Ui.miAddScenario->setShortcut(QKeySequence(Qt::Key_Insert));
    Ui.miDelete = new QAction(u"Уд&алить"_s, this);
    Ui.miDelete->setShortcut(QKeySequence::Delete);
    Ui.miEdit->insertAction(Ui.miCopyScenario, Ui.miDelete);
    connect(Ui.miDelete, &QAction::triggered, this, &TfrMain::miDeleteClick);
    Ui.miDelete->setEnabled(false);
    connect(Ui.miDelScenario, &QAction::enabledChanged, this,
            [this] { Ui.miDelete->setEnabled(Ui.miDelScenario->isEnabled() || Ui.miDelGroup->isEnabled()); });
    connect(Ui.miDelGroup, &QAction::enabledChanged, this,
            [this] { Ui.miDelete->setEnabled(Ui.miDelScenario->isEnabled() || Ui.miDelGroup->isEnabled()); });

    Ui.miPlayList = new QAction(u"П&лейлист…"_s, this);
    Ui.miEdit->insertAction(Ui.miBells, Ui.miPlayList);
    connect(Ui.miPlayList, &QAction::triggered, this, &TfrMain::miPlayListClick);
    Ui.miPlayList->setEnabled(Ui.miSavePlaylist->isEnabled());
    connect(Ui.miSavePlaylist, &QAction::enabledChanged, Ui.miPlayList, &QAction::setEnabled);
    Ui.miMakeSound = new QAction(u"Со&здать звук…"_s, this);
    Ui.miEdit->insertAction(Ui.miBells, Ui.miMakeSound);
    connect(Ui.miMakeSound, &QAction::triggered, this, &TfrMain::miMakeSoundClick);
    Ui.miMakeSound->setEnabled(Ui.miSavePlaylist->isEnabled());
    connect(Ui.miSavePlaylist, &QAction::enabledChanged, Ui.miMakeSound, &QAction::setEnabled);

    Ui.miFail->addSeparator();
    Ui.miExit = Ui.miFail->addAction(u"В&ыход"_s, this, &QWidget::close);
    Ui.miExit->setShortcut(QKeySequence(u"Ctrl+Q"_s));
}

void TfrMain::ListenToDocument()
{
    TProjectDocument &document = *FDocument;
    connect(&document, &TProjectDocument::ScenarioChanged, this, &TfrMain::ScenarioChangedInDocument);
    connect(&document, &TProjectDocument::GroupChanged, this, &TfrMain::GroupChangedInDocument);
    // A new device type or a whole project (an import, its undo) shows a new tree.
    for (const auto signal : {&TProjectDocument::ProjectInfoChanged, &TProjectDocument::ProjectReplaced}) {
        connect(&document, signal, this, [this] {
            RebuildTree();
            RefreshShownPage();
        });
    }
    connect(&document, &TProjectDocument::ModifiedChanged, this, [this](bool modified) {
        ShowModifiedState(modified);
        ShowTitle();
    });
}

void TfrMain::ScenarioChangedInDocument(int g, int s)
{
    QTreeWidgetItem *node = FindScenarioNode(g, s);
    const TScenario &scenario = Project.Groups[g].Scenarios[s];
    // Only added or deleted scenarios change the tree's shape; a field edit renames one node.
    if (node && scenario.Used) {
        node->setText(0, ScenarioNodeText(s, scenario.Name));
    } else if (node || scenario.Used) {
        const TTreeShape shape(*Ui.tvMain);
        RebuildTree();
    }
    if (!TypingInPage && CurrentGroup == g && CurrentScenario == s)
        RefreshShownPage();
}

void TfrMain::GroupChangedInDocument(int g)
{
    if (TypingInPage) {
        // The page's caption keeps the name the page was opened with, as it always has.
        if (QTreeWidgetItem *node = FindGroupNode(g))
            node->setText(0, GroupNodeText(g, Project.Groups[g].Name));
        return;
    }
    {
        const TTreeShape shape(*Ui.tvMain);
        RebuildTree();
    }
    if (CurrentGroup == g)
        RefreshShownPage();
}

void TfrMain::RefreshShownPage()
{
    if (TypingInPage || !CurrentNode)
        return;
    if (IsGroupNode(CurrentNode))
        ShowGroup(CurrentNode);
    else if (IsScenarioNode(CurrentNode))
        ShowScenario(CurrentNode);
}

void TfrMain::ShowTitle()
{
    // No project: the program's name alone, as the window has always been found by it.
    const QString program = FromModel(ProgramTitle);
    if (!Ui.miProjectClose || !Ui.miProjectClose->isEnabled()) {
        setWindowTitle(program);
        return;
    }
    const QString file = FromModel(Project.FileName);
    const QString shown = file.isEmpty() ? u"Новый проект"_s : file.section(u'/', -1);
    setWindowTitle(shown + u"[*] — "_s + program);
    setWindowModified(Modified);
}

void TfrMain::EditScenario(const TScenario &after, const QString &text, int typingField)
{
    if (!ValidGroup(CurrentGroup) || !ValidSlot(CurrentScenario))
        return;
    if (Project.Groups[CurrentGroup].Scenarios[CurrentScenario] == after)
        return;
    const bool was = TypingInPage;
    TypingInPage = was || typingField >= 0;
    FDocument->Do(new TScenarioChange(*FDocument, CurrentGroup, CurrentScenario, after, text, typingField));
    TypingInPage = was;
}

void TfrMain::EditGroups(QUndoCommand *command, bool inPage)
{
    const bool was = TypingInPage;
    TypingInPage = was || inPage;
    FDocument->Do(command);
    TypingInPage = was;
}

void TfrMain::ShowFieldRefusal(QLineEdit *field, const QString &reason)
{
    const bool wasRefused = !field->toolTip().isEmpty();
    // A style sheet set again restyles the box even when it is the same: only on a change.
    if (field->toolTip() != reason) {
        field->setStyleSheet(reason.isEmpty() ? QString() : u"QLineEdit { color: red; }"_s);
        field->setToolTip(reason);
    }
    if (!reason.isEmpty())
        statusBar()->showMessage(reason);
    else if (wasRefused)
        statusBar()->clearMessage();
}

void TfrMain::miUndoClick()
{
    FDocument->CloseTyping();
    FDocument->Stack().undo();
}

void TfrMain::miRedoClick()
{
    FDocument->CloseTyping();
    FDocument->Stack().redo();
}

void TfrMain::miDeleteClick()
{
    if (Ui.miDelScenario->isEnabled())
        miDelScenarioClick();
    else if (Ui.miDelGroup->isEnabled())
        miDelGroupClick();
}

void TfrMain::ShowScenarioOf(int g, int s)
{
    if (!SelectScenarioNode(g, s))
        return;
    raise();
    activateWindow();
}

void TfrMain::miPlayListClick()
{
    // Every line, none chosen: -2 is no line of the playlist and no track to add.
    EditPlayListLine(-2, 0);
}
