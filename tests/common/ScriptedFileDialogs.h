#pragma once

#include "FileDialogs.h"

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Replaces the open and save dialogs for the lifetime of the object: records every request
// (kind, title, folder, classic filter, default extension) and answers from a script. An empty
// name, or an exhausted script, means the user cancelled. Like the real save dialog, a saved
// name typed without any dot gets the default extension, and the overwrite question it would ask
// counts as answered Yes.
class ScriptedFileDialogs
{
public:
    ScriptedFileDialogs()
    {
        previous = setFileDialogHandler([this](QWidget*, const FileDialogRequest& request) {
            requests << request;
            if (onShow)
                onShow(request);
            QString name = names.isEmpty() ? QString() : names.takeFirst();
            // As Qt's dialog does: only a name without any dot gets the extension ("sonuc." does not).
            if (request.kind == FileDialogRequest::Save && !name.isEmpty() && !request.defaultExt.isEmpty() &&
                !QFileInfo(name).fileName().contains(QLatin1Char('.')))
                name += QLatin1Char('.') + request.defaultExt;
            return name;
        });
    }
    ~ScriptedFileDialogs() { setFileDialogHandler(std::move(previous)); }
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void setNextFileName(const QString& name) { names << name; }
    void clear()
    {
        names.clear();
        requests.clear();
    }
    const FileDialogRequest& last() const { return requests.last(); }

    QList<FileDialogRequest> requests;
    QStringList names;
    std::function<void(const FileDialogRequest&)> onShow; // runs while the "dialog" is up

private:
    FileDialogHandler previous;
};
