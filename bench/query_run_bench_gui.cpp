// Page phase of a 100,000-link site into the real link list of the main window (offscreen),
// against fetching and parsing the same pages in a plain loop, in the same run. Prints the
// ratio (target <= 1.3), the longest gap between ticks of a 10 ms timer on the UI thread
// (target <= 50 ms) and the resident-size growth for the rows with their records (target
// <= 60 MB).
//
//   build-xxx/bench/query_run_bench_gui [links] [rounds]
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench/bench_sandbox.h"
#include "platform/inbound_links.h"
#include "table/qt/link_model.h"
#include "table/qt/query_controller.h"
#include "web/text.h"

using namespace brevink;

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// The same requests and the same line splitting as the run, without any table.
double FetchAndParseSeconds(const Endpoints& endpoints, const std::string& cookie,
                            const std::string& site, int& linksSeen) {
    QElapsedTimer timer;
    timer.start();
    const int count = FetchInboundCount(endpoints, cookie, site);
    linksSeen = 0;
    for (int page = 1; page <= count; ++page) {
        const std::string result = FetchInboundPage(endpoints, cookie, site, page);
        if (result == DoneMarker()) {
            break;
        }
        for (const std::string& line : SplitText(result, "\r\n")) {
            const std::vector<std::string> fields = SplitText(line, "|");
            linksSeen += fields.empty() ? 0 : 1;
        }
    }
    return timer.elapsed() / 1000.0;
}

struct RunFigures {
    double seconds = 0;        // click to the button enabled again
    double shownAt = 0;        // click to every row told to the view
    qint64 longestGap = 0;     // ms between two ticks of the 10 ms timer
    qint64 longestGapEnd = 0;  // ms after the click
    int rowsAtLongestGap = 0;
    double uiCpu = 0;         // s of CPU time the UI thread used from the click to the end
    qint64 clickHandler = 0;  // ms in the click handler (settings saved, thread started)
    int rows = 0;
};

RunFigures ClickAndWait(MainWindow& window, Globals& globals) {
    auto* start = window.findChild<QPushButton*>(QStringLiteral("按钮_开始查询"));
    LinkModel* model = LinkModelOf(&window);
    RunFigures figures;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (gap > figures.longestGap) {
            figures.longestGap = gap;
            figures.longestGapEnd = clock.elapsed();
            figures.rowsAtLongestGap = model->rowCount();
        }
    });
    const double cpuFrom = ThreadCpuSeconds();
    clock.start();
    start->click();  // saves the settings on the UI thread, as the click must
    figures.clickHandler = clock.elapsed();
    sinceTick.start();
    ticker.start();
    while (globals.table.QueryRunning.load() || !start->isEnabled()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);  // the ticker wakes it
    }
    figures.seconds = clock.elapsed() / 1000.0;
    while (model->rowCount() < model->RowCount()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);  // the ticker wakes it
    }
    figures.shownAt = clock.elapsed() / 1000.0;
    figures.uiCpu = ThreadCpuSeconds() - cpuFrom;
    ticker.stop();
    figures.rows = model->rowCount();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int links = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    bench::BenchSandbox sandbox({"--links", std::to_string(links)});
    if (!sandbox.Started()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    QTemporaryDir dir;
    Globals globals;
    globals.settingsPath = dir.filePath(QStringLiteral("settings.ini")).toStdString();
    globals.endpoints = sandbox.Endpoints();
    globals.AccountSession = sandbox.SessionCookie();
    const std::string site = "www.example-a.com";

    MainWindow window(globals);
    AttachQueryRun(&window, globals);
    window.findChild<QComboBox*>(QStringLiteral("组合框_域名"))
        ->addItem(QString::fromStdString(site));
    window.findChild<QCheckBox*>(QStringLiteral("选择框_查标题"))->setChecked(false);
    window.findChild<QCheckBox*>(QStringLiteral("选择框_查权重"))->setChecked(false);
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> ratios;
    qint64 worstGap = 0;
    for (int round = 1; round <= rounds; ++round) {
        int parsed = 0;
        const double baseline =
            FetchAndParseSeconds(globals.endpoints, globals.AccountSession, site, parsed);
        const long before = ResidentKb();
        const RunFigures run = ClickAndWait(window, globals);
        const long after = ResidentKb();
        ratios.push_back(run.seconds / baseline);
        worstGap = std::max(worstGap, run.longestGap);
        std::printf(
            "round %d: loop %.2f s (%d links), run %.2f s (%d rows, shown at %.2f s), "
            "ratio %.3f; longest UI gap %lld ms (%lld ms after the click, %d rows "
            "shown); UI thread CPU %.2f s; click handler %lld ms; resident %+.1f MB (%ld -> %ld "
            "kB)\n",
            round, baseline, parsed, run.seconds, run.rows, run.shownAt, ratios.back(),
            static_cast<long long>(run.longestGap), static_cast<long long>(run.longestGapEnd),
            run.rowsAtLongestGap, run.uiCpu, static_cast<long long>(run.clickHandler),
            (after - before) / 1024.0, before, after);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "median ratio %.3f (target <= 1.3); longest UI gap %lld ms (target <= 50); "
        "resident growth: round 1 (target <= 60 MB)\n",
        ratios[ratios.size() / 2], static_cast<long long>(worstGap));
    StopQueryRun(&window);
    std::fflush(stdout);
    return 0;
}
