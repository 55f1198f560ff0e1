// Sort and filter of 100,000 records on the real link list of the main window (offscreen),
// against std::stable_sort / std::stable_partition of the same records by the same key in
// the same run. Prints, best of the rounds:
//   - the reordering alone: our bucket order + moving the records, and the standard
//     algorithm on a copy of the same records;
//   - the whole command (the ticks taken from the boxes, the reordering, RefillTable into
//     the model) and the view's update after it;
//   - the UI-thread part of a reject run: collecting the ticked links from the model.
//
//   build-xxx/bench/sort_filter_bench_gui [records] [rounds]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "table/filter_table.h"
#include "table/qt/link_model.h"
#include "table/qt/query_controller.h"
#include "table/reject_run.h"
#include "table/sort_table.h"
#include "web/codepage.h"

using namespace brevink;

namespace {

std::string RandomText(std::mt19937& random, int maxBytes, const std::string& alphabetWord) {
    std::uniform_int_distribution<int> length(0, maxBytes);
    std::string text;
    const int n = length(random);
    while (static_cast<int>(text.size()) < n) {
        text += (random() % 4 == 0) ? alphabetWord : std::string(1, 'a' + random() % 26);
    }
    return text;
}

std::vector<LinkRecord> MakeRecords(int n) {
    std::mt19937 random(11);
    const std::string chinese = Gbk(u8"外链");
    std::vector<LinkRecord> records(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        LinkRecord& r = records[static_cast<size_t>(i)];
        r.url = "http://www" + std::to_string(random() % 5000) + ".example.com/" +
                RandomText(random, 90, "seo/");
        r.anchor = RandomText(random, 40, chinese);
        r.title = random() % 3 == 0 ? std::string() : RandomText(random, 80, chinese);
        r.rank = static_cast<int>(random() % 11) - 1;
        r.checked = random() % 5 == 0;
        r.urlLength = static_cast<int>(r.url.size());
        r.anchorLength = static_cast<int>(r.anchor.size());
        r.titleLength = static_cast<int>(r.title.size());
    }
    return records;
}

// Best time of `rounds` runs of `body`, each after `prepare` (not timed), in milliseconds.
double BestMs(int rounds, const std::function<void()>& prepare, const std::function<void()>& body) {
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        body();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

void ShowRecords(LinkModel& model, LinkTableState& state, const std::vector<LinkRecord>& records) {
    state.LinkRecords = records;
    RefillTable(model, state);
    model.FlushToView();
    QCoreApplication::processEvents();
}

double UpdateViewMs(LinkModel& model) {
    QElapsedTimer timer;
    timer.start();
    model.FlushToView();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir;
    Globals globals;
    globals.settingsPath = dir.filePath(QStringLiteral("settings.ini")).toStdString();
    MainWindow window(globals);
    AttachQueryRun(&window, globals);
    window.show();
    LinkModel& model = *LinkModelOf(&window);
    LinkTableState& state = globals.table;

    const std::vector<LinkRecord> original = MakeRecords(n);
    for (int i = 0; i < n; ++i) {
        model.InsertRow(std::to_string(i + 1));
    }
    ShowRecords(model, state, original);
    std::printf("%d records, best of %d rounds, times in ms\n\n", n, rounds);

    std::vector<LinkRecord> copy;
    const auto fresh = [&] { copy = original; };
    const auto shown = [&] { ShowRecords(model, state, original); };
    const char* names[] = {"", "URL length", "anchor length", "title length", "rank"};
    std::printf(
        "| command | ours: order + move | std algorithm | ratio | whole command | view update |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (int column = 1; column <= 4; ++column) {
        const double ours = BestMs(rounds, fresh, [&] {
            std::vector<int> keys;
            keys.reserve(copy.size());
            for (const LinkRecord& r : copy) {
                keys.push_back(SortKeyOf(r, column));
            }
            LinkTableState scratch;
            scratch.LinkRecords.swap(copy);
            ReorderRecords(scratch, StableOrderByKey(keys));
            copy.swap(scratch.LinkRecords);
        });
        const double standard = BestMs(rounds, fresh, [&] {
            std::stable_sort(copy.begin(), copy.end(), [column](const auto& a, const auto& b) {
                return std::max(SortKeyOf(a, column), -1) < std::max(SortKeyOf(b, column), -1);
            });
        });
        double view = 0;
        const double whole = BestMs(rounds, shown, [&] { SortTable(model, state, column, true); });
        view = UpdateViewMs(model);
        std::printf("| sort by %s | %.1f | %.1f | %.2f | %.1f | %.1f |\n", names[column], ours,
                    standard, ours / standard, whole, view);
    }

    const std::string keyword = "SEO/";
    const double ours = BestMs(rounds, fresh, [&] {
        std::vector<size_t> order;
        std::vector<size_t> rest;
        for (size_t p = 0; p < copy.size(); ++p) {
            (FieldContains(copy[p], FilterField::Url, keyword) ? order : rest).push_back(p);
        }
        order.insert(order.end(), rest.begin(), rest.end());
        LinkTableState scratch;
        scratch.LinkRecords.swap(copy);
        ReorderRecords(scratch, order);
        copy.swap(scratch.LinkRecords);
    });
    const double standard = BestMs(rounds, fresh, [&] {
        std::stable_partition(copy.begin(), copy.end(), [&](const LinkRecord& r) {
            return FieldContains(r, FilterField::Url, keyword);
        });
    });
    const double whole =
        BestMs(rounds, shown, [&] { FilterTable(model, state, FilterField::Url, keyword, false); });
    const double view = UpdateViewMs(model);
    std::printf("| filter URL contains \"%s\" | %.1f | %.1f | %.2f | %.1f | %.1f |\n",
                keyword.c_str(), ours, standard, ours / standard, whole, view);

    const double refill = BestMs(
        rounds, [] {}, [&] { RefillTable(model, state); });
    std::printf("\nRefillTable alone: %.1f ms\n", refill);

    for (int i = 0; i < n; ++i) {
        model.SetCheckState(i, 1);
    }
    size_t ticked = 0;
    const double collect = BestMs(
        rounds, [] {}, [&] { ticked = TickedUrls(model).size(); });
    std::printf("Ticked links collected from the model (UI thread, reject run): %zu in %.1f ms\n",
                ticked, collect);
    return 0;
}
