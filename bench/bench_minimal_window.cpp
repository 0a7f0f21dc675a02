// The yardstick of bench_startup: the least a Qt Widgets program does to show one window.
// It prints "idle" once the window has been painted and the event queue has run dry, then quits.
#include "IdleReport.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Çekiliş"));
    window.resize(700, 595);
    IdleReport report(window, [&] { app.quit(); });
    window.show();
    return app.exec();
}
