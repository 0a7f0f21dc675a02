// Start-up time of the program against a minimal Qt Widgets window, measured in one run.
//
// Each start is a fresh process: the parent starts it and stops the clock when the child
// reports that its window is painted and its event queue has run dry. The program is started
// in an empty folder and in a folder holding a 1,000,000-record "Kisi.Ini".
//
//   build/bench/bench_startup [runs]          (offscreen unless QT_QPA_PLATFORM says otherwise)
#include "ApplicationSetUp.h"
#include "IdleReport.h"
#include "MainU.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
// Child: what main.cpp does, with the program folder pointed at the given folder.
int runProgram(int argc, char* argv[], const QString& folder)
{
    QApplication app(argc, argv);
    setUpApplication(app);
    setProgramFolder(folder);
    TMainF window;
    // Leave without closing: the measured part ends here and the folder stays as it was.
    IdleReport report(window, [] { std::_Exit(0); });
    window.show();
    return app.exec();
}

struct Start
{
    double wallMs = -1; // from starting the process to its report
    double cpuMs = -1;  // processor time the child had used by then (less disturbed by a busy machine)
};

Start startOnce(const QString& program, const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    while (child.state() != QProcess::NotRunning || child.bytesAvailable())
    {
        const QByteArray line = child.canReadLine() ? child.readLine() : QByteArray();
        if (line.startsWith("idle"))
        {
            Start start;
            start.wallMs = clock.nsecsElapsed() / 1e6;
            start.cpuMs = line.mid(5).trimmed().toDouble();
            child.waitForFinished(10000);
            return start;
        }
        child.waitForReadyRead(50);
    }
    std::fprintf(stderr, "%s ended without reporting idle\n", qPrintable(program));
    return {};
}

// Every shared library this process has loaded; the benchmark links the same libraries as the
// program, so preloading them gives the minimal window the program's loading costs.
QByteArray loadedLibraries()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> libraries;
    for (const QByteArray& line : maps.readAll().split('\n'))
    {
        const int slash = line.indexOf('/');
        const QByteArray path = slash < 0 ? QByteArray() : line.mid(slash).trimmed();
        if (path.contains(".so") && !path.contains("ld-linux") && !libraries.contains(path))
            libraries << path;
    }
    return libraries.join(':');
}

Start median(const std::vector<Start>& starts)
{
    std::vector<double> wall, cpu;
    for (const Start& s : starts)
    {
        wall.push_back(s.wallMs);
        cpu.push_back(s.cpuMs);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    if (starts.empty())
        return {};
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// The participant file as the program writes it: 84-byte records, name and extra information.
bool writeParticipants(const QString& path, int count)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray chunk;
    chunk.reserve(84 * 10000);
    for (int i = 0; i < count; ++i)
    {
        char record[84] = {};
        record[0] = 1;
        std::snprintf(record + 1, 41, "Kat\xfdl\xfdmc\xfd %07d", i + 1);
        record[42] = 1;
        std::snprintf(record + 43, 41, "\xddl %d", i % 81 + 1);
        chunk.append(record, sizeof record);
        if (chunk.size() >= 84 * 10000)
        {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return f.error() == QFile::NoError;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "--program-in") == 0)
        return runProgram(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString self = QCoreApplication::applicationFilePath();
    const QString minimal = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_minimal_window");

    QTemporaryDir empty;
    QTemporaryDir loaded;
    std::printf("writing a 1,000,000-record Kisi.Ini ...\n");
    std::fflush(stdout);
    if (!writeParticipants(loaded.filePath(QStringLiteral("Kisi.Ini")), 1000000))
    {
        std::fprintf(stderr, "cannot write the participant file\n");
        return 1;
    }

    const QByteArray preload = loadedLibraries();
    std::vector<Start> tMinimal, tMinimalLibs, tEmpty, tLoaded;
    // Interleaved, so a slow moment of the machine hits all alike.
    for (int i = 0; i < runs; ++i)
    {
        tMinimal.push_back(startOnce(minimal, {}));
        qputenv("LD_PRELOAD", preload);
        tMinimalLibs.push_back(startOnce(minimal, {}));
        qunsetenv("LD_PRELOAD");
        tEmpty.push_back(startOnce(self, {QStringLiteral("--program-in"), empty.path()}));
        tLoaded.push_back(startOnce(self, {QStringLiteral("--program-in"), loaded.path()}));
    }
    const Start m = median(tMinimal), ml = median(tMinimalLibs), e = median(tEmpty), l = median(tLoaded);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0; };
    std::printf("platform: %s, runs: %d (medians; wall clock, and processor time of the child)\n",
                qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("minimal Qt Widgets window           : %8.1f ms wall %8.1f ms cpu\n", m.wallMs, m.cpuMs);
    std::printf(
        "minimal window, program's libraries : %8.1f ms wall %8.1f ms cpu  (what loading the libraries costs)\n",
        ml.wallMs, ml.cpuMs);
    std::printf("program, empty folder               : %8.1f ms wall %8.1f ms cpu  (%.2f x / %.2f x minimal; target "
                "<= 1.5 x)\n",
                e.wallMs, e.cpuMs, ratio(e.wallMs, m.wallMs), ratio(e.cpuMs, m.cpuMs));
    std::printf(
        "                                        (%.2f x / %.2f x the minimal window with the program's libraries)\n",
        ratio(e.wallMs, ml.wallMs), ratio(e.cpuMs, ml.cpuMs));
    std::printf(
        "program, 1,000,000-record Kisi.Ini  : %8.1f ms wall %8.1f ms cpu  (+%.1f ms wall over empty; target <= "
        "1000 ms)\n",
        l.wallMs, l.cpuMs, l.wallMs - e.wallMs);
    return 0;
}
