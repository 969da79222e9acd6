#pragma once

#include <fstream>
#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Files the window tests lay out and read back.
namespace TestFiles {

// Creates the missing directories above path; false when anything could not be written.
inline bool WriteFile(const QString& path, const std::string& content)
{
    if (!QDir{}.mkpath(QFileInfo{path}.path())) {
        return false;
    }
    std::ofstream out{path.toStdString(), std::ios::binary | std::ios::trunc};
    out << content;
    return static_cast<bool>(out.flush());
}

// The file's text as UTF-8, empty when it cannot be read.
inline QString ReadFile(const QString& path)
{
    QFile file{path};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

} // namespace TestFiles
