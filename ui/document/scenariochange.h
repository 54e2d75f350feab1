#pragma once

#include "model/type.h"

#include <QUndoCommand>

class TProjectDocument;

/// One scenario slot from one state to another: a field edit, an added or a deleted scenario.
/// Keystrokes in one field of one scenario merge into one step until the field is left.
class TScenarioChange : public QUndoCommand
{
public:
    /// typingField >= 0 names the field being typed into (its steps merge); -1 for a step of its own.
    TScenarioChange(TProjectDocument &document, int g, int s, const TScenario &after, const QString &text,
                    int typingField = -1);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    TProjectDocument &Document;
    int G, S;
    TScenario Before, After;
    int Field;
    int Serial;
};
