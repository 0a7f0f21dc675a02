#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so a failure
// at any point leaves the previous file whole and no temporary file behind.
// Throws EFileError: "Cannot create file" when the temporary file cannot be made,
// "Cannot write file" when writing or the rename fails.
void SaveFileAtomically(const QString& path, const QByteArray& bytes);

// The notice shown when a file the operator expects on disk could not be written; it names the
// file and says that its previous contents are untouched.
QString SaveFailedText(const QString& path);
