#pragma once

#include "model/type.h"

#include <QUndoCommand>

#include <string>
#include <vector>

class TProjectDocument;

/// The whole project and playlist replaced by others (an import); undo gives the previous ones back.
class TProjectReplace : public QUndoCommand
{
public:
    TProjectReplace(TProjectDocument &document, const TProject &after, std::vector<std::string> playList,
                    const QString &text);

    void undo() override;
    void redo() override;

private:
    void Apply(const TProject &project, const std::vector<std::string> &playList);

    TProjectDocument &Document;
    TProject Before, After;
    std::vector<std::string> BeforeList, AfterList;
};
