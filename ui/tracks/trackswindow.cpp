#include "ui/tracks/trackswindow.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "schedule/overlaps.h"
#include "ui/dialogs/playlist.h"
#include "ui/document/projectdocument.h"
#include "ui/tracks/loudnessscan.h"
#include "ui/tracks/trackplayer.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/screenfit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum TColumn {
    ColTrack,
    ColFile,
    ColStatus,
    ColDuration,
    ColLufs,
    ColPeak,
    ColFormat, // the last: it stretches
};

bool Playable(const TTrackRow &row)
{
    return row.Info->Status == TTrackStatus::Ok || row.Info->Status == TTrackStatus::Damaged;
}

/// A column whose text wraps at word ends over as many lines as it needs, in the column's width:
/// a state and its reasons are read whole, where a path is cut in the middle.
class TWrappingColumn : public QStyledItemDelegate
{
public:
    explicit TWrappingColumn(QTreeWidget &tree) : QStyledItemDelegate(&tree), Tree(tree)
    {
        // Narrower or wider, the rows take their new heights.
        connect(tree.header(), &QHeaderView::sectionResized, this, [this] { Tree.doItemsLayout(); });
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        // The style wraps only within a valid rectangle: the column's width, any height. The text
        // is drawn a little narrower than the style measures it, so the measure leaves a margin.
        QStyleOptionViewItem wrapped(option);
        const int margin = 2 * (Tree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, &Tree) + 1);
        wrapped.rect = QRect(0, 0, Tree.columnWidth(index.column()) - margin, QWIDGETSIZE_MAX);
        return QStyledItemDelegate::sizeHint(wrapped, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::WrapText;
        option->textElideMode = Qt::ElideNone;
    }

private:
    QTreeWidget &Tree;
};

} // namespace

TTracksWindow::TTracksWindow(TProjectDocument &document, QWidget &owner)
    : QWidget(&owner, Qt::Window), Project(document.Project()), PlayList(document.PlayList()),
      Scan(new TLoudnessScan(this)), Player(new TTrackPlayer(this)), HasOutput(TTrackPlayer::HasAudioOutput())
{
    setObjectName(u"frTracks"_s);
    setWindowTitle(u"Треки"_s);
    resize(1040, 520);

    tvTracks = new QTreeWidget(this);
    tvTracks->setObjectName(u"tvTracks"_s);
    tvTracks->setRootIsDecorated(false);
    tvTracks->setUniformRowHeights(false); // a long state takes two lines or more
    tvTracks->setHeaderLabels(
        {u"№"_s, u"Файл"_s, u"Состояние"_s, u"Длительность"_s, u"LUFS"_s, u"Пик, dBTP"_s, u"Формат"_s});
    // Long paths are cut in the middle, with the whole text in the tooltip; the state wraps.
    tvTracks->setTextElideMode(Qt::ElideMiddle);
    tvTracks->setItemDelegateForColumn(ColStatus, new TWrappingColumn(*tvTracks));
    tvTracks->header()->setSectionResizeMode(QHeaderView::Interactive);
    tvTracks->header()->setStretchLastSection(true);
    tvTracks->setColumnWidth(ColTrack, 50);
    tvTracks->setColumnWidth(ColFile, 300);
    tvTracks->setColumnWidth(ColStatus, 320);
    tvTracks->setColumnWidth(ColDuration, 100);
    tvTracks->setColumnWidth(ColLufs, 70);
    tvTracks->setColumnWidth(ColPeak, 80);

    lbOverlaps = new QListWidget(this);
    lbOverlaps->setObjectName(u"lbOverlaps"_s);
    lbOverlaps->setWordWrap(true);
    lbSummary = new QLabel(this);

    btPlay = new QPushButton(u"Прослушать"_s, this);
    btPlay->setObjectName(u"btPlay"_s);
    if (!HasOutput)
        btPlay->setToolTip(u"В системе нет звукового выхода"_s);
    btRefresh = new QPushButton(u"Обновить"_s, this);
    btRefresh->setObjectName(u"btRefresh"_s);
    btEditSound = new QPushButton(u"Изменить звук…"_s, this);
    btEditSound->setObjectName(u"btEditSound"_s);
    btEditSound->setToolTip(u"Создать звук строки плейлиста заново; слова объявления берутся из файла рядом с ним"_s);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btPlay);
    buttons->addWidget(btRefresh);
    buttons->addWidget(btEditSound);
    buttons->addSpacing(12);
    buttons->addWidget(lbSummary, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tvTracks, 3);
    layout->addWidget(new QLabel(u"Наложения звука"_s, this));
    layout->addWidget(lbOverlaps, 1);
    layout->addLayout(buttons);

    connect(btPlay, &QPushButton::clicked, this, &TTracksWindow::btPlayClick);
    connect(btRefresh, &QPushButton::clicked, this, &TTracksWindow::Refresh);
    connect(btEditSound, &QPushButton::clicked, this, &TTracksWindow::btEditSoundClick);
    connect(Scan, &TLoudnessScan::Measured, this, &TTracksWindow::FillLoudness);
    connect(tvTracks, &QTreeWidget::itemDoubleClicked, this, &TTracksWindow::tvTracksDoubleClick);
    connect(tvTracks, &QTreeWidget::currentItemChanged, this, &TTracksWindow::UpdatePlayButton);
    connect(Player, &TTrackPlayer::Finished, this, &TTracksWindow::UpdatePlayButton);
    UpdatePlayButton();
}

TTracksWindow::~TTracksWindow() = default;

void TTracksWindow::Refresh()
{
    const int current = CurrentRow();
    FRows = InspectPlayList(Project, PlayList, Cache);
    ProblemsFirst(FRows);
    const TOverlaps overlaps = FindOverlaps(Project, TrackDurations(FRows));

    tvTracks->clear();
    StatusTexts.clear();
    Stamps.clear();
    std::vector<std::string> measured;
    int problems = 0;
    for (const TTrackRow &row : FRows) {
        std::string status = TrackStatusText(*row.Info);
        if (!row.Used)
            status += "; не используется в сценариях";
        auto *item = new QTreeWidgetItem(tvTracks);
        item->setText(ColTrack, QString::number(row.Track));
        item->setText(ColFile, row.Path.empty() ? u"—"_s : FromModel(row.Path));
        StatusTexts.push_back(FromModel(status));
        Stamps.push_back(Playable(row) ? TLoudnessScan::StampOf(row.Path) : TLoudnessScan::TStamp{-1, 0});
        if (Playable(row))
            measured.push_back(row.Path);
        item->setText(ColDuration, row.Info->Seconds > 0 ? FromModel(DurationText(row.Info->Seconds)) : QString());
        item->setText(ColFormat, FromModel(TrackFormatText(*row.Info)));
        for (int c : {ColFile, ColFormat})
            item->setToolTip(c, item->text(c));
        if (row.Info->Status != TTrackStatus::Ok) {
            ++problems;
            for (int c = 0; c <= ColFormat; ++c)
                item->setForeground(c, Qt::red);
        }
    }
    FillLoudness();
    Scan->Measure(measured);
    lbOverlaps->clear();
    for (const TOverlap &overlap : overlaps.Listed)
        lbOverlaps->addItem(FromModel(OverlapText(Project, overlap)));
    if (const std::string more = MoreOverlapsText(overlaps); !more.empty())
        lbOverlaps->addItem(FromModel(more));
    lbSummary->setText(u"Треков с ошибками: %1, наложений звука: %2"_s.arg(problems).arg(overlaps.Total));
    if (current >= 0 && current < tvTracks->topLevelItemCount())
        tvTracks->setCurrentItem(tvTracks->topLevelItem(current));
    UpdatePlayButton();
}

void TTracksWindow::FillLoudness()
{
    std::vector<TLoudness> levels(FRows.size());
    std::vector<bool> known(FRows.size(), false);
    for (size_t i = 0; i < FRows.size(); ++i)
        if (Playable(FRows[i]))
            if (const auto found = Scan->Known(FRows[i].Path, Stamps[i])) {
                levels[i] = *found;
                known[i] = true;
            }
    const std::vector<bool> outliers = LoudnessOutliers(levels);
    for (size_t i = 0; i < FRows.size() && int(i) < tvTracks->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = tvTracks->topLevelItem(int(i));
        const bool measured = known[i] && levels[i].Measured;
        // Pending while the scan works on it; a dash for a silent track or one not measured.
        const QString pending = Playable(FRows[i]) && !known[i] ? u"…"_s : u"—"_s;
        item->setText(ColLufs, measured ? FromModel(DecibelText(levels[i].Lufs)) : pending);
        item->setText(ColPeak, measured ? FromModel(DecibelText(levels[i].TruePeakDb)) : pending);
        QString status = StatusTexts[i];
        if (outliers[i]) {
            status += u"; "_s + FromModel(LoudnessOutlierText);
            item->setForeground(ColLufs, QColor(0xC0, 0x60, 0x00));
            item->setToolTip(ColLufs, FromModel(LoudnessOutlierText));
        } else if (FRows[i].Info->Status == TTrackStatus::Ok) {
            item->setData(ColLufs, Qt::ForegroundRole, QVariant());
            item->setToolTip(ColLufs, QString());
        }
        item->setText(ColStatus, status);
        item->setToolTip(ColStatus, status);
    }
}

int TTracksWindow::CurrentRow() const
{
    return tvTracks->currentItem() ? tvTracks->indexOfTopLevelItem(tvTracks->currentItem()) : -1;
}

void TTracksWindow::UpdatePlayButton()
{
    if (Player->IsPlaying()) {
        btPlay->setText(u"Остановить"_s);
        btPlay->setEnabled(true);
        return;
    }
    btPlay->setText(u"Прослушать"_s);
    const int index = CurrentRow();
    const bool row = index >= 0 && index < int(FRows.size());
    btPlay->setEnabled(HasOutput && row && Playable(FRows[index]));
    btEditSound->setEnabled(row && FRows[index].PlayListLine >= 0);
}

void TTracksWindow::btPlayClick()
{
    if (Player->IsPlaying()) {
        Player->Stop();
        return;
    }
    const int index = CurrentRow();
    if (!HasOutput || index < 0 || index >= int(FRows.size()) || !Playable(FRows[index]))
        return;
    Player->Play(FRows[index].Path); // a failure propagates to the one place that shows errors
    UpdatePlayButton();
}

void TTracksWindow::tvTracksDoubleClick(QTreeWidgetItem *item)
{
    const int index = tvTracks->indexOfTopLevelItem(item);
    if (index < 0 || index >= int(FRows.size()))
        return;
    const TTrackRow row = FRows[index];

    emit PlayListLineChosen(row.PlayListLine, row.Track);
    Refresh();
}

void TTracksWindow::btEditSoundClick()
{
    const int index = CurrentRow();
    if (index < 0 || index >= int(FRows.size()) || FRows[index].PlayListLine < 0)
        return;
    Player->Stop(); // the file may be made again
    emit SoundEditChosen(FRows[index].PlayListLine);
    Refresh();
}

bool TTracksWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        Refresh();
    else if (event->type() == QEvent::Hide)
        Player->Stop(); // a closed window plays nothing on
    return QWidget::event(event);
}

QAction *AddTracksWindowCommand(QWidget &owner, TProjectDocument &document, QMenu &menu,
                                std::function<void(TTracksWindow &)> made)
{
    QAction *action = menu.addAction(u"&Треки ..."_s);
    QObject::connect(action, &QAction::triggered, &owner, [&owner, &document, made = std::move(made)] {
        auto *window = owner.findChild<TTracksWindow *>();
        if (!window) {
            window = new TTracksWindow(document, owner);
            made(*window);
        }
        FitToAvailableScreen(*window);
        window->show();
        window->raise();
        window->activateWindow();
    });
    return action;
}
