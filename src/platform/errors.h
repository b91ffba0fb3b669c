#pragma once
#include <QString>
#include <stdexcept>

namespace hsa {

// An input or output error of a file or stream.  The message is German and is
// meant for the user as it stands ("Datei %s kann nicht geöffnet werden").
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

    // The program's messages for a file or folder it could not use, the path
    // shown with the system's separators:
    // "Datei <path> kann nicht geöffnet werden",
    static FileError cannotOpen(const QString& path);
    // "Datei <path> kann nicht erstellt werden",
    static FileError cannotCreate(const QString& path);
    // "Verzeichnis <path> kann nicht erstellt werden".
    static FileError cannotCreateFolder(const QString& path);

private:
    QString message_;
};

} // namespace hsa
