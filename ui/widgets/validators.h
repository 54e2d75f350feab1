#pragma once

#include <QValidator>

/// Refuses typed or pasted text that the project file's code page can not hold.
class TCp1251Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

/// For group and scenario names: also refuses ";", which separates the fields of their lines in
/// the project file, so a name holding it would shift the scenario's time and track on reading.
class TFieldNameValidator : public TCp1251Validator
{
public:
    using TCp1251Validator::TCp1251Validator;
    State validate(QString &input, int &pos) const override;
};

/// Track and volume: decimal digits only, so no typed letter quietly stores 0. A leading minus
/// is taken only while the box shows a stored negative value, so that value stays editable.
class TNumberValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
    void SetMinusAllowed(bool allowed) { MinusAllowed = allowed; }

private:
    bool MinusAllowed = false;
};

/// The time box: digits with at most one ":" or "."; a time ReadTypedTime takes is Acceptable,
/// other such texts Intermediate (shown red by the page), anything else refused.
class TTimeValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
