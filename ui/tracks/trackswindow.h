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
class TLoudnessScan;
class TTrackPlayer;
class TProjectDocument;

/// "Треки": every track the scenarios use and every playlist line, with what its file holds
/// (problems first, in red) and how loud it is, and below them the tracks still playing when a
/// later bell starts. Not modal: it looks again whenever it is shown or activated (unchanged files
/// cost a stat); loudness is measured on a thread of its own and filled in as it comes.
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
    QPushButton *btEditSound; // "Изменить звук…"

public slots:
    void btPlayClick();
    /// Opens the playlist editor on the line of the row (the whole playlist, so nothing is dropped).
    void tvTracksDoubleClick(QTreeWidgetItem *item);
    void btEditSoundClick();

signals:
    /// A double-click asks for playlist line playListLine (-1: none yet, for track) to be edited.
    void PlayListLineChosen(int playListLine, int32_t track);
    /// "Изменить звук…" asks for the sound of playlist line playListLine to be made again.
    void SoundEditChosen(int playListLine);

protected:
    bool event(QEvent *event) override;

private:
    void UpdatePlayButton();
    /// The loudness columns and marks from what the scan knows so far.
    void FillLoudness();
    /// The row of the current item, or -1.
    int CurrentRow() const;

    const TProject &Project;
    const std::vector<std::string> &PlayList;
    TTrackCache Cache;
    std::vector<TTrackRow> FRows;
    std::vector<QString> StatusTexts;                // per row, before any loudness mark
    std::vector<std::pair<int64_t, int64_t>> Stamps; // per row: the file's size and time as inspected
    TLoudnessScan *Scan;
    TTrackPlayer *Player;
    bool HasOutput;
};

/// Adds the command that shows the window (one per owner, made on first use) to menu; made is
/// called once with the new window.
QAction *AddTracksWindowCommand(QWidget &owner, TProjectDocument &document, QMenu &menu,
                                std::function<void(TTracksWindow &)> made);
