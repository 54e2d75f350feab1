#pragma once

#include "device/log.h"
#include "device/trackcopy.h"

#include <QDialog>
#include <QLabel>

#include <atomic>
#include <string>
#include <vector>

class QProgressBar;
class QPushButton;

/// One line of text shortened in the middle to fit its width, so that both ends of a long path
/// stay readable; the whole text is its tooltip.
class TElidedLabel : public QLabel
{
public:
    explicit TElidedLabel(QWidget *parent = nullptr);
    void SetFullText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Elide();
    QString Full;
};

/// The card writer's progress window: which file of how many, its name and card file (long
/// paths shortened in the middle, whole in the tooltip), its bytes, the whole run, and a button
/// that stops the run before the next file. Only the end of the run closes it; the close box and
/// Escape ask for a stop like the button.
class TfrCopyProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TfrCopyProgress(QWidget *parent = nullptr);

    QLabel *lbFile;         // "Файл 3 из 40"
    TElidedLabel *lbName;   // the source
    TElidedLabel *lbTarget; // "→ " and its card file
    QLabel *lbBytes;        // "1,5 из 5,0 МБ"
    QProgressBar *pbBytes;  // the current file
    QProgressBar *pbTotal;  // the whole run
    QLabel *lbState;        // after a stop: the files already started are being finished
    QPushButton *btStop;

    /// Shows where the run stands.
    void ShowProgress(const TCopyProgress &progress);
    /// Set once the operator asked to stop; the copy reads it from its own thread.
    const std::atomic<bool> &StopRequested() const { return FStop; }

    /// The bytes text of the window: megabytes with one decimal, "1,5 из 5,0 МБ".
    static QString BytesText(uint64_t done, uint64_t total);

public slots:
    void btStopClick();
    /// Ends the modal loop: the run is over.
    void Finish();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    std::atomic<bool> FStop = false;
    bool FFinished = false;
};

/// Runs the copy stage on a worker thread while the progress window is shown modally over
/// parent: the main window keeps painting but takes no commands. Log lines reach log on this
/// thread, in order, as the copy writes them; options.Remake, when given, makes each track over on
/// the worker thread (progress and stop are the window's own). Returns what CopyTracks returns.
TCopyReport CopyTracksWithProgress(QWidget *parent, const std::vector<std::string> &playList, const std::string &target,
                                   TLogSink &log, const TCopyOptions &options = {});
