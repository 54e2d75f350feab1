#pragma once

#include "ui/dialogs/dialogframe.h"

#include <string>
#include <vector>

class Prompts;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TfrInputValue;
struct TReviewLine;

/// Playlist editor "Плейлист": the track lines "Трек:<n> Путь:<path>" of the card writer. Its
/// fields start blank each time it opens, and no line without a track number above 0 gets in.
class TfrPlayList : public TSmallDialog
{
    Q_OBJECT
public:
    /// prompts: for the MP3 file dialog and the number prompt; inputValue: the shared text prompt.
    TfrPlayList(Prompts &prompts, TfrInputValue &inputValue, QWidget *parent = nullptr);

    QListWidget *lbPlayList;
    QLineEdit *edNumber; // display only
    QLineEdit *edPath;
    QPushButton *Button1; // "Найти"
    QPushButton *btAdd;
    QPushButton *btDelete; // "Удалить": the highlighted line goes
    QPushButton *btOk;

    /// All lines of the list, top to bottom.
    QStringList Lines() const;
    /// Appends a line of the card writer's review (TReviewLine); apart: shown in grey, after the
    /// used tracks' lines. PlayList gives it back as Back unless the operator changes it.
    void AddReviewLine(const TReviewLine &line, bool apart);
    /// The playlist the lines give, top to bottom: a review line left alone as its Back, every other
    /// line turned back by PlayListLineFromDialog.
    std::vector<std::string> PlayList() const;

public slots:
    void lbPlayListClick();
    void Button1Click();
    void btAddClick();
    void btDeleteClick();
    void btOkClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// The number for a new line from the shared text prompt, shown blank; "" when the prompt is
    /// closed or the text is no whole number above 0 (the operator is told).
    QString AskTrackNumber();
    void SyncToolTips(int first, int last);
    /// The highlighted line: the selected one, else the current one; nullptr when none.
    QListWidgetItem *HighlightedLine() const;

    Prompts &FPrompts;
    TfrInputValue &FInputValue;
};
