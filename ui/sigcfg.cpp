// The main window's construction: layout, menus, toolbar and the dialogs it owns.
#include "ui/sigcfg.h"

#include "ui/dialogframe.h"
#include "ui/inputcb.h"
#include "ui/inputval.h"
#include "ui/modeltext.h"
#include "ui/playlist.h"
#include "ui/select.h"
#include "ui/trackswindow.h"

#include <QAction>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int ClientWidth = 583;
constexpr int ClientHeight = 782;
constexpr int ToolbarHeight = 65;
constexpr int ProjectStripHeight = 48;
constexpr int LogHeight = 78;
constexpr int TreeWidth = 304;
constexpr int ButtonSize = 49;

QLabel *BoldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QListWidget *CheckList(QWidget *parent)
{
    auto *list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

} // namespace

TLinkLabel::TLinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(u"QLabel { color: blue; text-decoration: underline; } QLabel:disabled { color: gray; }"_s);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TfrMain::TfrMain(TProject &project, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), Project(project), FPrompts(prompts)
{
    setWindowTitle(FromModel(ProgramTitle));
    // Fixed frame: system menu, minimise and close only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    BuildControls();
    BuildMenus();
    BuildViewCommands();
    Modified.OnSet = [this] { emit ProjectChanged(); };
    FLog = std::make_unique<TLogBox>(*mmLog);
    FNameValidator = new TFieldNameValidator(this);
    edGroupName->setValidator(FNameValidator);
    edScenarioName->setValidator(FNameValidator);

    // The menu bar sits above the client area, as it does on the platform the layout comes from.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    // Window creation state: the first row of the state table.
    FillingGroup = false;
    FillingScenario = false;
    Modified = false;
    pcMain->setCurrentWidget(tsNothing);
    ShowProjectInfo();
    ClipboardMode = -1;
    ClipboardGroup = -1;
    ClipboardScenario = -1;
    PlayList.clear();
    for (QAction *action :
         {miProjectSave, miProjectSaveAs, miProjectClose, miProjectExport, miSavePlaylist, miProjectSetting, miAddGroup,
          miDelGroup, miAddScenario, miDelScenario, miCopyScenario, miCutScenario, miPutScenario, pmmiDelGroup,
          pmmiAddScenario, pmmiDelScenario, pmmiCopyScenario, pmmiCutScenario, pmmiPutScenario})
        action->setEnabled(false);
    pmmiAddGroup->setEnabled(true); // design-time state; it finds no free group without a project
    for (QWidget *widget : {static_cast<QWidget *>(bbSaveProject), static_cast<QWidget *>(bbSaveAsProject),
                            static_cast<QWidget *>(bbExportProject), static_cast<QWidget *>(bbSavePlayList),
                            static_cast<QWidget *>(lbProjectNameAlt), static_cast<QWidget *>(lbDeviceNameAlt)})
        widget->setEnabled(false);

    frInputValue = new TfrInputValue(this);
    frInputCb = new TfrInputCb(this);
    frSelect = new TfrSelect(this);
    frPlayList = new TfrPlayList(FPrompts, *frInputValue, this);
}

TfrMain::~TfrMain() = default;

Prompts &TfrMain::prompts()
{
    return FPrompts;
}

QToolButton *TfrMain::AddToolButton(const QString &icon, const QString &hint)
{
    auto *button = new QToolButton(pnBottons);
    button->setFixedSize(ButtonSize, ButtonSize);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(ButtonSize - 9, ButtonSize - 9));
    button->setToolTip(hint);
    pnBottons->layout()->addWidget(button);
    return button;
}

void TfrMain::BuildControls()
{
    auto *client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    pnBottons = new QWidget(client);
    pnBottons->setFixedHeight(ToolbarHeight);
    auto *buttons = new QHBoxLayout(pnBottons);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->setSpacing(4);
    bbNewProject = AddToolButton(u":/icons/new.svg"_s, u"Новый проект"_s);
    bbOpenProject = AddToolButton(u":/icons/open.svg"_s, u"Открыть проект"_s);
    bbSaveProject = AddToolButton(u":/icons/save.svg"_s, u"Сохранить проект"_s);
    bbSaveAsProject = AddToolButton(u":/icons/saveas.svg"_s, u"Сохранить проект как ..."_s);
    bbImportProject = AddToolButton(u":/icons/import.svg"_s, u"Импорт проекта"_s);
    bbExportProject = AddToolButton(u":/icons/export.svg"_s, u"Экспорт проекта"_s);
    bbSavePlayList = AddToolButton(u":/icons/playlist.svg"_s, u"Записать плейлист на  SD-Карту MP3 LV"_s);
    buttons->addStretch();
    column->addWidget(pnBottons);

    pnProjectInfo = new QWidget(client);
    pnProjectInfo->setFixedHeight(ProjectStripHeight);
    auto *strip = new QGridLayout(pnProjectInfo);
    strip->setContentsMargins(8, 2, 8, 2);
    strip->setVerticalSpacing(2);
    lbProjectNameAlt = new TLinkLabel(u"Проект:"_s, pnProjectInfo);
    lbProjectName = new QLabel(pnProjectInfo);
    lbDeviceNameAlt = new TLinkLabel(u"Устройство:"_s, pnProjectInfo);
    lbDeviceName = new QLabel(pnProjectInfo);
    strip->addWidget(lbProjectNameAlt, 0, 0);
    strip->addWidget(lbProjectName, 0, 1);
    strip->addWidget(lbDeviceNameAlt, 1, 0);
    strip->addWidget(lbDeviceName, 1, 1);
    strip->setColumnStretch(1, 1);
    column->addWidget(pnProjectInfo);

    pnMain = new QWidget(client);
    auto *work = new QHBoxLayout(pnMain);
    work->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Horizontal, pnMain);
    Splitter1->setChildrenCollapsible(false);
    tvMain = new QTreeWidget(Splitter1);
    tvMain->setHeaderHidden(true);
    tvMain->setColumnCount(1);
    tvMain->setIndentation(19);
    tvMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvMain->setMouseTracking(true); // hot tracking
    tvMain->setContextMenuPolicy(Qt::CustomContextMenu);
    pcMain = new QStackedWidget(Splitter1); // a page control without tabs
    Splitter1->addWidget(tvMain);
    Splitter1->addWidget(pcMain);
    Splitter1->setSizes({TreeWidth, ClientWidth - TreeWidth});
    work->addWidget(Splitter1);
    column->addWidget(pnMain, 1);

    tsNothing = new QWidget(pcMain);
    auto *nothing = new QVBoxLayout(tsNothing);
    Label3 = new QLabel(u"Выберите или добавьте группу"_s, tsNothing);
    Label3->setAlignment(Qt::AlignCenter);
    nothing->addWidget(Label3);
    pcMain->addWidget(tsNothing);

    tsGroup = new QWidget(pcMain);
    auto *group = new QVBoxLayout(tsGroup);
    lbGroupNumber = BoldLabel(u"Группа 1"_s, tsGroup);
    Label1 = new QLabel(u"Имя группы"_s, tsGroup);
    edGroupName = new QLineEdit(tsGroup);
    Label2 = new QLabel(u"Зоны"_s, tsGroup);
    clZones = CheckList(tsGroup);
    group->addWidget(lbGroupNumber);
    group->addWidget(Label1);
    group->addWidget(edGroupName);
    group->addWidget(Label2);
    group->addWidget(clZones, 1);
    pcMain->addWidget(tsGroup);

    tsScenario = new QWidget(pcMain);
    auto *scenario = new QVBoxLayout(tsScenario);
    lbScenarioNumber = BoldLabel(u"Сценарий 1"_s, tsScenario);
    edScenarioName = new QLineEdit(tsScenario);
    edScenarioTime = new QLineEdit(tsScenario);
    edScenarioTrack = new QLineEdit(tsScenario);
    edScenarioVolume = new QLineEdit(tsScenario);
    clDayOfWeek = CheckList(tsScenario);
    scenario->addWidget(lbScenarioNumber);
    scenario->addWidget(new QLabel(u"Имя сценария"_s, tsScenario));
    scenario->addWidget(edScenarioName);
    scenario->addWidget(new QLabel(u"Время"_s, tsScenario));
    scenario->addWidget(edScenarioTime);
    scenario->addWidget(new QLabel(u"Трек"_s, tsScenario));
    scenario->addWidget(edScenarioTrack);
    scenario->addWidget(new QLabel(u"Громкость"_s, tsScenario));
    scenario->addWidget(edScenarioVolume);
    scenario->addWidget(new QLabel(u"Дни недели"_s, tsScenario));
    scenario->addWidget(clDayOfWeek, 1);
    for (const std::string_view day : DayNames) {
        auto *item = new QListWidgetItem(FromModel(day));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        clDayOfWeek->addItem(item);
    }
    pcMain->addWidget(tsScenario);

    mmLog = new QPlainTextEdit(client);
    mmLog->setFixedHeight(LogHeight);
    mmLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // long lines wrap
    mmLog->setUndoRedoEnabled(false); // a check can fill it with 10000 lines; nobody undoes them
    column->addWidget(mmLog);

    connect(tvMain, &QTreeWidget::currentItemChanged, this, &TfrMain::tvMainChange);
    connect(tvMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmEdit->popup(tvMain->viewport()->mapToGlobal(pos)); });
    connect(lbProjectNameAlt, &TLinkLabel::clicked, this, &TfrMain::lbProjectNameAltClick);
    connect(lbDeviceNameAlt, &TLinkLabel::clicked, this, &TfrMain::lbDeviceNameAltClick);
    connect(edGroupName, &QLineEdit::textChanged, this, &TfrMain::edGroupNameChange);
    connect(clZones, &QListWidget::itemChanged, this, &TfrMain::clZonesClickCheck);
    connect(edScenarioName, &QLineEdit::textChanged, this, &TfrMain::edScenarioNameChange);
    connect(edScenarioTime, &QLineEdit::textChanged, this, &TfrMain::edScenarioTimeChange);
    connect(edScenarioTrack, &QLineEdit::textChanged, this, &TfrMain::edScenarioTrackChange);
    connect(edScenarioVolume, &QLineEdit::textChanged, this, &TfrMain::edScenarioVolumeChange);
    connect(clDayOfWeek, &QListWidget::itemChanged, this, &TfrMain::clDayOfWeekClickCheck);

    connect(bbNewProject, &QToolButton::clicked, this, &TfrMain::miProjectNewClick);
    connect(bbOpenProject, &QToolButton::clicked, this, &TfrMain::miProjectLoadClick);
    connect(bbSaveProject, &QToolButton::clicked, this, &TfrMain::miProjectSaveClick);
    connect(bbSaveAsProject, &QToolButton::clicked, this, &TfrMain::miProjectSaveAsClick);
    connect(bbImportProject, &QToolButton::clicked, this, &TfrMain::miProjectImportClick);
    connect(bbExportProject, &QToolButton::clicked, this, &TfrMain::miProjectExportClick);
    connect(bbSavePlayList, &QToolButton::clicked, this, &TfrMain::miSavePlaylistClick);
}

void TfrMain::BuildMenus()
{
    const auto item = [this](QMenu *menu, const QString &caption, void (TfrMain::*handler)()) {
        QAction *action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    miFail = menuBar()->addMenu(u"&Файл"_s);
    miProjectNew = item(miFail, u"&Новый проект"_s, &TfrMain::miProjectNewClick);
    miProjectLoad = item(miFail, u"&Загрузить проект"_s, &TfrMain::miProjectLoadClick);
    miFail->addSeparator();
    miProjectSave = item(miFail, u"&Сохранить проект"_s, &TfrMain::miProjectSaveClick);
    miProjectSaveAs = item(miFail, u"С&охранить проект как ..."_s, &TfrMain::miProjectSaveAsClick);
    miProjectClose = item(miFail, u"&Закрыть проект"_s, &TfrMain::miProjectCloseClick);
    miFail->addSeparator();
    miProjectImport = item(miFail, u"&Импортировать проект"_s, &TfrMain::miProjectImportClick);
    miProjectExport = item(miFail, u"&Экспортировать проект"_s, &TfrMain::miProjectExportClick);
    miFail->addSeparator();
    miSavePlaylist = item(miFail, u"&Записать плейлист на  SD-Карту MP3 LV"_s, &TfrMain::miSavePlaylistClick);
    miFail->addSeparator();
    miProjectSetting = item(miFail, u"Настройки проекта"_s, &TfrMain::miProjectSettingClick);
    miProjectNew->setShortcut(QKeySequence(u"Ctrl+N"_s));
    miProjectLoad->setShortcut(QKeySequence(u"Ctrl+O"_s));
    miProjectSave->setShortcut(QKeySequence(u"Ctrl+S"_s));
    miProjectSaveAs->setShortcut(QKeySequence(u"Ctrl+Shift+S"_s));

    // The edit menu and the tree's pop-up carry the same items with the same handlers.
    const auto editItems = [&item](QMenu *menu, QAction *&addGroup, QAction *&delGroup, QAction *&addScenario,
                                   QAction *&delScenario, QAction *&copy, QAction *&cut, QAction *&paste) {
        addGroup = item(menu, u"&Добавить группу"_s, &TfrMain::miAddGroupClick);
        delGroup = item(menu, u"&Удалить группу"_s, &TfrMain::miDelGroupClick);
        menu->addSeparator();
        addScenario = item(menu, u"Д&обавить сценарий"_s, &TfrMain::miAddScenarioClick);
        delScenario = item(menu, u"У&далить сценарий"_s, &TfrMain::miDelScenarioClick);
        menu->addSeparator();
        copy = item(menu, u"&Копировать сценарий"_s, &TfrMain::pmmiCopyScenarioClick);
        cut = item(menu, u"&Вырезать сценарий"_s, &TfrMain::pmmiCutScenarioClick);
        paste = item(menu, u"В&ставить сценарий"_s, &TfrMain::pmmiPutScenarioClick);
    };
    miEdit = menuBar()->addMenu(u"&Редактировать"_s);
    editItems(miEdit, miAddGroup, miDelGroup, miAddScenario, miDelScenario, miCopyScenario, miCutScenario,
              miPutScenario);
    pmEdit = new QMenu(this);
    editItems(pmEdit, pmmiAddGroup, pmmiDelGroup, pmmiAddScenario, pmmiDelScenario, pmmiCopyScenario, pmmiCutScenario,
              pmmiPutScenario);
    BuildScheduleMenus();
    // The track list window; its command is self-contained, so it can move to another menu.
    miEdit->addSeparator();
    AddTracksWindowCommand(*this, *miEdit);

    miHelp = menuBar()->addMenu(u"&Помощь"_s);
    miAbout = item(miHelp, u"&О программе"_s, &TfrMain::miAboutClick);
}

QString TfrMain::ProjectFilter()
{
    return u"Проект Велтара ЛВ (.vlpj) (*.vlpj)"_s;
}

QString TfrMain::ExchangeFilter()
{
    return u"Файл csv (*.csv);;Excel файл (*.xls *.xlsx)"_s;
}
