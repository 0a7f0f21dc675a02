#pragma once

#include <QString>

class QApplication;

// The program's title, as the window system and the audience's title page show it.
inline QString programTitle()
{
    return QStringLiteral("ZEVORINT Çekiliş Programı");
}

// Everything the program sets up before its main window: its name, Turkish captions on the
// standard buttons of the message and file boxes ("Evet", "Hayır", "İptal") and the real message
// boxes. Shared with the start-up benchmark, so it measures what the program really does.
void setUpApplication(QApplication& app);
