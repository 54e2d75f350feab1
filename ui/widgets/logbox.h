#pragma once

#include "device/log.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>

class QPlainTextEdit;

/// The log box's content. The first LogShownLimit lines show as they come; when more come, one
/// line counts those left out and the latest one follows it (the check's total comes last), so
/// even a check that writes millions of lines leaves a box the window can handle.
class TLogBox : public TLogSink
{
public:
    static constexpr int LogShownLimit = 10000;

    explicit TLogBox(QPlainTextEdit &box) : Box(box) {}

    void ClearLog() override;
    void AddLog(std::string_view line) override; // UTF-8
    void AddLine(const QString &line);

    /// Outside a batch a line shows at once, except past the limit, where the count and the latest
    /// line are brought up to date when the event loop next runs (a flood then costs nothing).
    /// While a batch is open, lines are collected and shown together when the last batch ends.
    void BeginBatch() { ++Batch; }
    void EndBatch();

    /// Lines that came but are not shown.
    int64_t LeftOut() const { return Hidden > 1 ? Hidden - 1 : 0; }
    /// The text of the line that counts the left-out lines.
    static QString LeftOutText(int64_t count);

private:
    void Flush();
    /// Past the limit, lines outside a batch only update the tail when the event loop next runs.
    void FlushLater();

    QPlainTextEdit &Box;
    int Shown = 0;            // lines in the box or pending, up to the limit
    int64_t Hidden = 0;       // lines past the limit
    std::string Latest;       // the latest line past the limit
    QStringList Pending;      // lines collected during a batch
    int TailBlocks = 0;       // lines at the end of the box that show Hidden and Latest
    bool TailPending = false; // those lines need rewriting
    int Batch = 0;
    bool FlushQueued = false;
};

/// Opens a log batch for the life of the object: bulk output shows in one go at its end.
class TLogBatch
{
public:
    explicit TLogBatch(TLogBox &log) : Log(log) { Log.BeginBatch(); }
    ~TLogBatch() { Log.EndBatch(); }
    TLogBatch(const TLogBatch &) = delete;
    TLogBatch &operator=(const TLogBatch &) = delete;

private:
    TLogBox &Log;
};
