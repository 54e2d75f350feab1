// The main window's construction: layout, menus, toolbar, status bar and the dialogs it owns.
#include "ui/mainwindow/sigcfg.h"

#include "ui/dialogs/inputcb.h"
#include "ui/dialogs/inputval.h"
#include "ui/dialogs/playlist.h"
#include "ui/dialogs/select.h"
#include "ui/mainwindow/recentfiles.h"
#include "ui/widgets/logbox.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/pngicon.h"

#include <QAction>
#include <QColor>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QKeySequence>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
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
constexpr int IconSize = SIG_TOOLBAR_ICON_SIZE; // the size the build draws the icons at
constexpr int ButtonSize = IconSize + 9;

/// A toolbar picture, loaded once per run (a window made again, as in the benchmarks, reuses it).
QIcon ToolbarIcon(const QString &name, qreal pixelRatio)
{
    static QHash<QString, QIcon> loaded;
    const QString key = name + (pixelRatio > 1 ? u"@2x"_s : QString());
    auto found = loaded.find(key);
    if (found == loaded.end())
        found = loaded.insert(key, PngIcon(name, pixelRatio));
    return *found;
}

/// The pages' scroll area. Its size hint would ask every page for its own on each layout pass
/// (QScrollArea keeps no copy); the splitter gives it its width and the window its height anyway.
class TPageScroller : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return QSize(ClientWidth - TreeWidth, ClientHeight / 2); }
};

} // namespace

TLinkLabel::TLinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    // Palette and font rather than a style sheet: a style sheet would bring in Qt's style sheet
    // machinery for two labels at every start. The colours are CSS blue and gray.
    QPalette colours = palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        colours.setColor(group, QPalette::WindowText, QColor(0x00, 0x00, 0xff));
    colours.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TfrMain::TfrMain(TProject &project, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), Project(project), FPrompts(prompts), FDocument(std::make_unique<TProjectDocument>(project)),
      PlayList(FDocument->PlayList()), Modified(*FDocument), FRecent(std::make_unique<TRecentFiles>())
{
    setAcceptDrops(true);

    BuildControls();
    BuildMenus();
    BuildViewCommands();
    BuildStatusBar();
    BuildUndoCommands();
    ListenToDocument();
    FLog = std::make_unique<TLogBox>(*Ui.mmLog);

    // The client area opens at its specified size; the menu bar sits above it and the status bar
    // below it. On a smaller screen PlaceOnScreen makes it fit.
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());

    // Window creation state: nothing selected, no project, the commands of a window just opened.
    FillingGroup = false;
    FillingScenario = false;
    Modified = false;
    Ui.pcMain->setCurrentWidget(Ui.tsNothing);
    ShowProjectInfo();
    ClipboardMode = -1;
    ClipboardGroup = -1;
    ClipboardScenario = -1;
    PlayList.clear();
    for (QAction *action :
         {Ui.miProjectSave, Ui.miProjectSaveAs, Ui.miProjectClose, Ui.miProjectExport, Ui.miSavePlaylist,
          Ui.miProjectSetting, Ui.miAddGroup, Ui.miDelGroup, Ui.miAddScenario, Ui.miDelScenario, Ui.miCopyScenario,
          Ui.miCutScenario, Ui.miPutScenario, Ui.pmmiDelGroup, Ui.pmmiAddScenario, Ui.pmmiDelScenario,
          Ui.pmmiCopyScenario, Ui.pmmiCutScenario, Ui.pmmiPutScenario})
        action->setEnabled(false);
    Ui.pmmiAddGroup->setEnabled(true); // as the window was designed; it finds no free group without a project
    for (QWidget *widget : {static_cast<QWidget *>(Ui.bbSaveProject), static_cast<QWidget *>(Ui.bbSaveAsProject),
                            static_cast<QWidget *>(Ui.bbExportProject), static_cast<QWidget *>(Ui.bbSavePlayList),
                            static_cast<QWidget *>(Ui.lbProjectNameAlt), static_cast<QWidget *>(Ui.lbDeviceNameAlt)})
        widget->setEnabled(false);
    ShowTitle();

    frInputValue.SetMaker([this] { return new TfrInputValue(this); });
    frInputCb.SetMaker([this] { return new TfrInputCb(this); });
    frSelect.SetMaker([this] { return new TfrSelect(this); });
    frPlayList.SetMaker([this] { return new TfrPlayList(FPrompts, *frInputValue, this); });
}

TfrMain::~TfrMain() = default;

QRect TfrMain::FitToScreen(QSize wanted, QSize minimum, QRect available, QMargins frame)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    const QSize size = wanted.boundedTo(room).expandedTo(minimum);
    const QSize outer = size.grownBy(frame);
    // Centred; where it can not be, pinned to the area's top left so the menu bar stays reachable.
    QPoint corner = available.center() - QPoint(outer.width() / 2, outer.height() / 2) + QPoint(1, 1);
    corner.setX(std::max(available.left(), std::min(corner.x(), available.right() + 1 - outer.width())));
    corner.setY(std::max(available.top(), std::min(corner.y(), available.bottom() + 1 - outer.height())));
    return QRect(corner + QPoint(frame.left(), frame.top()), size);
}

void TfrMain::PlaceOnScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // The frame is known only once a window manager has framed the window; until then allow for a
    // title bar and thin borders.
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                   outer.bottom() - inner.bottom());
    if (frame.isNull())
        frame = QMargins(4, 30, 4, 4);
    const QSize wanted(ClientWidth, ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    const QRect place = FitToScreen(wanted, minimumSizeHint(), screen->availableGeometry(), frame);
    resize(place.size());
    move(place.topLeft() - QPoint(frame.left(), frame.top())); // move places the frame's corner
}

QToolButton *TfrMain::AddToolButton(const QString &icon, const QString &hint)
{
    auto *button = new QToolButton(Ui.pnBottons);
    button->setFixedSize(ButtonSize, ButtonSize);
    button->setIcon(ToolbarIcon(icon, devicePixelRatio()));
    button->setIconSize(QSize(IconSize, IconSize));
    button->setToolTip(hint);
    Ui.pnBottons->layout()->addWidget(button);
    return button;
}

void TfrMain::BuildControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Ui.pnBottons = new QWidget(client);
    Ui.pnBottons->setFixedHeight(ToolbarHeight);
    auto *buttons = new QHBoxLayout(Ui.pnBottons);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->setSpacing(4);
    Ui.bbNewProject = AddToolButton(u"new"_s, u"Новый проект"_s);
    Ui.bbOpenProject = AddToolButton(u"open"_s, u"Открыть проект"_s);
    Ui.bbSaveProject = AddToolButton(u"save"_s, u"Сохранить проект"_s);
    Ui.bbSaveAsProject = AddToolButton(u"saveas"_s, u"Сохранить проект как ..."_s);
    Ui.bbImportProject = AddToolButton(u"import"_s, u"Импорт проекта"_s);
    Ui.bbExportProject = AddToolButton(u"export"_s, u"Экспорт проекта"_s);
    Ui.bbSavePlayList = AddToolButton(u"playlist"_s, u"Записать плейлист на  SD-Карту MP3 LV"_s);
    buttons->addStretch();
    column->addWidget(Ui.pnBottons);

    Ui.pnProjectInfo = new QWidget(client);
    Ui.pnProjectInfo->setFixedHeight(ProjectStripHeight);
    auto *strip = new QGridLayout(Ui.pnProjectInfo);
    strip->setContentsMargins(8, 2, 8, 2);
    strip->setVerticalSpacing(2);
    Ui.lbProjectNameAlt = new TLinkLabel(u"Проект:"_s, Ui.pnProjectInfo);
    Ui.lbProjectName = new QLabel(Ui.pnProjectInfo);
    Ui.lbDeviceNameAlt = new TLinkLabel(u"Устройство:"_s, Ui.pnProjectInfo);
    Ui.lbDeviceName = new QLabel(Ui.pnProjectInfo);
    strip->addWidget(Ui.lbProjectNameAlt, 0, 0);
    strip->addWidget(Ui.lbProjectName, 0, 1);
    strip->addWidget(Ui.lbDeviceNameAlt, 1, 0);
    strip->addWidget(Ui.lbDeviceName, 1, 1);
    strip->setColumnStretch(1, 1);
    column->addWidget(Ui.pnProjectInfo);

    // The work area over the log: both shrink on a small screen, and both grow with the window.
    Ui.pnMain = new QSplitter(Qt::Vertical, client);
    Ui.pnMain->setChildrenCollapsible(false);
    Ui.Splitter1 = new QSplitter(Qt::Horizontal, Ui.pnMain);
    Ui.Splitter1->setChildrenCollapsible(false);
    Ui.tvMain = new QTreeWidget(Ui.Splitter1);
    Ui.tvMain->setObjectName(u"tvMain"_s);
    Ui.tvMain->setHeaderHidden(true);
    Ui.tvMain->setColumnCount(1);
    Ui.tvMain->setIndentation(19);
    Ui.tvMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Ui.tvMain->setMouseTracking(true); // hot tracking
    Ui.tvMain->setContextMenuPolicy(Qt::CustomContextMenu);
    Ui.tvMain->setMinimumHeight(60);
    Ui.sbPages = new TPageScroller(Ui.Splitter1);
    Ui.sbPages->setWidgetResizable(true);
    Ui.sbPages->setFrameShape(QFrame::NoFrame);
    Ui.pcMain = new QStackedWidget(Ui.sbPages); // a page control without tabs
    // Pages first, then into the scroll area: it would measure every page again at each addition.
    BuildPages();
    Ui.sbPages->setWidget(Ui.pcMain);
    Ui.Splitter1->addWidget(Ui.tvMain);
    Ui.Splitter1->addWidget(Ui.sbPages);
    Ui.Splitter1->setSizes({TreeWidth, ClientWidth - TreeWidth});
    Ui.Splitter1->setStretchFactor(1, 1);

    Ui.mmLog = new QPlainTextEdit(Ui.pnMain);
    Ui.mmLog->setObjectName(u"mmLog"_s);
    Ui.mmLog->setMinimumHeight(40);
    Ui.mmLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Ui.mmLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // long lines wrap
    Ui.mmLog->setUndoRedoEnabled(false); // a check can fill it with 10000 lines; nobody undoes them
    Ui.mmLog->setTabChangesFocus(true);  // Tab moves on, as in every other box of the window
    Ui.pnMain->addWidget(Ui.Splitter1);
    Ui.pnMain->addWidget(Ui.mmLog);
    Ui.pnMain->setSizes(
        {ClientHeight - ToolbarHeight - ProjectStripHeight - LogHeight - Ui.pnMain->handleWidth(), LogHeight});
    Ui.pnMain->setStretchFactor(0, 3);
    Ui.pnMain->setStretchFactor(1, 1);
    column->addWidget(Ui.pnMain, 1);

    connect(Ui.tvMain, &QTreeWidget::currentItemChanged, this, &TfrMain::FollowHighlight);
    connect(Ui.tvMain, &QTreeWidget::itemSelectionChanged, this, &TfrMain::FollowHighlight);
    connect(Ui.tvMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { Ui.pmEdit->popup(Ui.tvMain->viewport()->mapToGlobal(pos)); });
    connect(Ui.lbProjectNameAlt, &TLinkLabel::clicked, this, &TfrMain::lbProjectNameAltClick);
    connect(Ui.lbDeviceNameAlt, &TLinkLabel::clicked, this, &TfrMain::lbDeviceNameAltClick);

    connect(Ui.bbNewProject, &QToolButton::clicked, this, &TfrMain::miProjectNewClick);
    connect(Ui.bbOpenProject, &QToolButton::clicked, this, &TfrMain::miProjectLoadClick);
    connect(Ui.bbSaveProject, &QToolButton::clicked, this, &TfrMain::miProjectSaveClick);
    connect(Ui.bbSaveAsProject, &QToolButton::clicked, this, &TfrMain::miProjectSaveAsClick);
    connect(Ui.bbImportProject, &QToolButton::clicked, this, &TfrMain::miProjectImportClick);
    connect(Ui.bbExportProject, &QToolButton::clicked, this, &TfrMain::miProjectExportClick);
    connect(Ui.bbSavePlayList, &QToolButton::clicked, this, &TfrMain::miSavePlaylistClick);
}

void TfrMain::BuildPages()
{
    // Only the empty page, which the window opens on; the group and scenario pages are built when
    // first shown (ui/mainwindow/sigcfg_pages.cpp).
    Ui.tsNothing = new QWidget(Ui.pcMain);
    auto *nothing = new QVBoxLayout(Ui.tsNothing);
    Ui.Label3 = new QLabel(u"Выберите или добавьте группу"_s, Ui.tsNothing);
    Ui.Label3->setAlignment(Qt::AlignCenter);
    nothing->addWidget(Ui.Label3);
    Ui.pcMain->addWidget(Ui.tsNothing);
}

void TfrMain::BuildMenus()
{
    BuildFileMenu();
    BuildEditMenus();
    Ui.miHelp = menuBar()->addMenu(u"&Помощь"_s);
    Ui.miAbout = Ui.miHelp->addAction(u"&О программе"_s, this, &TfrMain::miAboutClick);
}

// Access letters are unique within each menu, so one key press always reaches one item.
void TfrMain::BuildFileMenu()
{
    QMenu *menu = Ui.miFail = menuBar()->addMenu(u"&Файл"_s);
    Ui.miProjectNew = menu->addAction(u"&Новый проект"_s, this, &TfrMain::miProjectNewClick);
    Ui.miProjectLoad = menu->addAction(u"&Загрузить проект"_s, this, &TfrMain::miProjectLoadClick);
    Ui.miRecent = menu->addMenu(u"Пос&ледние проекты"_s);
    // Filled as the file menu opens, so the start reads no settings; the submenu is greyed there
    // when the list is empty.
    connect(menu, &QMenu::aboutToShow, this, &TfrMain::FillRecentMenu);
    connect(Ui.miRecent, &QMenu::aboutToShow, this, &TfrMain::FillRecentMenu);
    menu->addSeparator();
    Ui.miProjectSave = menu->addAction(u"&Сохранить проект"_s, this, &TfrMain::miProjectSaveClick);
    Ui.miProjectSaveAs = menu->addAction(u"С&охранить проект как ..."_s, this, &TfrMain::miProjectSaveAsClick);
    Ui.miProjectClose = menu->addAction(u"За&крыть проект"_s, this, &TfrMain::miProjectCloseClick);
    menu->addSeparator();
    Ui.miProjectImport = menu->addAction(u"&Импортировать проект"_s, this, &TfrMain::miProjectImportClick);
    Ui.miProjectExport = menu->addAction(u"&Экспортировать проект"_s, this, &TfrMain::miProjectExportClick);
    menu->addSeparator();
    Ui.miSavePlaylist =
        menu->addAction(u"Записать &плейлист на  SD-Карту MP3 LV"_s, this, &TfrMain::miSavePlaylistClick);
    Ui.miCheckCard = menu->addAction(u"Проверить карту"_s, this, &TfrMain::miCheckCardClick);
    Ui.miCheckCard->setEnabled(false);
    connect(Ui.miSavePlaylist, &QAction::enabledChanged, Ui.miCheckCard, &QAction::setEnabled);
    menu->addSeparator();
    Ui.miProjectSetting = menu->addAction(u"Настройки п&роекта"_s, this, &TfrMain::miProjectSettingClick);
    Ui.miProjectNew->setShortcut(QKeySequence(u"Ctrl+N"_s));
    Ui.miProjectLoad->setShortcut(QKeySequence(u"Ctrl+O"_s));
    Ui.miProjectSave->setShortcut(QKeySequence(u"Ctrl+S"_s));
    Ui.miProjectSaveAs->setShortcut(QKeySequence(u"Ctrl+Shift+S"_s));
}

// The edit menu and the tree's pop-up carry the same items with the same handlers.
void TfrMain::BuildEditMenus()
{
    struct TEditItems
    {
        QAction *&AddGroup, *&DelGroup, *&AddScenario, *&DelScenario, *&Copy, *&Cut, *&Paste;
    };
    const auto fill = [this](QMenu *menu, const TEditItems &items) {
        items.AddGroup = menu->addAction(u"&Добавить группу"_s, this, &TfrMain::miAddGroupClick);
        items.DelGroup = menu->addAction(u"&Удалить группу"_s, this, &TfrMain::miDelGroupClick);
        menu->addSeparator();
        items.AddScenario = menu->addAction(u"Д&обавить сценарий"_s, this, &TfrMain::miAddScenarioClick);
        items.DelScenario = menu->addAction(u"Удалить с&ценарий"_s, this, &TfrMain::miDelScenarioClick);
        menu->addSeparator();
        items.Copy = menu->addAction(u"&Копировать сценарий"_s, this, &TfrMain::pmmiCopyScenarioClick);
        items.Cut = menu->addAction(u"&Вырезать сценарий"_s, this, &TfrMain::pmmiCutScenarioClick);
        items.Paste = menu->addAction(u"В&ставить сценарий"_s, this, &TfrMain::pmmiPutScenarioClick);
    };
    Ui.miEdit = menuBar()->addMenu(u"&Редактировать"_s);
    fill(Ui.miEdit, {Ui.miAddGroup, Ui.miDelGroup, Ui.miAddScenario, Ui.miDelScenario, Ui.miCopyScenario,
                     Ui.miCutScenario, Ui.miPutScenario});
    Ui.pmEdit = new QMenu(this);
    fill(Ui.pmEdit, {Ui.pmmiAddGroup, Ui.pmmiDelGroup, Ui.pmmiAddScenario, Ui.pmmiDelScenario, Ui.pmmiCopyScenario,
                     Ui.pmmiCutScenario, Ui.pmmiPutScenario});
    BuildScheduleMenus();
}

void TfrMain::BuildStatusBar()
{
    Ui.lbFilePath = new QLabel(this);
    Ui.lbFilePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Ui.lbModified = new QLabel(u"Изменён"_s, this);
    Ui.lbModified->setVisible(false);
    Ui.lbSaved = new QLabel(this);
    Ui.lbSaved->setVisible(false);
    statusBar()->addWidget(Ui.lbFilePath, 1);
    statusBar()->addPermanentWidget(Ui.lbSaved);
    statusBar()->addPermanentWidget(Ui.lbModified);
}

void TfrMain::ShowModifiedState(bool modified)
{
    if (!Ui.lbModified)
        return;
    Ui.lbModified->setVisible(modified);
    // What was saved is true only until the next change.
    if (modified)
        Ui.lbSaved->setVisible(false);
    setWindowModified(modified);
}

void TfrMain::ShowFilePath()
{
    const QString path = FromModel(Project.FileName);
    Ui.lbFilePath->setText(path);
    Ui.lbFilePath->setToolTip(path);
    ShowTitle();
}

void TfrMain::ShowSaved(const QString &what)
{
    Ui.lbSaved->setText(u"Сохранено: "_s + what);
    Ui.lbSaved->setToolTip(what);
    Ui.lbSaved->setVisible(!Modified);
    // An export of a changed project: said for a while, without claiming the project is saved.
    if (Modified)
        statusBar()->showMessage(u"Записано: "_s + what, 10000);
}

QString TfrMain::ProjectFilter()
{
    return u"Проект Велтара ЛВ (.vlpj) (*.vlpj)"_s;
}

QString TfrMain::ExchangeFilter()
{
    return u"Файл csv (*.csv);;Excel файл (*.xls *.xlsx)"_s;
}

QString TfrMain::ImportFilter()
{
    return u"Файл csv (*.csv);;Excel файл (*.xls *.xlsx *.ods)"_s;
}
