#pragma once

// How bench_startup and bench_minimal_window tell that a window is up: both children must
// stop at exactly the same moment for their figures to compare.
#include "ProcessUsage.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <utility>

// Once the window has been painted (until then no pixel of it is on the screen), is exposed
// and the event queue has run dry, prints "idle <processor ms used so far>" and calls `then`.
class IdleReport : public QObject
{
public:
    IdleReport(QWidget& window, std::function<void()> then) : m_window(window), m_then(std::move(then))
    {
        window.installEventFilter(this);
        connect(&m_idle, &QTimer::timeout, this, [this] { check(); });
        m_idle.start(0);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    void check()
    {
        if (!m_painted || !m_window.windowHandle() || !m_window.windowHandle()->isExposed())
            return;
        std::printf("idle %.1f\n", processCpuMs());
        std::fflush(stdout);
        m_idle.stop();
        m_then();
    }

    QWidget& m_window;
    std::function<void()> m_then;
    QTimer m_idle;
    bool m_painted = false;
};
