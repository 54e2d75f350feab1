#include "ui/dialogs/copyprogress.h"

#include "ui/widgets/modeltext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

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
    lbName = new TElidedLabel(this);
    lbName->setObjectName(u"lbName"_s);
    lbTarget = new TElidedLabel(this);
    lbTarget->setObjectName(u"lbTarget"_s);
    pbBytes = new QProgressBar(this);
    pbBytes->setObjectName(u"pbBytes"_s);
    pbTotal = new QProgressBar(this);
    pbTotal->setObjectName(u"pbTotal"_s);
    for (QProgressBar *bar : {pbBytes, pbTotal}) {
        bar->setRange(0, 1000);
        bar->setTextVisible(false);
    }
    lbBytes = new QLabel(this);
    lbBytes->setObjectName(u"lbBytes"_s);
    auto *lbTotal = new QLabel(u"Всего:"_s, this);
    lbState = new QLabel(this);
    lbState->setObjectName(u"lbState"_s);
    lbState->hide();
    btStop = new QPushButton(u"Остановить"_s, this);
    btStop->setObjectName(u"btStop"_s);
    btStop->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbFile);
    layout->addWidget(lbName);
    layout->addWidget(lbTarget);
    layout->addWidget(pbBytes);
    layout->addWidget(lbBytes);
    layout->addWidget(lbTotal);
    layout->addWidget(pbTotal);
    auto *row = new QHBoxLayout;
    row->addWidget(lbState);
    row->addStretch();
    row->addWidget(btStop);
    layout->addLayout(row);
    connect(btStop, &QPushButton::clicked, this, &TfrCopyProgress::btStopClick);
}

QString TfrCopyProgress::BytesText(uint64_t done, uint64_t total)
{
    return FromModel(Megabytes(done)) + u" из "_s + FromModel(Megabytes(total)) + u" МБ"_s;
}

void TfrCopyProgress::ShowProgress(const TCopyProgress &progress)
{
    lbFile->setText(u"Файл %1 из %2"_s.arg(progress.FileIndex).arg(progress.FileCount));
    lbName->SetFullText(FromModel(progress.Source));
    lbTarget->SetFullText(u"→ "_s + FromModel(progress.Target));
    const uint64_t fileShare = progress.BytesTotal == 0 ? 1000 : progress.BytesDone * 1000 / progress.BytesTotal;
    pbBytes->setValue(int(fileShare));
    // Files count alike whatever their size: the run's total bytes are not known beforehand.
    const size_t count = std::max<size_t>(progress.FileCount, 1), done = std::min(progress.FileIndex, count);
    pbTotal->setValue(int(((done > 0 ? done - 1 : 0) * 1000 + fileShare) / count));
    lbBytes->setText(BytesText(progress.BytesDone, progress.BytesTotal));
}

void TfrCopyProgress::btStopClick()
{
    FStop = true;
    btStop->setEnabled(false);
    lbState->setText(u"Остановка: дописываются уже начатые файлы…"_s);
    lbState->show();
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

TElidedLabel::TElidedLabel(QWidget *parent) : QLabel(parent)
{
    setMinimumWidth(480);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void TElidedLabel::SetFullText(const QString &text)
{
    Full = text;
    setToolTip(text);
    Elide();
}

void TElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    Elide();
}

void TElidedLabel::Elide()
{
    const int room = std::max(width(), minimumWidth()) - 2 * margin() - 2 * indent();
    setText(fontMetrics().elidedText(Full, Qt::ElideMiddle, std::max(room, 0)));
}

TCopyReport CopyTracksWithProgress(QWidget *parent, const std::vector<std::string> &playList, const std::string &target,
                                   TLogSink &log, const TCopyOptions &given)
{
    TfrCopyProgress dialog(parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    TQueuedLog queued(dialog, log);
    TCopyReport report;
    std::exception_ptr error;
    // The copy runs beside the event loop so that a slow card never freezes the windows;
    // everything it tells the window travels as queued calls on the dialog.
    std::thread worker([&, playList] {
        try {
            TCopyOptions options = given;
            options.Progress = [&dialog](const TCopyProgress &progress) {
                QMetaObject::invokeMethod(
                    &dialog, [&dialog, progress] { dialog.ShowProgress(progress); }, Qt::QueuedConnection);
            };
            options.Stop = &dialog.StopRequested();
            report = CopyTracks(playList, target, queued, options);
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
    return report;
}
