#include "ui/widgets/validators.h"

#include "ui/widgets/typedvalues.h"

#include "model/codepage.h"

#include <QRegularExpression>

QValidator::State TCp1251Validator::validate(QString &input, int &) const
{
    return FitsCp1251(input.toStdString()) ? Acceptable : Invalid;
}

QValidator::State TFieldNameValidator::validate(QString &input, int &pos) const
{
    if (input.contains(u';'))
        return Invalid;
    return TCp1251Validator::validate(input, pos);
}

QValidator::State TNumberValidator::validate(QString &input, int &) const
{
    // Ten digits reach past the 32-bit range, which stores 0 as before; more would only hide that.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,10}$"));
    static const QRegularExpression signedDigits(QStringLiteral("^-?[0-9]{0,10}$"));
    const QRegularExpression &pattern = MinusAllowed ? signedDigits : digits;
    if (!pattern.match(input).hasMatch())
        return Invalid;
    return input.isEmpty() || input == u"-" ? Intermediate : Acceptable;
}

QValidator::State TTimeValidator::validate(QString &input, int &) const
{
    // Digits with at most one separator; whether they make a time the page tells in red.
    static const QRegularExpression shape(QStringLiteral("^(?:[0-9]{0,4}|[0-9]{0,2}[:.][0-9]{0,2})$"));
    if (!shape.match(input).hasMatch())
        return Invalid;
    return ReadTypedTime(input) ? Acceptable : Intermediate;
}
