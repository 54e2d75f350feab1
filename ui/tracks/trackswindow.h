#pragma once

#include <functional>

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
class TProjectDocument;

/// "Треки": every track the scenarios use and every playlist line, with what its file holds
/// (problems first, in red), and below them the tracks still playing when a later bell starts.
/// Not modal: it looks again whenever it is shown or activated (unchanged files cost a stat).
class TTracksWindow : public QWidget
{
    Q_OBJECT
public:
    /// The tracks of the document's project and playlist, a window of its own over owner.
    TTracksWindow(TProjectDocument &document, QWidget &owner);
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

signals:
    /// A double-click asks for playlist line playListLine (-1: none yet, for track) to be edited.
    void PlayListLineChosen(int playListLine, int32_t track);

protected:
    bool event(QEvent *event) override;

private:
    void UpdatePlayButton();

    const TProject &Project;
    const std::vector<std::string> &PlayList;
    TTrackCache Cache;
    std::vector<TTrackRow> FRows;
    TTrackPlayer *Player;
    bool HasOutput;
};

/// Adds the command that shows the window (one per owner, made on first use) to menu; made is
/// called once with the new window.
QAction *AddTracksWindowCommand(QWidget &owner, TProjectDocument &document, QMenu &menu,
                                std::function<void(TTracksWindow &)> made);
