// The program's own failures: an exception carrying a French message for the
// user. The main window's command routing shows any std::exception's what()
// (UTF-8) in a message box, and the editor stays usable.
#pragma once
#include <QString>
#include <new>
#include <stdexcept>

namespace orugif {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// What the user reads when memory ran out during an operation.
inline QString outOfMemoryMessage()
{
    return QStringLiteral("Mémoire insuffisante : l'opération a été annulée.");
}

// The message of any failure, in the user's words: running out of memory
// reads as such instead of the library's bare exception name.
inline QString messageOf(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return outOfMemoryMessage();
    return QString::fromUtf8(e.what());
}

} // namespace orugif
