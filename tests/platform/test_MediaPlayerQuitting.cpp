#include "MediaPlayer.h"
#include "common/FixturePath.h"

#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

// Once the application has been asked to quit, every nested event loop returns at once. A
// handler that still runs then (the end of a draw whose window was closed during the reveal)
// may open a sound; the open must give up rather than wait for events that never come.
// This has a program of its own: after the quit request no later test could wait for events.
class TestMediaPlayerQuitting : public QObject
{
    Q_OBJECT

    // A hang would spin inside Open, where no Qt timer can fire: end the program from outside.
    class Watchdog
    {
    public:
        explicit Watchdog(std::chrono::seconds limit)
            : thread([this, limit] {
                  std::unique_lock lock(mutex);
                  if (!done.wait_for(lock, limit, [this] { return finished; }))
                  {
                      std::fputs("FAIL: Open did not return after the quit request\n", stderr);
                      std::_Exit(1);
                  }
              })
        {}
        ~Watchdog()
        {
            {
                std::lock_guard lock(mutex);
                finished = true;
            }
            done.notify_one();
            thread.join();
        }

    private:
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::thread thread;
    };

private slots:
    void openAfterQuitRequestGivesUp()
    {
        TMediaPlayer p;
        p.setFileName(fixturePath("media/short.wav"));
        QCoreApplication::exit(0);

        Watchdog watchdog(std::chrono::seconds(30));
#ifdef Q_OS_WIN
        // MCI opens the file inside its own command, needing no event loop: the open succeeds.
        p.Open();
        QVERIFY(p.isOpen());
#else
        QVERIFY_THROWS_EXCEPTION(EMCIDeviceError, p.Open());
        QVERIFY(!p.isOpen());
#endif
    }
};

QTEST_MAIN(TestMediaPlayerQuitting)
#include "test_MediaPlayerQuitting.moc"
