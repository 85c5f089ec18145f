#pragma once

#include <QString>

#include <filesystem>
#include <ostream>

// Lets GoogleTest show a QString as text in a failure.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pelmora::test {

inline QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace pelmora::test
