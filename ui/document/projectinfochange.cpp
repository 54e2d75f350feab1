#include "ui/document/projectinfochange.h"

#include "ui/document/projectdocument.h"

TProjectInfoChange::TProjectInfoChange(TProjectDocument &document, std::string name, int32_t deviceType,
                                       const QString &text)
    : QUndoCommand(text), Document(document), BeforeName(document.Project().Name), AfterName(std::move(name)),
      BeforeType(document.Project().DeviceType), AfterType(deviceType)
{}

void TProjectInfoChange::undo()
{
    Apply(BeforeName, BeforeType);
}

void TProjectInfoChange::redo()
{
    Apply(AfterName, AfterType);
}

void TProjectInfoChange::Apply(const std::string &name, int32_t deviceType)
{
    Document.Project().Name = name;
    Document.Project().DeviceType = deviceType;
    Document.NotifyProjectInfo();
}
