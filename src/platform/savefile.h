#pragma once

#include <QByteArray>
#include <QString>

// Where saved listings and chart pictures go, and how they are written.
namespace SaveFile {

// "c:\Quillobarent" on Windows; elsewhere the folder "Quillobarent" in the user's home.
QString saveFolder();

// Where saving goes when the save folder cannot be created: on Windows the user's Documents
// folder (a locked-down machine refuses new folders at the root of c:), elsewhere the home folder.
QString fallbackFolder();

// Creates the save folder when missing (one level). Returns the folder the save dialog should
// open in: the save folder, or the fallback folder where it cannot be created.
QString prepareSaveFolder(const QString &folder = saveFolder(),
                          const QString &fallback = fallbackFolder());

// Writes data to path through QSaveFile: an existing file is replaced only by a complete new
// one. Empty data is refused as a failed encoding, and the path is not touched. On failure
// returns false and puts the reason into *why.
bool writeAtomically(const QString &path, const QByteArray &data, QString *why);

} // namespace SaveFile
