#pragma once
// Internal to the toolkit's sources: the one conversion of the program's UTF-8 text into Qt's.

#include <QString>
#include <string>

inline QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
