#include "ui/widgets/validators.h"

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

bool TTimeValidator::IsTimeOrPart(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^([0-9]{0,2})(?::([0-9]{0,2}))?$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return false;
    const QString hour = match.captured(1);
    const QString minute = match.captured(2);
    if (hour.size() == 2 && hour.toInt() > 23)
        return false;
    return minute.isEmpty() || minute[0] <= u'5';
}

QValidator::State TTimeValidator::validate(QString &input, int &) const
{
    if (!IsTimeOrPart(input))
        return Invalid;
    const qsizetype colon = input.indexOf(u':');
    const bool complete = colon >= 1 && input.size() - colon - 1 == 2;
    return complete ? Acceptable : Intermediate;
}
