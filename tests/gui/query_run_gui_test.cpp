// The start-query button on the real main window (offscreen) against the sandbox: the click,
// the rows arriving in the link list, the check boxes read after the last page, the status
// line, and closing the window while a run is going.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "gui/app_test_support.h"
#include "support/sandbox_process.h"
#include "table/qt/link_model.h"
#include "table/qt/query_controller.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::Control;

// Processes events until `done` holds, at most `ms` milliseconds.
bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    QTimer waker;  // sleeps between events instead of spinning
    waker.start(10);
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

class QueryRunGuiTest : public ::testing::Test {
  protected:
    void Open(const test::SandboxOptions& options = {}) {
        sandbox = std::make_unique<test::SandboxProcess>(options);
        ASSERT_TRUE(sandbox->Started()) << sandbox->Error();
        globals.settingsPath = settings.path();
        globals.endpoints = sandbox->Endpoints();
        globals.AccountSession = sandbox->SessionCookie();
        window = std::make_unique<MainWindow>(globals);
        AttachQueryRun(window.get(), globals);
        model = LinkModelOf(window.get());
        ASSERT_NE(model, nullptr);
        Site()->addItem(QStringLiteral("www.example-a.com"));
        Site()->addItem(QStringLiteral("fewer.example-e.org"));
        window->show();
    }
    void TearDown() override {
        if (window) {
            StopQueryRun(window.get());
        }
    }

    QComboBox* Site() { return Control<QComboBox>(window.get(), "组合框_域名"); }
    QCheckBox* Titles() { return Control<QCheckBox>(window.get(), "选择框_查标题"); }
    QCheckBox* Ranks() { return Control<QCheckBox>(window.get(), "选择框_查权重"); }
    QPushButton* Start() { return Control<QPushButton>(window.get(), "按钮_开始查询"); }
    QLabel* Status() { return Control<QLabel>(window.get(), "标签_状态"); }
    int TitledRows(int rows) {
        int titled = 0;
        for (int row = 0; row < rows; ++row) {
            titled += model->Cell(row, 3).empty() ? 0 : 1;
        }
        return titled;
    }
    bool RunOver() { return !globals.table.QueryRunning && Start()->isEnabled(); }

    test::TempSettings settings;
    std::unique_ptr<test::SandboxProcess> sandbox;
    Globals globals;
    std::unique_ptr<MainWindow> window;
    LinkModel* model = nullptr;
};

TEST_F(QueryRunGuiTest, ClickFillsTheListAndShowsTheEndInTheStatusLine) {
    Open();
    auto* view = Control<QTreeView>(window.get(), "超级列表框1");
    ASSERT_EQ(view->model(), model);
    const int widths[] = {80, 150, 100, 185, 65};
    for (int column = 0; column < kLinkColumns; ++column) {
        EXPECT_EQ(view->columnWidth(column), widths[column]);
    }
    EXPECT_FALSE(globals.table.TitlesDone || globals.table.RanksDone);

    Start()->click();
    EXPECT_FALSE(Start()->isEnabled());
    EXPECT_TRUE(globals.table.QueryRunning);
    EXPECT_TRUE(settings.Exists()) << "the click saves the settings";
    ASSERT_TRUE(WaitFor([this] { return RunOver(); }));
    ASSERT_TRUE(WaitFor([this] { return model->rowCount() == 250; }));
    for (int row = 0; row < 250; ++row) {
        ASSERT_EQ(model->data(model->index(row, 0), Qt::DisplayRole).toString(),
                  QString::number(row + 1));
    }
    EXPECT_EQ(model->data(model->index(0, 2), Qt::DisplayRole).toString(),
              QStringLiteral("优质外链1号"));
    EXPECT_EQ(globals.table.LinkRecords.size(), 250u);
    EXPECT_TRUE(globals.table.TitlesDone && globals.table.RanksDone);
    EXPECT_FALSE(globals.table.PagePhase);
    ASSERT_TRUE(WaitFor([this] { return Status()->text().contains(QStringLiteral("250")); }));
    EXPECT_TRUE(Status()->text().startsWith(QStringLiteral("查询完成")))
        << Status()->text().toStdString();
    // The newest row was scrolled into view.
    EXPECT_TRUE(view->viewport()->rect().intersects(view->visualRect(model->index(249, 0))));
}

TEST_F(QueryRunGuiTest, CheckBoxesAreReadAfterTheLastPage) {
    test::SandboxOptions slow;
    slow.delayMs = 100;  // five platform requests: half a second of page phase
    Open(slow);
    Titles()->setChecked(false);
    Ranks()->setChecked(true);
    Site()->setCurrentIndex(1);
    Start()->click();
    Titles()->setChecked(true);  // while the pages arrive
    Ranks()->setChecked(false);
    ASSERT_TRUE(WaitFor([this] { return RunOver(); }));
    EXPECT_EQ(model->RowCount(), 120);
    EXPECT_EQ(sandbox->Count("page"), 120);
    EXPECT_EQ(sandbox->Count("rank"), 0);
    EXPECT_EQ(globals.table.RankQueue.size(), 120u);
    const LinkRecord& first = globals.table.LinkRecords[0];
    EXPECT_EQ(model->Cell(0, 3), Gbk(sandbox->ExpectedTitle(first.url)));
    EXPECT_EQ(model->Cell(0, 3), first.title);
    ASSERT_TRUE(WaitFor([this] {
        return Status()->text().contains(QStringLiteral("标题 120/120"));
    })) << Status()->text().toStdString();
}

// Closing the window in the middle of a run: the run and its workers stop and are joined,
// nothing touches the freed window, and it is quick.
struct CloseCase {
    const char* name;
    bool lookups;    // close during the lookups rather than the pages
    bool stopFirst;  // StopQueryRun before the window goes (the program's close handling)
};

class QueryRunCloseTest : public QueryRunGuiTest,
                          public ::testing::WithParamInterface<CloseCase> {};

TEST_P(QueryRunCloseTest, EndsCleanlyAndPromptly) {
    test::SandboxOptions slow;
    slow.links = 3000;
    slow.delayMs = 20;
    Open(slow);
    Titles()->setChecked(GetParam().lookups);
    Ranks()->setChecked(GetParam().lookups);
    Start()->click();
    if (GetParam().lookups) {
        ASSERT_TRUE(WaitFor([this] { return !globals.table.TitlesDone; }));
        ASSERT_TRUE(WaitFor([this] { return TitledRows(200) >= 50; }));
    } else {
        ASSERT_TRUE(WaitFor([this] { return model->rowCount() >= 200; }));
    }
    QElapsedTimer timer;
    timer.start();
    window->close();
    if (GetParam().stopFirst) {
        StopQueryRun(window.get());
    }
    window.reset();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(globals.table.QueryRunning);
    EXPECT_TRUE(globals.table.TitlesDone && globals.table.RanksDone);
    EXPECT_LT(sandbox->Count("page"), 3000);
    // Whatever the run had added, rows and records were kept in step up to the end.
    EXPECT_FALSE(globals.table.LinkRecords.empty());
    QCoreApplication::processEvents();  // posted calls to the gone window are dropped
}

INSTANTIATE_TEST_SUITE_P(Cases, QueryRunCloseTest,
                         ::testing::Values(CloseCase{"PagesThenStop", false, true},
                                           CloseCase{"LookupsThenStop", true, true},
                                           CloseCase{"PagesWindowDestroyed", false, false},
                                           CloseCase{"LookupsWindowDestroyed", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
