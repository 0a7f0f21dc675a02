// The yardstick of bench_startup: the least a Qt Widgets program does to show one window.
// It prints "idle" once the window has been painted and the event queue has run dry, then quits.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <sys/resource.h>

namespace {
// Shown means painted: until then no pixel of the window is on the screen.
class PaintSeen : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Çekiliş"));
    window.resize(700, 595);
    PaintSeen paint;
    window.installEventFilter(&paint);
    window.show();
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, &app, [&] {
        if (!paint.painted || !window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
        std::printf("idle %.1f\n", ms(usage.ru_utime) + ms(usage.ru_stime));
        std::fflush(stdout);
        app.quit();
    });
    idle.start(0);
    return app.exec();
}
