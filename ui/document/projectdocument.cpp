#include "ui/document/projectdocument.h"

// Each step keeps a copy of the records it changed; a limit keeps a long session's memory bounded
// (1000 steps of the largest kind, a whole group, stay under 5 MB).
constexpr int UndoLimit = 1000;

TProjectDocument::TProjectDocument(TProject &project, QObject *parent) : QObject(parent), FProject(project)
{
    FStack.setUndoLimit(UndoLimit);
    connect(&FStack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit ModifiedChanged(!clean); });
}

void TProjectDocument::SetModified(bool modified)
{
    if (modified)
        FStack.resetClean();
    else
        FStack.setClean();
}

void TProjectDocument::Do(QUndoCommand *command)
{
    FStack.push(command);
}

void TProjectDocument::Reopened()
{
    FStack.clear();
    FStack.setClean();
    ++FTypingSerial;
    NotifyViews();
}

void TProjectDocument::NotifyScenario(int g, int s)
{
    emit ScenarioChanged(g, s);
    emit Changed();
}

void TProjectDocument::NotifyGroup(int g)
{
    emit GroupChanged(g);
    emit Changed();
}

void TProjectDocument::NotifyProjectInfo()
{
    emit ProjectInfoChanged();
    emit Changed();
}

void TProjectDocument::NotifyPlayList()
{
    emit PlayListChanged();
    emit Changed();
}

void TProjectDocument::NotifyReplaced()
{
    emit ProjectReplaced();
    emit Changed();
}
