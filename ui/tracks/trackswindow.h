#pragma once

#include "device/trackinfo.h"
#include "device/tracklist.h"

#include <QWidget>
#include <vector>

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TTrackPlayer;
class TfrMain;

/// "Треки": every track the scenarios use and every playlist line, with what its file holds
/// (problems first, in red), and below them the tracks still playing when a later bell starts.
/// Not modal: it looks again whenever it is shown or activated (unchanged files cost a stat).
class TTracksWindow : public QWidget
{
    Q_OBJECT
public:
    /// The tracks of project and its playList; a double-click edits a line through main.
    TTracksWindow(TfrMain &main, const TProject &project, const std::vector<std::string> &playList);
    ~TTracksWindow() override;

    /// Inspects the playlist again and refills both lists.
    void Refresh();
    /// The rows as listed, top to bottom.
    const std::vector<TTrackRow> &Rows() const { return FRows; }

    QTreeWidget *tvTracks;
    QListWidget *lbOverlaps;
    QLabel *lbSummary;
    QPushButton *btPlay;
    QPushButton *btRefresh;

public slots:
    void btPlayClick();
    /// Opens the playlist editor on the line of the row (the whole playlist, so nothing is dropped).
    void tvTracksDoubleClick(QTreeWidgetItem *item);

protected:
    bool event(QEvent *event) override;

private:
    void UpdatePlayButton();

    TfrMain &Main;
    const TProject &Project;
    const std::vector<std::string> &PlayList;
    TTrackCache Cache;
    std::vector<TTrackRow> FRows;
    TTrackPlayer *Player;
    bool HasOutput;
};

/// Adds the command that shows the window (one per main window, made on first use) to menu.
QAction *AddTracksWindowCommand(TfrMain &main, const TProject &project, const std::vector<std::string> &playList,
                                QMenu &menu);
