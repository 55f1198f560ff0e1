// The link model on a real tree view (offscreen): writes from other threads, batched news to
// the view, check boxes, selection, and a UI thread that joins a writer without deadlock.
#include <QSignalSpy>
#include <QTreeView>
#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

#include "gui/app_test_support.h"
#include "table/qt/link_model.h"
#include "web/codepage.h"

namespace brevink {
namespace {

class LinkModelTest : public ::testing::Test {
  protected:
    LinkModelTest() {
        view.setUniformRowHeights(true);
        view.setRootIsDecorated(false);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setModel(&model);
        model.AttachView(&view);
        view.resize(600, 300);
        view.show();
    }
    ~LinkModelTest() override { view.setModel(nullptr); }

    // Lets the UI thread pass on everything the other threads wrote.
    void Settle() {
        QCoreApplication::processEvents();
        model.FlushToView();
        QCoreApplication::processEvents();
    }

    void AddRows(int count) {
        for (int i = 0; i < count; ++i) {
            model.InsertRow(std::to_string(model.RowCount() + 1));
        }
    }

    LinkModel model;
    QTreeView view;
};

TEST_F(LinkModelTest, RowsFromAnotherThreadAreThereAtOnceAndReachTheViewInOneBatch) {
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    std::thread writer([this] {
        for (int i = 0; i < 500; ++i) {
            const int row = model.InsertRow(std::to_string(i + 1));
            model.SetCell(row, 1, "http://a.example/" + std::to_string(i));
            EXPECT_EQ(model.Cell(row, 1), "http://a.example/" + std::to_string(i));
        }
    });
    writer.join();
    EXPECT_EQ(model.RowCount(), 500);
    EXPECT_EQ(model.rowCount(), 0);  // the view has not been told yet
    Settle();
    EXPECT_EQ(model.rowCount(), 500);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 499);
    EXPECT_EQ(model.data(model.index(499, 0), Qt::DisplayRole).toString(), QStringLiteral("500"));
}

TEST_F(LinkModelTest, CellsKeepTheirTextsWhateverOrderTheyAreWritten) {
    const std::string anchor = Gbk(u8"锚文本");
    const std::vector<std::tuple<int, std::string>> writes = {
        {3, "title"},
        {1, "http://x.example/"},
        {4, "5"},
        {2, anchor},
        {3, ""},
        {1, "u"},
        {3, "long title " + std::string(300, 'x')}};
    const int row = model.InsertRow("1");
    std::vector<std::string> expected = {"1", "", "", "", ""};
    for (const auto& [column, text] : writes) {
        model.SetCell(row, column, text);
        expected[column] = text;
        for (int c = 0; c < kLinkColumns; ++c) {
            EXPECT_EQ(model.Cell(row, c), expected[c]) << "column " << c;
        }
    }
    model.SetCell(row, 2, std::string("ab\0cd", 5));  // a text ends at its first NUL
    EXPECT_EQ(model.Cell(row, 2), "ab");
    EXPECT_EQ(model.Cell(row, 4), "5");
    model.SetCell(row, 5, "no such column");
    model.SetCell(7, 1, "no such row");
    EXPECT_EQ(model.Cell(7, 1), "");
    EXPECT_EQ(model.RowCount(), 1);
}

TEST_F(LinkModelTest, ViewShowsGbkCellsAsUnicodeAndTheColumnTitles) {
    const int row = model.InsertRow("1");
    model.SetCell(row, 2, Gbk(u8"中文锚文本"));
    Settle();
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(),
              QStringLiteral("中文锚文本"));
    const QStringList titles = {QStringLiteral("ID"), QStringLiteral("外链URL"),
                                QStringLiteral("锚文本"), QStringLiteral("外链网页标题"),
                                QStringLiteral("百度权重")};
    for (int column = 0; column < kLinkColumns; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                  titles[column]);
    }
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable);
}

TEST_F(LinkModelTest, OnlyTheUsersTickIsReportedAsAChange) {
    AddRows(3);
    Settle();
    QSignalSpy byUser(&model, &LinkModel::checkBoxChangedByUser);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.SetCheckState(0, 1);  // the program's write
    Settle();
    EXPECT_EQ(byUser.count(), 0);
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);

    // The delegate's click sets the state through setData, as the view does.
    EXPECT_TRUE(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(
        model.setData(model.index(0, 0), QVariant::fromValue(Qt::Unchecked), Qt::CheckStateRole));
    ASSERT_EQ(byUser.count(), 2);
    EXPECT_EQ(byUser.at(0), (QList<QVariant>{2, 1}));
    EXPECT_EQ(byUser.at(1), (QList<QVariant>{0, 0}));
    EXPECT_EQ(model.CheckState(2), 1);
    EXPECT_EQ(model.CheckState(0), 0);
    EXPECT_FALSE(model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(model.index(1, 0), QStringLiteral("x"), Qt::EditRole));
}

TEST_F(LinkModelTest, DeleteAllRowsFromAnotherThreadResetsTheView) {
    AddRows(50);
    Settle();
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    std::thread([this] {
        model.DeleteAllRows();
        model.InsertRow("1");
    }).join();
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_EQ(model.rowCount(), 50);  // what the view was told so far
    EXPECT_FALSE(model.data(model.index(10, 0), Qt::DisplayRole).isValid());
    Settle();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(LinkModelTest, SelectedRowsAscendingAlsoFromAnotherThread) {
    AddRows(10);
    Settle();
    QItemSelectionModel* selection = view.selectionModel();
    selection->select(model.index(7, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(QItemSelection(model.index(2, 0), model.index(4, 4)),
                      QItemSelectionModel::Select);
    EXPECT_EQ(model.SelectedRows(), (std::vector<int>{2, 3, 4, 7}));
    std::vector<int> seenElsewhere;
    std::thread([&] { seenElsewhere = model.SelectedRows(); }).join();
    EXPECT_EQ(seenElsewhere, (std::vector<int>{2, 3, 4, 7}));

    model.DeleteAllRows();
    EXPECT_TRUE(model.SelectedRows().empty());
    Settle();
    EXPECT_TRUE(model.SelectedRows().empty());
}

TEST_F(LinkModelTest, ScrollsToTheNewestRowAskedFor) {
    AddRows(2000);
    model.ScrollToRow(1999);
    Settle();
    const QRect cell = view.visualRect(model.index(1999, 0));
    EXPECT_TRUE(view.viewport()->rect().intersects(cell));
}

TEST_F(LinkModelTest, HideAndShowFromTheUiThreadAndFromAnother) {
    model.SetVisible(false);
    EXPECT_FALSE(view.isVisible());
    model.SetVisible(true);
    EXPECT_TRUE(view.isVisible());
    std::thread([this] { model.SetVisible(false); }).join();
    Settle();
    EXPECT_FALSE(view.isVisible());
}

// The UI thread may join a thread in the middle of its writes (closing during a run): no
// call waits for the UI thread.
TEST_F(LinkModelTest, UiThreadJoinsABusyWriterWithoutDeadlock) {
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            while (!stop.load()) {
                const int row = model.InsertRow("x");
                model.SetCell(row, 3, "title " + std::to_string(w));
                model.SetCheckState(row, 1);
                model.ScrollToRow(row);
                model.SelectedRows();
                written.fetch_add(1);
            }
        });
    }
    while (written.load() < 2000) {
        QCoreApplication::processEvents();  // the view reads while the writers write
        std::ignore = model.data(model.index(0, 3), Qt::DisplayRole);
    }
    stop.store(true);
    for (std::thread& writer : writers) {
        writer.join();  // no event processing meanwhile
    }
    Settle();
    EXPECT_EQ(model.rowCount(), model.RowCount());
    EXPECT_EQ(model.RowCount(), written.load());
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
