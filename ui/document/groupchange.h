#pragma once

#include "model/type.h"

#include <QUndoCommand>

#include <vector>

class TProjectDocument;

/// Whole group records from one state to another: add, delete, name, zones, a paste between two
/// groups, the bell generator and the group-wide edits. Typing in the group name merges as in
/// TScenarioChange.
class TGroupChange : public QUndoCommand
{
public:
    struct TRecord
    {
        int G;
        TGroup After;
    };

    TGroupChange(TProjectDocument &document, std::vector<TRecord> records, const QString &text, bool typing = false);
    /// One group.
    TGroupChange(TProjectDocument &document, int g, const TGroup &after, const QString &text, bool typing = false);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    void Notify();

    TProjectDocument &Document;
    std::vector<TRecord> Records;
    std::vector<TGroup> Before;
    bool Typing;
    int Serial;
};
