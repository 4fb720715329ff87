// Timings users wait on in the desktop program (run by hand, offscreen or on a display):
//   start-up: from starting "Vantor -SP --simulate" to its main window shown (the process ends
//             right after, so the figure also holds its exit);
//   10,000 information lines appended, the window scrolled to the end and painted.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "devices/DeviceLibrary.h"
#include "widgets/InfoView.h"

int main(int argc, char *argv[]) {
    QApplication qapp(argc, argv);
    const QString program = QString::fromStdString((vantor::executableDirectory() / "Vantor").string());
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    std::vector<double> startups;
    for (int run = 0; run < 7; ++run) {
        QProcess p;
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(program, {QStringLiteral("-SP"), QStringLiteral("--simulate"), QStringLiteral("--quit-when-shown")});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            std::fprintf(stderr, "Vantor did not start: %s\n",
                         qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
            return 1;
        }
        if (run > 0) startups.push_back(double(t.nsecsElapsed()) / 1e6);  // the first run warms the caches
    }
    std::sort(startups.begin(), startups.end());
    std::printf("start-up to main window (median of %zu, min %.0f, max %.0f): %.0f ms\n", startups.size(),
                startups.front(), startups.back(), startups[startups.size() / 2]);

    vantor::ui::InfoView view;
    view.resize(700, 500);
    view.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    const QColor colours[] = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(200, 0, 125), QColor(0, 0, 0)};
    for (int i = 0; i < 10000; ++i)
        view.appendText(QStringLiteral("Programming [Code Memory]... block %1 of 10000\n").arg(i + 1), colours[i % 4],
                        i % 3 == 0);
    QApplication::processEvents();
    view.repaint();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const bool atEnd = view.verticalScrollBar()->value() == view.verticalScrollBar()->maximum();
    std::printf("10,000 information lines appended and painted: %.0f ms (scrolled to the end: %s)\n", ms,
                atEnd ? "yes" : "NO");
    return atEnd ? 0 : 1;
}
