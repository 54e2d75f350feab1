#include "ui/copyprogress.h"

#include "ui/modeltext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

QString Megabytes(uint64_t bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1).replace(u'.', u',');
}

// Hands the worker's log lines to the window's thread; they queue behind each other in order.
class TQueuedLog : public TLogSink
{
public:
    TQueuedLog(QObject &receiver, TLogSink &log) : Receiver(receiver), Log(log) {}
    void ClearLog() override
    {
        QMetaObject::invokeMethod(
            &Receiver, [&log = Log] { log.ClearLog(); }, Qt::QueuedConnection);
    }
    void AddLog(std::string_view line) override
    {
        QMetaObject::invokeMethod(
            &Receiver, [&log = Log, text = std::string(line)] { log.AddLog(text); }, Qt::QueuedConnection);
    }

private:
    QObject &Receiver;
    TLogSink &Log;
};

} // namespace

TfrCopyProgress::TfrCopyProgress(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"frCopyProgress"_s);
    setWindowTitle(u"Запись на SD-Карту MP3 ЛВ"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lbFile = new QLabel(this);
    lbFile->setObjectName(u"lbFile"_s);
    lbName = new QLabel(this);
    lbName->setObjectName(u"lbName"_s);
    lbName->setMinimumWidth(480);
    lbName->setWordWrap(true);
    pbBytes = new QProgressBar(this);
    pbBytes->setObjectName(u"pbBytes"_s);
    pbBytes->setRange(0, 1000);
    pbBytes->setTextVisible(false);
    lbBytes = new QLabel(this);
    lbBytes->setObjectName(u"lbBytes"_s);
    btStop = new QPushButton(u"Остановить"_s, this);
    btStop->setObjectName(u"btStop"_s);
    btStop->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbFile);
    layout->addWidget(lbName);
    layout->addWidget(pbBytes);
    layout->addWidget(lbBytes);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(btStop);
    layout->addLayout(row);
    connect(btStop, &QPushButton::clicked, this, &TfrCopyProgress::btStopClick);
}

QString TfrCopyProgress::BytesText(uint64_t done, uint64_t total)
{
    return Megabytes(done) + u" из "_s + Megabytes(total) + u" МБ"_s;
}

void TfrCopyProgress::ShowProgress(const TCopyProgress &progress)
{
    lbFile->setText(u"Файл %1 из %2"_s.arg(progress.FileIndex).arg(progress.FileCount));
    lbName->setText(FromModel(progress.Source) + u"\n→ "_s + FromModel(progress.Target));
    pbBytes->setValue(progress.BytesTotal == 0 ? 1000 : int(progress.BytesDone * 1000 / progress.BytesTotal));
    lbBytes->setText(BytesText(progress.BytesDone, progress.BytesTotal));
}

void TfrCopyProgress::btStopClick()
{
    FStop = true;
    btStop->setEnabled(false);
}

void TfrCopyProgress::Finish()
{
    FFinished = true;
    QDialog::done(QDialog::Accepted);
}

void TfrCopyProgress::closeEvent(QCloseEvent *event)
{
    // Leaving the window while files are still being written would leave the run unwatched.
    if (FFinished) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    btStopClick();
}

void TfrCopyProgress::reject()
{
    if (FFinished)
        QDialog::reject();
    else
        btStopClick();
}

bool CopyTracksWithProgress(QWidget *parent, const std::vector<std::string> &playList, const std::string &target,
                            TLogSink &log)
{
    TfrCopyProgress dialog(parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    TQueuedLog queued(dialog, log);
    bool allCopied = false;
    std::exception_ptr error;
    // The copy runs beside the event loop so that a slow card never freezes the windows;
    // everything it tells the window travels as queued calls on the dialog.
    std::thread worker([&, playList] {
        try {
            allCopied = CopyTracks(
                playList, target, queued,
                [&dialog](const TCopyProgress &progress) {
                    QMetaObject::invokeMethod(
                        &dialog, [&dialog, progress] { dialog.ShowProgress(progress); }, Qt::QueuedConnection);
                },
                &dialog.StopRequested());
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&dialog, &TfrCopyProgress::Finish, Qt::QueuedConnection);
    });
    dialog.exec();
    // The loop can end early only when the application is quitting: stop at the next file.
    dialog.btStopClick();
    worker.join();
    QCoreApplication::sendPostedEvents(&dialog, QEvent::MetaCall);
    if (error)
        std::rethrow_exception(error);
    return allCopied;
}
