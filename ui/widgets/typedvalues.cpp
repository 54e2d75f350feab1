#include "ui/widgets/typedvalues.h"

#include "schedule/bells.h"
#include "schedule/groupedit.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

std::optional<TTypedTime> ReadTypedTime(const QString &text)
{
    // With a separator the minutes take two digits; without one the last two digits are the minutes.
    static const QRegularExpression shape(u"^(?:([0-9]{1,2})[:.]([0-9]{2})|([0-9]{1,2})([0-9]{2}))$"_s);
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool separated = !match.captured(1).isEmpty();
    const int hour = match.captured(separated ? 1 : 3).toInt();
    const int minute = match.captured(separated ? 2 : 4).toInt();
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return TTypedTime{hour, minute};
}

std::optional<int32_t> ReadTypedNumber(const QString &text, int32_t min, int32_t max)
{
    static const QRegularExpression shape(u"^-?[0-9]{1,9}$"_s);
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const int32_t value = text.toInt();
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

QString TimeRefusal()
{
    return u"Время не записано: введите часы от 0 до 23 и минуты от 00 до 59, например 8:30, 08.30 или 0830"_s;
}

QString TrackRefusal()
{
    return u"Трек не записан: номер трека от 1 до "_s + QString::number(MaxTrack);
}

QString VolumeRefusal()
{
    return u"Громкость не записана: громкость от 0 до "_s + QString::number(MaxVolume);
}
