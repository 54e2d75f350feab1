#pragma once

#include "model/type.h"
#include "storage/projectfile.h"
#include "ui/dialogs/lazydialog.h"
#include "ui/dialogs/prompts.h"
#include "ui/mainwindow/changeflag.h"

#include <QLabel>
#include <QMainWindow>

#include <QStringList>
#include <optional>
#include <string>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QListWidget;
class QListWidgetItem;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TCheckList;
class TfrInputValue;
class TfrInputCb;
class TfrSelect;
class TfrPlayList;
class TWeekChart;
class TLogBox;
class TLogSink;
class TRecentFiles;
class TTimeValidator;
class TNumberValidator;

/// A label drawn as a link (blue, underlined, hand cursor) that reports a left click.
/// A disabled label gets no mouse events and so never reports one.
class QUndoCommand;
class TTracksWindow;

class TLinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TLinkLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

/// The main window: the project tree, the group and scenario pages, the menus and the log.
/// It keeps the editor state beside the single project and runs every command of the editor.
class TfrMain : public QMainWindow
{
    Q_OBJECT
    friend class TWindowTest; // the widget tests' fixture reads and sets the private parts

public:
    /// Builds the window; its group and scenario pages and its four dialogs (frInputValue,
    /// frInputCb, frSelect, frPlayList) are built when first used.
    TfrMain(TProject &project, Prompts &prompts, QWidget *parent = nullptr);
    ~TfrMain() override;

    /// Opens a file named at start or dropped on the window: a project loads as Open does, an
    /// exchange file imports as Import does. Asks first when the project is modified.
    void OpenFile(const QString &path);
    /// Size and place for the screen the window opens on: the specified client size, centred,
    /// when it fits the available area; else as large as that area allows, fully on it.
    void PlaceOnScreen();
    /// Where a window of the wanted client size goes in an available area, given its frame: the
    /// wanted size centred when it fits, else as large as the area allows and wholly inside it.
    static QRect FitToScreen(QSize wanted, QSize minimum, QRect available, QMargins frame);

    /// Appends one line to mmLog (shown at once).
    void AddLog(const QString &line);
    void ClearLog();
    /// The same log for core calls (the card writer ...); lines show as with AddLog.
    TLogSink &Log();
    /// Clears the log and runs the whole clash check into it, shown in one go.
    void RunCheckProject();
    /// Opens the playlist editor on every playlist line with line playListLine selected (or, when it
    /// is -1, a new empty line for track); OK stores the lines back and sets Modified when they changed.
    void EditPlayListLine(int playListLine, int32_t track);
    /// Shows in the status bar what a save, an export or a copy wrote.
    void ShowSaved(const QString &what);

    /// Writes the project and PlayList to Project.FileName (asks for a path as save as does
    /// when FileName is empty, then for the name when it is empty). Clears Modified and runs
    /// CheckProject. Returns false when the operator closed the path dialog (nothing written).
    /// A write failure throws (TSigError), leaving Modified as it was.
    bool WriteProjectFile();

    /// The text prompt: the text entered, "" when closed without OK.
    QString InputValue(const QString &prompt, const QString &defaultText);
    /// The choice prompt: the item chosen or text typed, "" when closed without OK.
    QString InputChoice(const QString &prompt, const QStringList &items, const QString &initial);

    // Tree, pages and states.
    void ShowProjectInfo();
    /// Rebuilds the tree; the node of the record whose page shows becomes current again.
    void RebuildTree();
    void SyncPopupMenu();
    void ProjectOpened();
    void ProjectClosed();
    /// Name, then device type; true when a device type was set (Modified is then set).
    bool AskProjectSettings();
    /// The device-type choice; the chosen text or "".
    QString AskDeviceType();
    /// Expands the group node with number g, makes it the current node and displays it.
    void RevealGroup(int g);
    /// The document: the project, the playlist, the unsaved state and the undo stack.
    TProjectDocument &Document() { return *FDocument; }

    /// The free group numbers offered for a new group, or "" when there are none or on cancel.
    QString AskFreeGroupNumber();
    /// The save prompt of Close, of the window's close, of Open, Import and New. False when the
    /// command is to stop: Cancel, Escape or the close box, or a save that was cancelled.
    bool AskSaveChanges();
    /// The window's close request; false keeps the window open. A failing save throws.
    bool FormCloseQuery();

    // Node texts and their numbers.
    static QString GroupNodeText(int g, const std::string &name);
    static QString ScenarioNodeText(int s, const std::string &name);
    /// The number after "Группа " at the start of a text, atol style; 0 when the prefix is missing.
    static int GroupNumberOfText(const QString &text);
    /// The number after "Сценарий " at the start of a text, atol style; 0 when the prefix is missing.
    static int ScenarioNumberOfText(const QString &text);
    static bool IsGroupNode(const QTreeWidgetItem *node);
    static bool IsScenarioNode(const QTreeWidgetItem *node);
    QTreeWidgetItem *FindGroupNode(int g) const;
    QTreeWidgetItem *FindScenarioNode(int g, int s) const;
    /// Makes scenario s of group g the current, highlighted node (its group expanded); false when
    /// the tree has no such node.
    bool SelectScenarioNode(int g, int s);

    /// What a device type would hide of a project ("Группы 6, 7 и зоны 5–8 группы 1 не поддерживаются
    /// прибором ДК-4 и будут удалены при сохранении"), or "" when nothing.
    static QString HiddenByDeviceType(const TProject &project, int32_t deviceType);

    /// The filter of the project file dialogs.
    static QString ProjectFilter();
    /// The filter of the export dialog: entry 0 CSV, entry 1 workbooks.
    static QString ExchangeFilter();
    /// The filter of the import dialog: CSV, then every workbook kind the import reads.
    static QString ImportFilter();

public slots:
    /// Displays a node's page; nullptr shows the empty page.
    void tvMainChange(QTreeWidgetItem *node);

    // Project file and exchange.
    void miProjectLoadClick();
    void miProjectSaveClick();
    void miProjectSaveAsClick();
    void miProjectImportClick();
    void miProjectExportClick();
    void miSavePlaylistClick(); // defined in ui/mainwindow/sigcfg_sdcard.cpp (card writer helper)
    /// "Проверить карту": compares a chosen card with the playlist and logs each difference.
    void miCheckCardClick();

    // Project commands.
    void miProjectNewClick();
    void miProjectCloseClick();
    void lbProjectNameAltClick();
    void lbDeviceNameAltClick();
    void miAboutClick();

    // Editing.
    void miProjectSettingClick();
    void miAddGroupClick();
    void miDelGroupClick();
    void miAddScenarioClick();
    void miDelScenarioClick();
    void pmmiCopyScenarioClick();
    void pmmiCutScenarioClick();
    void pmmiPutScenarioClick();
    void edGroupNameChange(const QString &text);
    void clZonesClickCheck(QListWidgetItem *item);
    void edScenarioNameChange(const QString &text);
    void edScenarioTimeChange(const QString &text);
    void edScenarioTrackChange(const QString &text);
    void edScenarioVolumeChange(const QString &text);
    void clDayOfWeekClickCheck(QListWidgetItem *item);
    void miUndoClick();
    void miRedoClick();
    void miDeleteClick();
    void miPlayListClick();
    /// "Создать звук…": a bell or an announcement made and added to the playlist.
    void miMakeSoundClick();
    /// The same dialog for playlist line playListLine, filled from the note beside its file.
    void EditSound(int playListLine);
    /// Makes scenario s of group g current and brings the window up (a click in the week chart).
    void ShowScenarioOf(int g, int s);

    // The week chart and the printed schedule (ui/mainwindow/sigcfg_print.cpp).
    void miWeekChartClick();
    void miPrintClick();
    void miExportPdfClick();

    // Lesson bells and group-wide edits (ui/mainwindow/sigcfg_bells.cpp).
    void miBellsClick();
    void miShiftGroupClick();
    void miGroupDaysClick();
    void miGroupVolumeClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    /// The window's controls, named as the window's layout names them.
    struct TControls
    {
        QWidget *pnBottons = nullptr;
        QToolButton *bbNewProject = nullptr;
        QToolButton *bbOpenProject = nullptr;
        QToolButton *bbSaveProject = nullptr;
        QToolButton *bbSaveAsProject = nullptr;
        QToolButton *bbImportProject = nullptr;
        QToolButton *bbExportProject = nullptr;
        QToolButton *bbSavePlayList = nullptr;

        QWidget *pnProjectInfo = nullptr;
        TLinkLabel *lbProjectNameAlt = nullptr;
        QLabel *lbProjectName = nullptr;
        TLinkLabel *lbDeviceNameAlt = nullptr;
        QLabel *lbDeviceName = nullptr;

        QSplitter *pnMain = nullptr; // the work area over the log; the log grows with the window
        QTreeWidget *tvMain = nullptr;
        QSplitter *Splitter1 = nullptr;
        QScrollArea *sbPages = nullptr; // the pages scroll on a small screen
        QStackedWidget *pcMain = nullptr;
        QWidget *tsNothing = nullptr;
        QWidget *tsGroup = nullptr;    // this page and its controls: null until first shown
        QWidget *tsScenario = nullptr; // this page and its controls: null until first shown
        QLabel *Label3 = nullptr;
        QLabel *lbGroupNumber = nullptr;
        QLabel *Label1 = nullptr;
        QLineEdit *edGroupName = nullptr;
        QLabel *Label2 = nullptr;
        TCheckList *clZones = nullptr;
        QLabel *lbScenarioNumber = nullptr;
        QLineEdit *edScenarioName = nullptr;
        QLineEdit *edScenarioTime = nullptr;
        QLineEdit *edScenarioTrack = nullptr;
        QLineEdit *edScenarioVolume = nullptr;
        TCheckList *clDayOfWeek = nullptr;
        QPlainTextEdit *mmLog = nullptr;

        QLabel *lbFilePath = nullptr; // status bar: the open file
        QLabel *lbModified = nullptr; // status bar: "Изменён"

        QMenu *miFail = nullptr;
        QAction *miProjectNew = nullptr;
        QAction *miProjectLoad = nullptr;
        QMenu *miRecent = nullptr;
        QAction *miProjectSave = nullptr;
        QAction *miProjectSaveAs = nullptr;
        QAction *miProjectClose = nullptr;
        QAction *miProjectImport = nullptr;
        QAction *miProjectExport = nullptr;
        QAction *miSavePlaylist = nullptr;
        QAction *miCheckCard = nullptr;
        QAction *miProjectSetting = nullptr;
        QMenu *miEdit = nullptr;
        QAction *miAddGroup = nullptr;
        QAction *miDelGroup = nullptr;
        QAction *miAddScenario = nullptr;
        QAction *miDelScenario = nullptr;
        QAction *miCopyScenario = nullptr;
        QAction *miCutScenario = nullptr;
        QAction *miPutScenario = nullptr;
        QAction *miUndo = nullptr;
        QAction *miRedo = nullptr;
        QAction *miDelete = nullptr;
        QAction *miInsert = nullptr;
        QAction *miPlayList = nullptr;
        QAction *miMakeSound = nullptr; // "Создать звук…"
        QAction *miExit = nullptr;
        QLabel *lbSaved = nullptr; // status bar: "Сохранено", only while nothing is modified
        QMenu *miHelp = nullptr;
        QAction *miAbout = nullptr;

        QMenu *pmEdit = nullptr;
        QAction *pmmiAddGroup = nullptr;
        QAction *pmmiDelGroup = nullptr;
        QAction *pmmiAddScenario = nullptr;
        QAction *pmmiDelScenario = nullptr;
        QAction *pmmiCopyScenario = nullptr;
        QAction *pmmiCutScenario = nullptr;
        QAction *pmmiPutScenario = nullptr;

        // The week chart and the printed schedule (ui/mainwindow/sigcfg_print.cpp).
        QMenu *miView = nullptr;
        QAction *miWeekChart = nullptr;
        QAction *miPrint = nullptr;
        QAction *miExportPdf = nullptr;
        QToolButton *bbWeekChart = nullptr;

        // Lesson bells and group-wide edits, in the edit menu and the pop-up (ui/mainwindow/sigcfg_bells.cpp).
        QAction *miBells = nullptr;
        QAction *miShiftGroup = nullptr;
        QAction *miGroupDays = nullptr;
        QAction *miGroupVolume = nullptr;
        QAction *pmmiBells = nullptr;
        QAction *pmmiShiftGroup = nullptr;
        QAction *pmmiGroupDays = nullptr;
        QAction *pmmiGroupVolume = nullptr;
    };

    static bool ValidGroup(int g) { return g >= 1 && g <= MaxGroups; }
    static bool ValidSlot(int s) { return s >= 1 && s <= MaxScenarios; }

    void BuildControls();
    /// The empty page; the group and scenario pages are built when first shown.
    void BuildPages();
    /// The group and scenario pages, built on first call (ui/mainwindow/sigcfg_pages.cpp).
    QWidget *GroupPage();
    QWidget *ScenarioPage();
    void BuildGroupPage();
    void BuildScenarioPage();
    /// Puts the fields of a page built after the window where they stood when built with it: after
    /// the tree, before the log.
    void PlaceInTabOrder(std::initializer_list<QWidget *> fields);
    /// A page's text fields: undo keys reach the window's steps, and leaving a field ends its step.
    void FollowTyping(std::initializer_list<QLineEdit *> fields);
    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenus();
    void BuildStatusBar();
    /// Undo, redo, delete, insert and the playlist in the edit menu; exit in the file menu.
    void BuildUndoCommands();
    /// The document's signals: the tree, the page, the title and the status bar follow each change.
    void ListenToDocument();
    void ScenarioChangedInDocument(int g, int s);
    void GroupChangedInDocument(int g);
    /// Refills the shown page from the model, unless the operator is typing into it.
    void RefreshShownPage();
    /// "FILE[*] — title", with the modified mark.
    void ShowTitle();
    /// Runs an edit of the current scenario as one step; typingField >= 0 merges keystrokes.
    void EditScenario(const TScenario &after, const QString &text, int typingField = -1);
    /// Runs a change of whole groups as one step; inPage when the shown page made it (it is not refilled).
    void EditGroups(QUndoCommand *command, bool inPage = false);
    /// A typed number of the scenario page: its range, its record field, its typing id and step name.
    struct TNumberField
    {
        int32_t Min, Max;
        int32_t TScenario::*Member;
        int Field;
        QString Step;
        QString (*Refusal)();
    };
    /// Writes a typed track or volume as one step, or shows it red when out of range.
    void EditNumberField(QLineEdit *box, const QString &text, const TNumberField &field);
    /// A field's value the model can not take: red, with the reason in the status bar.
    void ShowFieldRefusal(QLineEdit *field, const QString &reason);
    /// Asks whether to replace an existing file; true when there is none or the operator says yes.
    bool ConfirmReplace(const QString &path);
    /// The device-type question when the new type hides used groups or ticked zones; true to go on.
    bool ConfirmDeviceType(int32_t deviceType);
    /// Shows what a load skipped, in the log and in one message box.
    void ShowSkipped(const QString &path, const std::vector<TSkippedEntry> &skipped);
    /// Before the card copy: logs every playlist file that is missing, not an MP3 or damaged, and asks
    /// whether to write all the same. True when there is none or the operator says yes.
    bool ConfirmTrackProblems();
    /// Offers the removable drives (with the levelling choice when level) and returns the card
    /// folder chosen, or nothing when the operator stops or the folder is no good (said so).
    std::optional<std::string> ChooseCardFolder(bool level);
    /// When the card has no room for every new copy beside its old track, asks whether to remove
    /// old tracks first, saying what that risks. True when the operator agrees.
    bool AskMakeRoom(const std::string &folder);
    /// Adds the bell and group-wide items at the end of the edit menu and the pop-up (ui/mainwindow/sigcfg_bells.cpp).
    void BuildScheduleMenus();
    /// A group-wide change made on a copy of the project, as one step named step + g; then the tree,
    /// the shown page and the whole check.
    void GroupScheduleChanged(int g, const TProject &edited, const QString &step);
    /// The "Вид" menu, the print items of the file menu and the chart's toolbar button.
    void BuildViewCommands();
    QToolButton *AddToolButton(const QString &icon, const QString &hint);
    /// The node the tree shows as current and highlighted, or nullptr.
    QTreeWidgetItem *HighlightedNode() const;
    /// Displays the highlighted node's page, or the empty page when there is none.
    void FollowHighlight();
    void ShowNothing();
    void ShowGroup(QTreeWidgetItem *node);
    void ShowScenario(QTreeWidgetItem *node);
    /// Marks a shown time outside a day (from a file) in red.
    void ShowTimeRange();
    /// Sets the selection-dependent commands (menu items), then mirrors them into the pop-up.
    void SetEditCommands(bool addGroup, bool delGroup, bool addScenario, bool delScenario, bool copyCut, bool paste);
    /// Sets the pop-up clipboard items, then copies their state to the menu items.
    void SetClipboardCommands(bool copyCut, bool paste);
    /// ProjectOpened and ProjectClosed: the same steps, enabling or disabling.
    void SwitchProjectState(bool open);
    /// The project name prompt; re-asks while the answer holds a character a project file can not.
    QString AskProjectName();
    /// The path of a save-as dialog with ".vlpj" added where missing; "" when cancelled.
    QString AskProjectPath();
    /// Save as miProjectSaveClick does; false when nothing was written (the path dialog closed).
    bool SaveProject();
    /// Loads a project file as Open does, without asking.
    void LoadProject(const QString &path);
    /// Imports an exchange file as Import does, without asking: a workbook by its content, else CSV.
    void ImportProject(const QString &path);
    /// The recent-projects submenu, rebuilt from the list.
    void FillRecentMenu();
    void OpenRecent(const QString &path);
    /// Remembers a project file in the recent list and its folder for the file dialogs.
    void RememberProject(const QString &path);
    void RememberFolder(const QString &path);
    void ShowModifiedState(bool modified);
    void ShowFilePath();
    /// The delete question's text for a group, or for one of its scenarios when s > 0.
    QString DeleteQuestion(int g, int s) const;
    TGroup &CurrentGroupRecord();
    TScenario &CurrentScenarioRecord();

    TProject &Project; // the single project of the run
    Prompts &FPrompts; // the seam for every modal question
    TControls Ui;
    std::unique_ptr<TProjectDocument> FDocument;
    std::vector<std::string> &PlayList; // "track;path" lines, UTF-8: the document's
    TChangeFlag Modified;
    bool TypingInPage = false; // a field's own edit is running: the page is not filled again

    // The four dialogs, built on first use (each a child dialog of the main window, hidden).
    TLazyDialog<TfrInputValue> frInputValue;
    TLazyDialog<TfrInputCb> frInputCb;
    TLazyDialog<TfrSelect> frSelect;
    TLazyDialog<TfrPlayList> frPlayList;

    // Editor state.
    int32_t CurrentGroup = 0;
    int32_t CurrentScenario = 0;
    QTreeWidgetItem *CurrentNode = nullptr;
    int32_t ClipboardMode = -1; // -1 empty, 1 copy, 2 cut
    int32_t ClipboardGroup = -1;
    int32_t ClipboardScenario = -1;
    bool FillingGroup = false;
    bool FillingScenario = false;

    TWeekChart *frWeekChart = nullptr; // made when first shown (ui/mainwindow/sigcfg_print.cpp)

    std::unique_ptr<TLogBox> FLog;
    std::unique_ptr<TRecentFiles> FRecent;
    TTimeValidator *FTimeValidator = nullptr;
    TNumberValidator *FTrackValidator = nullptr;
    TNumberValidator *FVolumeValidator = nullptr;
    QObject *FUndoKeys = nullptr; // passes undo and redo keys from the pages' fields to the window

    Prompts &prompts() { return FPrompts; }
};
