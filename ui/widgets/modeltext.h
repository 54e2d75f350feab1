#pragma once

#include <QString>
#include <string_view>

/// A model text (UTF-8) as a QString; QString::toStdString gives the way back.
inline QString FromModel(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
