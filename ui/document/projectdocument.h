#pragma once

#include "model/type.h"

#include <QObject>
#include <QUndoStack>

#include <string>
#include <vector>

/// The open project with its playlist, file name and unsaved state, and the undo stack through
/// which every edit of them passes. Views listen to its signals; none of them changes the project.
class TProjectDocument : public QObject
{
    Q_OBJECT
public:
    /// The document over the run's single project; the playlist is its own.
    explicit TProjectDocument(TProject &project, QObject *parent = nullptr);

    TProject &Project() { return FProject; }
    const TProject &Project() const { return FProject; }
    std::vector<std::string> &PlayList() { return FPlayList; }
    const std::vector<std::string> &PlayList() const { return FPlayList; }
    QUndoStack &Stack() { return FStack; }

    /// Unsaved changes: the stack away from its clean state, or marked so by a command that can not
    /// be undone (a new project before its first save).
    bool Modified() const { return !FStack.isClean(); }
    /// True marks the project changed for good; false marks the current state as saved.
    void SetModified(bool modified);

    /// Runs an undo command (its redo applies the change) as one step named in its text.
    void Do(QUndoCommand *command);
    /// Ends the merging of typed edits: the next keystroke starts a step of its own.
    void CloseTyping() { ++FTypingSerial; }
    int TypingSerial() const { return FTypingSerial; }

    /// After a load, new or close: the project and playlist were replaced outside the stack,
    /// so there is nothing to undo and nothing unsaved. The window shows the new project itself.
    void Reopened();
    /// Tells the views of the whole project to look again (Changed only).
    void NotifyViews() { emit Changed(); }

    // The commands call these after changing the model, in redo and undo alike.
    void NotifyScenario(int g, int s);
    void NotifyGroup(int g);
    void NotifyProjectInfo();
    void NotifyPlayList();
    void NotifyReplaced();

signals:
    /// A scenario's fields changed (or it was added or deleted).
    void ScenarioChanged(int g, int s);
    /// A group record changed: its name, zones, or several of its scenarios at once.
    void GroupChanged(int g);
    /// The project name or the device type changed.
    void ProjectInfoChanged();
    void PlayListChanged();
    /// The whole project was replaced (open, new, close, import or its undo).
    void ProjectReplaced();
    /// Any of the above: for views that show the whole project (the week chart, the tracks window).
    void Changed();
    void ModifiedChanged(bool modified);

private:
    TProject &FProject;
    std::vector<std::string> FPlayList;
    QUndoStack FStack;
    int FTypingSerial = 0;
};
