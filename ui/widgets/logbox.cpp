#include "ui/widgets/logbox.h"

#include "ui/widgets/modeltext.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

using namespace Qt::StringLiterals;

QString TLogBox::LeftOutText(int64_t count)
{
    return u"... не показано строк: "_s + QString::number(count);
}

void TLogBox::ClearLog()
{
    Box.clear();
    Shown = 0;
    Hidden = 0;
    Latest.clear();
    Pending.clear();
    TailBlocks = 0;
    TailPending = false;
}

void TLogBox::AddLog(std::string_view line)
{
    if (Shown < LogShownLimit) {
        AddLine(FromModel(line));
        return;
    }
    // Past the limit only the count and the latest line are kept: millions of lines cost nothing.
    ++Hidden;
    Latest.assign(line);
    TailPending = true;
    FlushLater();
}

void TLogBox::AddLine(const QString &line)
{
    if (Shown < LogShownLimit) {
        ++Shown;
        Pending.push_back(line);
        if (Batch == 0)
            Flush();
        return;
    }
    ++Hidden;
    Latest = line.toStdString();
    TailPending = true;
    FlushLater();
}

void TLogBox::FlushLater()
{
    if (Batch > 0 || FlushQueued)
        return;
    FlushQueued = true;
    QTimer::singleShot(0, &Box, [this] {
        FlushQueued = false;
        if (Batch == 0)
            Flush();
    });
}

void TLogBox::EndBatch()
{
    if (Batch > 0 && --Batch == 0)
        Flush();
}

void TLogBox::Flush()
{
    if (!Pending.isEmpty()) {
        Box.appendPlainText(Pending.join(u'\n'));
        Pending.clear();
    }
    if (!TailPending)
        return;
    TailPending = false;
    QTextDocument *document = Box.document();
    if (TailBlocks > 0 && document->blockCount() > TailBlocks) {
        QTextBlock first = document->lastBlock();
        for (int i = 1; i < TailBlocks; ++i)
            first = first.previous();
        QTextCursor cursor(document);
        cursor.setPosition(first.position() - 1); // the line break before the tail goes too
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    QString tail = FromModel(Latest);
    TailBlocks = 1;
    if (Hidden > 1) {
        tail = LeftOutText(Hidden - 1) + u'\n' + tail;
        TailBlocks = 2;
    }
    Box.appendPlainText(tail);
}
