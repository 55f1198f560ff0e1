// The commands on the main window's link list (offscreen): popup menu, tick commands, the
// user's own ticks, double click, header sort, filter window, export and the reject run
// against the sandbox.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <fstream>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "gui/app_test_support.h"
#include "support/sandbox_process.h"
#include "support/test_link_list.h"
#include "table/qt/filter_window.h"
#include "table/qt/link_model.h"
#include "table/qt/query_controller.h"
#include "table/qt/table_commands.h"
#include "web/codepage.h"

class OpenedUrls final : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

namespace brevink {
namespace {

using test::Control;
using test::MakeRecord;

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    QTimer waker;
    waker.start(5);
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

std::string CompletionText() {
    return Gbk(u8"所有链站已拒绝完成，可登录百度站长平台查看效果。（一般生效时间为15~30天）");
}

class TableCommandsTest : public ::testing::Test {
  protected:
    TableCommandsTest() {
        globals.settingsPath = settings.path();
        globals.exportPath = settings.dir() + "/123.txt";
        window = std::make_unique<MainWindow>(globals);
        AttachQueryRun(window.get(), globals);
        AttachTableCommands(window.get(), globals);
        model = LinkModelOf(window.get());
        window->show();
    }
    ~TableCommandsTest() override {
        StopTableCommands(window.get());
        StopQueryRun(window.get());
    }

    // Rows and records in step, as a finished query run leaves them.
    void Fill(const std::vector<LinkRecord>& records, bool runDone = true) {
        for (const LinkRecord& record : records) {
            const int row = model->InsertRow(std::to_string(model->RowCount() + 1));
            model->SetCell(row, 1, record.url);
            model->SetCell(row, 2, record.anchor);
            model->SetCell(row, 3, record.title);
            model->SetCell(row, 4, record.rank == -1 ? "" : std::to_string(record.rank));
            model->SetCheckState(row, record.checked ? 1 : 0);
            globals.table.LinkRecords.push_back(record);
        }
        model->FlushToView();
        globals.table.TitlesDone = runDone;
        globals.table.RanksDone = runDone;
    }
    void FillUrls(const std::vector<std::string>& urls) {
        std::vector<LinkRecord> records;
        for (const std::string& url : urls) {
            records.push_back(MakeRecord(url));
        }
        Fill(records);
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < model->RowCount(); ++row) {
            texts.push_back(model->Cell(row, column));
        }
        return texts;
    }
    std::vector<int> Ticks() const {
        std::vector<int> states;
        for (int row = 0; row < model->RowCount(); ++row) {
            states.push_back(model->CheckState(row));
            EXPECT_EQ(globals.table.LinkRecords[row].checked, states.back() == 1) << row;
        }
        return states;
    }

    QTreeView* List() { return Control<QTreeView>(window.get(), "超级列表框1"); }
    QMenu* Menu() { return Control<QMenu>(window.get(), "菜单_超列右键菜单"); }
    QPushButton* Start() { return Control<QPushButton>(window.get(), "按钮_开始查询"); }
    void Trigger(const char* entry) {
        for (QAction* action : Menu()->actions()) {
            if (action->objectName() == QString::fromUtf8(entry)) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << entry;
    }
    void Select(const std::vector<int>& rows) {
        QItemSelectionModel* selection = List()->selectionModel();
        selection->clearSelection();
        for (int row : rows) {
            selection->select(model->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void ClickHeader(int column) {
        QHeaderView* header = List()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, 5));
    }
    // The "提示" messages that are open now, their texts in GBK.
    std::vector<std::string> Notices() {
        std::vector<std::string> texts;
        for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
                texts.push_back(fromQt(box->text()));
            }
        }
        return texts;
    }
    void CloseNotices() {
        for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                box->button(QMessageBox::Ok)->click();
            }
        }
        QCoreApplication::processEvents();
    }

    test::TempSettings settings;
    Globals globals;
    std::unique_ptr<MainWindow> window;
    LinkModel* model = nullptr;
};

TEST_F(TableCommandsTest, ARightClickAnywhereInTheListShowsThePopupMenu) {
    FillUrls({"a.example", "b.example"});
    QWidget* viewport = List()->viewport();
    const QPoint onRow = List()->visualRect(model->index(0, 1)).center();
    const QPoint belowLastRow(20, viewport->height() - 5);
    for (const QPoint& at : {onRow, belowLastRow}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QCoreApplication::sendEvent(viewport, &event);
        EXPECT_TRUE(Menu()->isVisible());
        Menu()->close();
    }
}

TEST_F(TableCommandsTest, MenuTickCommandsSetBoxesAndRecords) {
    std::vector<LinkRecord> records;
    for (int i = 0; i < 7; ++i) {
        records.push_back(MakeRecord("u" + std::to_string(i), "", "", -1, i % 3 == 0));
    }
    Fill(records);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0, 1, 0, 0, 1}));
    Select({2, 5});
    Trigger("反选选中");
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 1, 1, 0, 1, 1}));
    Trigger("全部反选");
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0, 0, 1, 0, 0}));
    Select({1, 2});
    Trigger("勾选选中");
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 1, 0, 1, 0, 0}));
    Trigger("全部勾选");
    EXPECT_EQ(Ticks(), std::vector<int>(7, 1));
    Trigger("全部取消");
    EXPECT_EQ(Ticks(), std::vector<int>(7, 0));
    EXPECT_EQ(model->SelectedRows(), (std::vector<int>{1, 2}));
}

TEST_F(TableCommandsTest, AUserTickByTheSpaceKeyReachesTheRecordAndSurvivesASort) {
    FillUrls({"long.example", "b", "cc"});
    List()->setFocus();
    List()->setCurrentIndex(model->index(0, 0));
    QTest::keyClick(List(), Qt::Key_Space);
    ASSERT_EQ(model->CheckState(0), 1);
    EXPECT_TRUE(globals.table.LinkRecords[0].checked);
    ClickHeader(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "cc", "long.example"}));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(TableCommandsTest, HeaderClicksSortEachColumnBothWays) {
    Fill({MakeRecord("aaa", "", "", 3), MakeRecord("b", "", "", -1), MakeRecord("cc", "", "", 0),
          MakeRecord("d", "", "", -1)});
    ClickHeader(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "d", "cc", "aaa"}));
    ClickHeader(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"aaa", "cc", "d", "b"}));
    ClickHeader(4);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"d", "b", "cc", "aaa"}));
    EXPECT_EQ(Column(4), (std::vector<std::string>{"", "", "0", "3"}));
    ClickHeader(0);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"d", "b", "cc", "aaa"}));
    EXPECT_TRUE(Notices().empty());
    EXPECT_TRUE(List()->isVisible());
}

TEST_F(TableCommandsTest, ASortDuringOrBeforeARunIsRefusedWithTheMessage) {
    FillUrls({"bb", "a"});
    for (const bool beforeFirstRun : {true, false}) {
        globals.table.TitlesDone = !beforeFirstRun;
        globals.table.RanksDone = !beforeFirstRun;
        globals.table.PagePhase = !beforeFirstRun;
        globals.table.QueryRunning = !beforeFirstRun;
        ClickHeader(1);
        EXPECT_EQ(Notices(), (std::vector<std::string>{Gbk(u8"全部查询完成后方可以进行排序！")}));
        CloseNotices();
        EXPECT_EQ(Column(1), (std::vector<std::string>{"bb", "a"}));
        EXPECT_FALSE(globals.table.SortAscending[0]);
    }
}

TEST_F(TableCommandsTest, ADoubleClickOpensTheFirstSelectedRowsLink) {
    OpenedUrls opened;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &opened, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &opened, "Open");
    FillUrls({"www.example.com/a b", "HTTPS://secure.example/x", "javascript:alert(1)"});
    QWidget* viewport = List()->viewport();
    for (int row : {0, 1, 2}) {
        const QPoint at = List()->visualRect(model->index(row, 2)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    }
    Select({});
    emit List()->doubleClicked(model->index(0, 1));  // no row selected: nothing opens
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls[0], QUrl(QStringLiteral("http://www.example.com/a%20b")));
    EXPECT_EQ(opened.urls[1], QUrl(QStringLiteral("https://secure.example/x")));
}

struct AddressCase {
    const char* text;
    const char* address;  // "" when nothing may be opened
};

TEST(RowLinkAddressTest, OnlyHttpAndHttpsAddressesWithAHost) {
    const AddressCase cases[] = {
        {"example.com/p?q=1", "http://example.com/p?q=1"},
        {"http://example.com/", "http://example.com/"},
        {"Http://Example.com/A", "http://example.com/A"},
        {"https://example.com", "https://example.com"},
        {"ftp://example.com/", "http://ftp//example.com/"},  // an http address to host "ftp"
        {"javascript:alert(1)", ""},
        {"", ""},
        {"http://", ""},
        {"file:///etc/passwd", "http://file///etc/passwd"},
        {"file:/etc/passwd", "http://file/etc/passwd"},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.text);
        const QUrl url = RowLinkAddress(QString::fromUtf8(c.text));
        EXPECT_EQ((url.isValid() ? url.toString() : QString()).toStdString(), c.address);
    }
}

TEST_F(TableCommandsTest, TheFilterWindowMovesMatchingRowsToTheTop) {
    Fill({MakeRecord("a.com", "", "", -1, true), MakeRecord("b.com/SEO"), MakeRecord("c.com"),
          MakeRecord("seo.d.com", "", "", -1, true)});
    Trigger("高级过滤");
    Trigger("高级过滤");  // brings the open window to the front
    const QList<FilterWindow*> windows = window->findChildren<FilterWindow*>();
    ASSERT_EQ(windows.size(), 1);
    FilterWindow* filter = windows[0];
    EXPECT_TRUE(filter->isVisible());
    Control<QLineEdit>(filter, "编辑框_外链URL")->setText(QStringLiteral("seo"));
    Control<QRadioButton>(filter, "单选框_外链URL")->setChecked(true);
    Control<QPushButton>(filter, "按钮1")->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b.com/SEO", "seo.d.com", "a.com", "c.com"}));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_TRUE(settings.Exists());

    globals.table.QueryRunning = true;  // a run in progress: refused, order kept
    Control<QPushButton>(filter, "按钮1")->click();
    std::vector<std::string> notices;
    for (QMessageBox* box : filter->findChildren<QMessageBox*>()) {
        notices.push_back(fromQt(box->text()));
        EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
    }
    EXPECT_EQ(notices, (std::vector<std::string>{Gbk(u8"全部查询完成后方可以进行过滤！")}));
    Control<QLineEdit>(filter, "编辑框_外链URL")->setText(QStringLiteral("c.com"));
    Control<QPushButton>(filter, "按钮1")->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b.com/SEO", "seo.d.com", "a.com", "c.com"}));
}

TEST_F(TableCommandsTest, TheHiddenExportButtonWritesTheTable) {
    Fill({MakeRecord("u", "a", "", 2), MakeRecord("v")});
    QPushButton* exportButton =
        Control<QPushButton>(Control<QWidget>(window.get(), "分组框2"), "按钮1");
    ASSERT_NE(exportButton, nullptr);
    EXPECT_FALSE(exportButton->isVisible());
    exportButton->click();
    std::ifstream in(globals.exportPath, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text, "1----u----a--------2----\r\n2----v----------------\r\n");
}

class RejectGuiTest : public TableCommandsTest {
  protected:
    void StartSandbox(const test::SandboxOptions& options = {}) {
        sandbox = std::make_unique<test::SandboxProcess>(options);
        ASSERT_TRUE(sandbox->Started()) << sandbox->Error();
        globals.endpoints = sandbox->Endpoints();
        globals.AccountSession = sandbox->SessionCookie();
        Control<QComboBox>(window.get(), "组合框_域名")
            ->addItem(QStringLiteral("www.example-a.com"));
    }
    void FillTicked(int rows, const std::vector<int>& ticked) {
        std::vector<LinkRecord> records;
        for (int i = 0; i < rows; ++i) {
            records.push_back(MakeRecord("http://r.example/" + std::to_string(i)));
        }
        for (int row : ticked) {
            records[row].checked = true;
        }
        Fill(records);
    }
    bool WaitForNotice() {
        return WaitFor([this] { return !Notices().empty(); });
    }
    std::unique_ptr<test::SandboxProcess> sandbox;
};

TEST_F(RejectGuiTest, TheTickedLinksReachThePlatformAndTheRunEndsWithItsMessage) {
    StartSandbox();
    FillTicked(10, {1, 4, 8});
    Trigger("拒绝勾选外链");
    EXPECT_FALSE(Start()->isEnabled());
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(Notices(), std::vector<std::string>{CompletionText()});
    EXPECT_FALSE(Start()->isEnabled());  // until the message is closed
    const std::vector<test::SandboxRecord> records = sandbox->Requests("reject");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].key, "www.example-a.com");
    EXPECT_EQ(records[0].urls, (std::vector<std::string>{"http://r.example/1", "http://r.example/4",
                                                         "http://r.example/8"}));
    CloseNotices();
    EXPECT_TRUE(Start()->isEnabled());
}

TEST_F(RejectGuiTest, APlatformThatIsGoneGivesTheFailureMessage) {
    StartSandbox();
    sandbox->Stop();
    FillTicked(5, {0, 2});
    Trigger("拒绝勾选外链");
    ASSERT_TRUE(WaitForNotice());
    const std::vector<std::string> notices = Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0], CompletionText());
    EXPECT_NE(notices[0].find(Gbk(u8"有 2 条勾选外链未能提交")), std::string::npos)
        << toQt(notices[0]).toStdString();
    CloseNotices();
    EXPECT_TRUE(Start()->isEnabled());
}

TEST_F(RejectGuiTest, ARunDuringAQueryLeavesTheStartButtonToTheQuery) {
    StartSandbox();
    FillTicked(3, {0});
    globals.table.QueryRunning = true;  // the query run has disabled the button
    Start()->setEnabled(false);
    Trigger("拒绝勾选外链");
    ASSERT_TRUE(WaitForNotice());
    CloseNotices();
    EXPECT_FALSE(Start()->isEnabled());
    globals.table.QueryRunning = false;
    Start()->setEnabled(true);  // as the query run's end does
    Trigger("拒绝勾选外链");
    EXPECT_FALSE(Start()->isEnabled());
    ASSERT_TRUE(WaitForNotice());
    CloseNotices();
    EXPECT_TRUE(Start()->isEnabled());
}

// The whole road: a query run fills the list from the sandbox, the user ticks, sorts and
// filters, and the platform records exactly the ticked links in the order shown.
TEST_F(RejectGuiTest, AfterAQueryRunTheTickedRowsInTheirShownOrderAreRejected) {
    StartSandbox();
    Start()->click();
    ASSERT_TRUE(WaitFor([this] { return !globals.table.QueryRunning && Start()->isEnabled(); }));
    model->FlushToView();
    ASSERT_EQ(model->RowCount(), 250);
    Trigger("全部勾选");
    Select({0, 1, 2});
    Trigger("反选选中");
    ClickHeader(1);
    ClickHeader(1);
    ASSERT_TRUE(Notices().empty());
    std::vector<std::string> expected;
    for (int row = 0; row < model->RowCount(); ++row) {
        ASSERT_EQ(model->Cell(row, 1), globals.table.LinkRecords[row].url);
        if (row > 0) {
            ASSERT_GE(model->Cell(row - 1, 1).size(), model->Cell(row, 1).size());
        }
        if (model->CheckState(row) == 1) {
            expected.push_back(model->Cell(row, 1));
        }
    }
    ASSERT_EQ(expected.size(), 247u);
    Trigger("拒绝勾选外链");
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(Notices(), std::vector<std::string>{CompletionText()});
    std::vector<std::string> received;
    for (const test::SandboxRecord& r : sandbox->Requests("reject")) {
        received.insert(received.end(), r.urls.begin(), r.urls.end());
    }
    EXPECT_EQ(received, expected);
    CloseNotices();
}

TEST_F(RejectGuiTest, ClosingDuringARunStopsAfterTheBatchInFlight) {
    test::SandboxOptions slow;
    slow.delayMs = 300;
    StartSandbox(slow);
    std::vector<int> ticked;
    for (int i = 0; i < 3000; ++i) {
        ticked.push_back(i);
    }
    FillTicked(3000, ticked);
    Trigger("拒绝勾选外链");
    QTest::qWait(100);
    QElapsedTimer timer;
    timer.start();
    StopTableCommands(window.get());
    EXPECT_LT(timer.elapsed(), 2000);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Notices().empty());
    EXPECT_LT(sandbox->Count("reject"), 4);
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()

#include "table_commands_test.moc"
