#pragma once

class QString;
class QWidget;

// The kept settings of the "Ayarlar" page in the main window's section of "Ayar.Ini": each
// setting names the control (by its design name) whose value it holds. Reading applies every
// setting the file has and leaves the other controls as they are; a setting that cannot be
// applied is skipped. Saving writes them all; a file that cannot be written keeps its old
// content and the operator is told.
void readMainSettings(QWidget& window, const QString& fileName);
void saveMainSettings(const QWidget& window, const QString& fileName);
