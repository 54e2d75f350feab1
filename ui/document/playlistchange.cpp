#include "ui/document/playlistchange.h"

#include "ui/document/projectdocument.h"

TPlayListChange::TPlayListChange(TProjectDocument &document, std::vector<std::string> after, const QString &text)
    : QUndoCommand(text), Document(document), Before(document.PlayList()), After(std::move(after))
{}

void TPlayListChange::undo()
{
    Document.PlayList() = Before;
    Document.NotifyPlayList();
}

void TPlayListChange::redo()
{
    Document.PlayList() = After;
    Document.NotifyPlayList();
}
