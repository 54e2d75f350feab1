#pragma once

#include "device/sounds.h"

#include <QDialog>
#include <QTemporaryDir>

#include <functional>

class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TProjectDocument;
class TSoundJob;
class TTrackPlayer;

/// "Создать звук": a bell tone or a spoken announcement made here, heard before it is kept, and
/// added to the playlist as one undoable step. The MP3 goes where the operator says (beside the
/// project by default); an announcement's words go into a note beside it, and the dialog opened for
/// a playlist line with such a note fills them back. Our dialog: Escape closes it.
class TfrSound : public QDialog
{
    Q_OBJECT
public:
    /// playListLine: the playlist line (0-based) whose sound is made again, or -1 for a new one.
    TfrSound(TProjectDocument &document, Prompts &prompts, int playListLine = -1, QWidget *parent = nullptr);
    ~TfrSound() override;

    /// The sound as the fields describe it.
    TSoundRecipe Recipe() const;

    QRadioButton *rbBell = nullptr;
    QComboBox *cbBellKind = nullptr; // school, chime, gong
    QSpinBox *seSeconds = nullptr;
    QRadioButton *rbSpeech = nullptr;
    QPlainTextEdit *mmText = nullptr;
    QCheckBox *cbChime = nullptr; // "Гонг перед объявлением"
    QLabel *lbState = nullptr;
    QPushButton *btListen = nullptr; // "Прослушать"
    QSpinBox *seTrack = nullptr;
    QPushButton *btAdd = nullptr; // "Добавить в плейлист как трек N"
    QCheckBox *cbMore = nullptr;  // "Создать ещё": the dialog stays open after adding

public slots:
    void btListenClick();
    void btAddClick();

protected:
    void reject() override;

private:
    /// Why the fields make no sound (an empty or too long text); "" when they do.
    QString Problem() const;
    /// Starts the job; then runs when it wrote the file.
    void Make(const QString &path, std::function<void(const TLoudness &)> then);
    void ShowState(const QString &text, bool failure = false);
    void UpdateButtons();
    /// The file the dialog proposes for a new sound of track.
    QString ProposedPath(int32_t track) const;
    /// The playlist line of the sound the job wrote (with its words file) at path, as one step.
    void Keep(const QString &path, int32_t track, int line);

    TProjectDocument &Document;
    Prompts &FPrompts;
    int PlayListLine;
    TSoundJob *Job;
    TTrackPlayer *Player;
    bool HasOutput;
    QTemporaryDir Scratch; // what is made for listening
    std::function<void(const TLoudness &)> AfterJob;
};
