#include "ui/document/projectreplace.h"

#include "ui/document/projectdocument.h"

TProjectReplace::TProjectReplace(TProjectDocument &document, const TProject &after, std::vector<std::string> playList,
                                 const QString &text)
    : QUndoCommand(text), Document(document), Before(document.Project()), After(after), BeforeList(document.PlayList()),
      AfterList(std::move(playList))
{}

void TProjectReplace::undo()
{
    Apply(Before, BeforeList);
}

void TProjectReplace::redo()
{
    Apply(After, AfterList);
}

void TProjectReplace::Apply(const TProject &project, const std::vector<std::string> &playList)
{
    Document.Project() = project;
    Document.PlayList() = playList;
    Document.NotifyReplaced();
}
