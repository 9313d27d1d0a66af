// The notepad's file "OruGif.nte": one plain-text note kept in the user's
// data folder, read when the editor starts and written when it closes.
#pragma once
#include <QString>
#include <optional>

namespace orugif::accessories {

// The note file's place: "OruGif.nte" in the application's data folder.
QString notePath();
// The note's text, nothing when there is no file yet; invalid UTF-8 is
// replaced. A file that cannot be read raises the French file error.
std::optional<QString> loadNote(const QString& path);
// Writes the note completely or not at all (the previous file stays); the
// folder is made when missing. A failure raises the French file error.
void saveNote(const QString& path, const QString& text);

} // namespace orugif::accessories
