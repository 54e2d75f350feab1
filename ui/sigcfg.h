#pragma once

#include "device/log.h"
#include "model/type.h"
#include "ui/changeflag.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QListWidget;
class QListWidgetItem;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QValidator;
class TfrInputValue;
class TfrInputCb;
class TfrSelect;
class TfrPlayList;
class TWeekChart;

/// A label drawn as a link (blue, underlined, hand cursor) that reports a left click.
/// A disabled label gets no mouse events and so never reports one.
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

/// The log box's content. The first LogShownLimit lines show as they come; when more come, one
/// line counts those left out and the latest one follows it (the check's total comes last), so
/// even a check that writes millions of lines leaves a box the window can handle.
class TLogBox : public TLogSink
{
public:
    static constexpr int LogShownLimit = 10000;

    explicit TLogBox(QPlainTextEdit &box) : Box(box) {}

    void ClearLog() override;
    void AddLog(std::string_view line) override; // UTF-8
    void AddLine(const QString &line);

    /// Outside a batch a line shows at once, except past the limit, where the count and the latest
    /// line are brought up to date when the event loop next runs (a flood then costs nothing).
    /// While a batch is open, lines are collected and shown together when the last batch ends.
    void BeginBatch() { ++Batch; }
    void EndBatch();

    /// Lines that came but are not shown.
    int64_t LeftOut() const { return Hidden > 1 ? Hidden - 1 : 0; }
    /// The text of the line that counts the left-out lines.
    static QString LeftOutText(int64_t count);

private:
    void Flush();
    /// Past the limit, lines outside a batch only update the tail when the event loop next runs.
    void FlushLater();

    QPlainTextEdit &Box;
    int Shown = 0;            // lines in the box or pending, up to the limit
    int64_t Hidden = 0;       // lines past the limit
    std::string Latest;       // the latest line past the limit
    QStringList Pending;      // lines collected during a batch
    int TailBlocks = 0;       // lines at the end of the box that show Hidden and Latest
    bool TailPending = false; // those lines need rewriting
    int Batch = 0;
    bool FlushQueued = false;
};

/// The main window: the project tree, the group and scenario pages, the menus and the log.
/// It keeps the editor state beside the single project and runs every command of the editor.
class TfrMain : public QMainWindow
{
    Q_OBJECT
public:
    /// Builds the window, then creates the four dialogs in the order frInputValue, frInputCb,
    /// frSelect, frPlayList (each a child dialog of the main window, hidden).
    TfrMain(TProject &project, Prompts &prompts, QWidget *parent = nullptr);
    ~TfrMain() override;

    TProject &Project;                 // the single project of the run
    std::vector<std::string> PlayList; // "track;path" lines, UTF-8
    TChangeFlag Modified;              // reads and assigns as a bool; every assignment raises ProjectChanged

    TfrInputValue *frInputValue = nullptr;
    TfrInputCb *frInputCb = nullptr;
    TfrSelect *frSelect = nullptr;
    TfrPlayList *frPlayList = nullptr;

    Prompts &prompts(); // the seam for every modal question
    /// Appends one line to mmLog (shown at once).
    void AddLog(const QString &line);
    void ClearLog();
    /// The same log for core calls (the card writer ...); lines show as with AddLog.
    TLogSink &Log();
    /// Clears the log and runs the whole clash check into it, shown in one go.
    void RunCheckProject();

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
    void RebuildTree();
    void SyncPopupMenu();
    void ProjectOpened();
    void ProjectClosed();
    /// Name, then device type; true when a device type was set (Modified is then set).
    bool AskProjectSettings();
    /// The device-type choice; the chosen text or "".
    QString AskDeviceType();
    /// Expands and displays the group node with number g, without selecting it.
    void RevealGroup(int g);
    /// The free group numbers offered for a new group, or "" when there are none or on cancel.
    QString AskFreeGroupNumber();
    /// The save prompt of Close and of the window's close.
    void AskSaveChanges();
    /// The window's close request; a failing save throws and the window stays open.
    void FormCloseQuery();

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

    // Editor state.
    int32_t CurrentGroup = 0;
    int32_t CurrentScenario = 0;
    QTreeWidgetItem *CurrentNode = nullptr;
    int32_t ClipboardMode = -1; // -1 empty, 1 copy, 2 cut
    int32_t ClipboardGroup = -1;
    int32_t ClipboardScenario = -1;
    bool FillingGroup = false;
    bool FillingScenario = false;

    // Controls.
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

    QWidget *pnMain = nullptr;
    QTreeWidget *tvMain = nullptr;
    QSplitter *Splitter1 = nullptr;
    QStackedWidget *pcMain = nullptr;
    QWidget *tsNothing = nullptr;
    QWidget *tsGroup = nullptr;
    QWidget *tsScenario = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lbGroupNumber = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *edGroupName = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *clZones = nullptr;
    QLabel *lbScenarioNumber = nullptr;
    QLineEdit *edScenarioName = nullptr;
    QLineEdit *edScenarioTime = nullptr;
    QLineEdit *edScenarioTrack = nullptr;
    QLineEdit *edScenarioVolume = nullptr;
    QListWidget *clDayOfWeek = nullptr;
    QPlainTextEdit *mmLog = nullptr;

    QMenu *miFail = nullptr;
    QAction *miProjectNew = nullptr;
    QAction *miProjectLoad = nullptr;
    QAction *miProjectSave = nullptr;
    QAction *miProjectSaveAs = nullptr;
    QAction *miProjectClose = nullptr;
    QAction *miProjectImport = nullptr;
    QAction *miProjectExport = nullptr;
    QAction *miSavePlaylist = nullptr;
    QAction *miProjectSetting = nullptr;
    QMenu *miEdit = nullptr;
    QAction *miAddGroup = nullptr;
    QAction *miDelGroup = nullptr;
    QAction *miAddScenario = nullptr;
    QAction *miDelScenario = nullptr;
    QAction *miCopyScenario = nullptr;
    QAction *miCutScenario = nullptr;
    QAction *miPutScenario = nullptr;
    QMenu *miHelp = nullptr;
    QAction *miAbout = nullptr;

    // The week chart and the printed schedule (ui/sigcfg_print.cpp).
    QMenu *miView = nullptr;
    QAction *miWeekChart = nullptr;
    QAction *miPrint = nullptr;
    QAction *miExportPdf = nullptr;
    QToolButton *bbWeekChart = nullptr;
    TWeekChart *frWeekChart = nullptr; // made when first shown

    QMenu *pmEdit = nullptr;
    QAction *pmmiAddGroup = nullptr;
    QAction *pmmiDelGroup = nullptr;
    QAction *pmmiAddScenario = nullptr;
    QAction *pmmiDelScenario = nullptr;
    QAction *pmmiCopyScenario = nullptr;
    QAction *pmmiCutScenario = nullptr;
    QAction *pmmiPutScenario = nullptr;

    // Lesson bells and group-wide edits, in the edit menu and the pop-up (ui/sigcfg_bells.cpp).
    QAction *miBells = nullptr;
    QAction *miShiftGroup = nullptr;
    QAction *miGroupDays = nullptr;
    QAction *miGroupVolume = nullptr;
    QAction *pmmiBells = nullptr;
    QAction *pmmiShiftGroup = nullptr;
    QAction *pmmiGroupDays = nullptr;
    QAction *pmmiGroupVolume = nullptr;

    /// The filter of the project file dialogs.
    static QString ProjectFilter();
    /// The filter of the exchange file dialogs: entry 0 CSV, entry 1 workbooks.
    static QString ExchangeFilter();

signals:
    /// The project, the playlist or the file name may have changed: views of the project look again.
    /// Raised by every rebuild of the tree and every assignment of Modified.
    void ProjectChanged();

public slots:
    void tvMainChange(QTreeWidgetItem *node);

    // The week chart and the printed schedule.
    void miWeekChartClick();
    void miPrintClick();
    void miExportPdfClick();

    // Project file and exchange.
    void miProjectLoadClick();
    void miProjectSaveClick();
    void miProjectSaveAsClick();
    void miProjectImportClick();
    void miProjectExportClick();
    void miSavePlaylistClick(); // defined in ui/sigcfg_sdcard.cpp (card writer helper)

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

    // Lesson bells and group-wide edits (ui/sigcfg_bells.cpp).
    void miBellsClick();
    void miShiftGroupClick();
    void miGroupDaysClick();
    void miGroupVolumeClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    /// Opens a log batch for the life of the object: bulk output shows in one go at its end.
    class TLogBatch
    {
    public:
        explicit TLogBatch(TLogBox &log) : Log(log) { Log.BeginBatch(); }
        ~TLogBatch() { Log.EndBatch(); }
        TLogBatch(const TLogBatch &) = delete;
        TLogBatch &operator=(const TLogBatch &) = delete;

    private:
        TLogBox &Log;
    };

    void BuildControls();
    void BuildMenus();
    /// Adds the bell and group-wide items at the end of the edit menu and the pop-up (ui/sigcfg_bells.cpp).
    void BuildScheduleMenus();
    /// After a group-wide change: Modified, the tree, the shown page and the whole check.
    void GroupScheduleChanged(int g);
    /// The "Вид" menu, the print items of the file menu and the chart's toolbar button.
    void BuildViewCommands();
    QToolButton *AddToolButton(const QString &icon, const QString &hint);
    void ShowGroup(QTreeWidgetItem *node);
    void ShowScenario(QTreeWidgetItem *node);
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
    TGroup &CurrentGroupRecord();
    TScenario &CurrentScenarioRecord();

    Prompts &FPrompts;
    std::unique_ptr<TLogBox> FLog;
    QValidator *FNameValidator = nullptr;
};
