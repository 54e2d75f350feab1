#pragma once

#include <QUndoCommand>

#include <string>
#include <vector>

class TProjectDocument;

/// The playlist from one list of lines to another (the playlist editor's OK).
class TPlayListChange : public QUndoCommand
{
public:
    TPlayListChange(TProjectDocument &document, std::vector<std::string> after, const QString &text);

    void undo() override;
    void redo() override;

private:
    TProjectDocument &Document;
    std::vector<std::string> Before, After;
};
