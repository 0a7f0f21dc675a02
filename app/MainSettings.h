#pragma once

#include <QObject>
#include <QString>

class QTimer;
class QWidget;

// The kept settings of the "Ayarlar" page in the main window's section of "Ayar.Ini": each
// setting names the control (by its design name) whose value it holds. Reading applies every
// setting the file has and leaves the other controls as they are; a setting that cannot be
// applied is skipped. Saving writes them all; a file that cannot be written keeps its old
// content and the operator is told.
void readMainSettings(QWidget& window, const QString& fileName);
void saveMainSettings(const QWidget& window, const QString& fileName);
// The same write without telling; false when the file could not be written.
bool writeMainSettings(const QWidget& window, const QString& fileName);

// Writes the settings soon after any kept setting changes, so a crash keeps them: quick changes
// (a spin box held down, a path typed) are gathered into one write DelayMs after the last one.
// The bytes are those the close writes. A file that cannot be written is told about once.
class TSettingsAutoSave : public QObject
{
    Q_OBJECT

public:
    TSettingsAutoSave(QWidget& window, QString fileName);

    static constexpr int DelayMs = 400;

private:
    void save();

    QWidget& m_window;
    QString m_fileName;
    QTimer* m_timer;
    bool m_told = false;
};
