#pragma once

#include "ui/document/projectdocument.h"

/// The window's flag of unsaved changes, read and assigned like a bool. It is the document's undo
/// stack: true marks the project changed for good, false marks the current step as saved.
class TChangeFlag
{
public:
    explicit TChangeFlag(TProjectDocument &document) : Document(document) {}
    TChangeFlag(const TChangeFlag &) = delete;
    TChangeFlag &operator=(const TChangeFlag &) = delete;

    TChangeFlag &operator=(bool value)
    {
        Document.SetModified(value);
        return *this;
    }
    operator bool() const { return Document.Modified(); }

private:
    TProjectDocument &Document;
};
