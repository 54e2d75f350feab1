#pragma once

#include <QUndoCommand>

#include <cstdint>
#include <string>

class TProjectDocument;

/// The project name and the device type from one pair to another (the settings, the two links).
class TProjectInfoChange : public QUndoCommand
{
public:
    TProjectInfoChange(TProjectDocument &document, std::string name, int32_t deviceType, const QString &text);

    void undo() override;
    void redo() override;

private:
    void Apply(const std::string &name, int32_t deviceType);

    TProjectDocument &Document;
    std::string BeforeName, AfterName;
    int32_t BeforeType, AfterType;
};
