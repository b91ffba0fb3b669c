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

private:
    QString message_;
};

} // namespace hsa
