#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The open and save dialogs of the program. Filters come in the classic form: pairs of a
// description and its patterns separated by '|', patterns within a pair separated by ';'
// ("Txt Dosyaları|*.txt|Tüm Dosyalar|*.*"). Pattern matching ignores case, so "*.WAV" also
// lists "zil.wav". Both functions return the full path of the chosen file, or an empty string
// when the user cancels.
struct FileDialogRequest
{
    enum Kind
    {
        Open,
        Save
    };
    Kind kind = Open;
    QString title;      // empty: the dialog's standard title
    QString initialDir; // empty: the current folder
    QString filter;     // classic form, as passed by the caller
    QString defaultExt; // save only: appended, after a dot, to a name typed without extension
};

// Lets the user pick an existing file.
QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir, const QString& vclFilter);
// Lets the user name a file to write; asks before an existing file is replaced. The name comes
// back with defaultExt added when its last component has none ("sonuc." too); when that makes it
// name an existing file, AskSoru asks again about the final name, and No means cancelled.
QString getSaveFileName(QWidget* parent, const QString& title, const QString& initialDir, const QString& vclFilter,
                        const QString& defaultExt = {});
QString overwriteQuestion(const QString& fileName);

// A chosen path is kept in the program's files in code page 1254. One holding a character the
// code page lacks would name no file after a restart: the operator is told (unstorablePathText)
// and false is returned, so the caller keeps what it had.
bool checkStorablePath(const QString& path);
QString unstorablePathText(const QString& path);

// Qt's form of a classic filter, one entry per pair: "Txt Dosyaları (*.txt)". "*.*" means every
// file, as it does in the classic form, and becomes "*". A description without patterns is
// dropped; an empty filter gives no entries (every file is listed).
QStringList qtNameFilters(const QString& vclFilter);

// fileName with "." + ext appended when its last component has no extension (and ext is not
// empty); otherwise fileName unchanged.
QString withDefaultExtension(const QString& fileName, const QString& ext);

// Replaces the dialogs (tests script the chosen name); an empty function restores the real
// QFileDialog. Returns the previous handler.
using FileDialogHandler = std::function<QString(QWidget* parent, const FileDialogRequest& request)>;
FileDialogHandler setFileDialogHandler(FileDialogHandler handler);
