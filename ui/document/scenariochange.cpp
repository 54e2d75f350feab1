#include "ui/document/scenariochange.h"

#include "ui/document/projectdocument.h"

namespace {

constexpr int ScenarioTypingId = 100;

} // namespace

TScenarioChange::TScenarioChange(TProjectDocument &document, int g, int s, const TScenario &after, const QString &text,
                                 int typingField)
    : QUndoCommand(text), Document(document), G(g), S(s), Before(document.Project().Groups[g].Scenarios[s]),
      After(after), Field(typingField), Serial(document.TypingSerial())
{}

void TScenarioChange::undo()
{
    Document.Project().Groups[G].Scenarios[S] = Before;
    Document.NotifyScenario(G, S);
}

void TScenarioChange::redo()
{
    Document.Project().Groups[G].Scenarios[S] = After;
    Document.NotifyScenario(G, S);
}

int TScenarioChange::id() const
{
    return Field < 0 ? -1 : ScenarioTypingId + Field;
}

bool TScenarioChange::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const TScenarioChange *>(other);
    if (next->G != G || next->S != S || next->Serial != Serial)
        return false;
    After = next->After;
    // Typed back to what it was: no step at all.
    setObsolete(After == Before);
    return true;
}
