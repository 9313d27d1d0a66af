// The program's own failures: an exception carrying a French message for the
// user. The main window's command routing shows any std::exception's what()
// (UTF-8) in a message box, and the editor stays usable.
#pragma once
#include <QString>
#include <stdexcept>

namespace orugif {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

} // namespace orugif
