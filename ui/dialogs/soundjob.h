#pragma once

#include "device/sounds.h"

#include <QObject>
#include <QString>

class QThread;

/// Makes one sound file on a thread of its own, so that a long announcement does not freeze the
/// window; Done comes back on the window's thread. One job at a time.
class TSoundJob : public QObject
{
    Q_OBJECT
public:
    explicit TSoundJob(QObject *parent = nullptr) : QObject(parent) {}
    /// Waits for a running job: it writes into files its owner may remove next.
    ~TSoundJob() override;

    bool Running() const { return Thread != nullptr; }
    /// Starts writing the sound to path with its words file (WriteSoundPair); nothing when a job runs already.
    void Start(const std::string &path, const TSoundRecipe &recipe);

signals:
    /// The job ended: error is "" when the file was written, else the operator's text of why not;
    /// loudness is the file's as it decodes.
    void Done(const QString &error, const TLoudness &loudness);

private:
    QThread *Thread = nullptr;
};
