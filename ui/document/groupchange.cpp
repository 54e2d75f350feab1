#include "ui/document/groupchange.h"

#include "ui/document/projectdocument.h"

namespace {

constexpr int GroupTypingId = 200;

} // namespace

TGroupChange::TGroupChange(TProjectDocument &document, std::vector<TRecord> records, const QString &text, bool typing)
    : QUndoCommand(text), Document(document), Records(std::move(records)), Typing(typing),
      Serial(document.TypingSerial())
{
    for (const TRecord &record : Records)
        Before.push_back(document.Project().Groups[record.G]);
}

TGroupChange::TGroupChange(TProjectDocument &document, int g, const TGroup &after, const QString &text, bool typing)
    : TGroupChange(document, std::vector<TRecord>{{g, after}}, text, typing)
{}

void TGroupChange::undo()
{
    // Backwards, so a group named twice ends as it was before the first.
    for (size_t i = Records.size(); i-- > 0;)
        Document.Project().Groups[Records[i].G] = Before[i];
    Notify();
}

void TGroupChange::redo()
{
    for (const TRecord &record : Records)
        Document.Project().Groups[record.G] = record.After;
    Notify();
}

void TGroupChange::Notify()
{
    for (const TRecord &record : Records)
        Document.NotifyGroup(record.G);
}

int TGroupChange::id() const
{
    return Typing ? GroupTypingId : -1;
}

bool TGroupChange::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const TGroupChange *>(other);
    if (next->Serial != Serial || Records.size() != 1 || next->Records.size() != 1 ||
        next->Records[0].G != Records[0].G)
        return false;
    Records[0].After = next->Records[0].After;
    setObsolete(Records[0].After == Before[0]);
    return true;
}
