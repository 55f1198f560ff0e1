#pragma once
// The link table on screen: a table model over compact rows, usable as a LinkList from any
// thread.
//
// Threads. The rows live in the model's own storage behind a small mutex of its own. A
// LinkList call from any thread (query thread, workers, UI thread) changes that storage
// directly and returns: a reader through LinkList sees the change at once. The view is told
// later, on the UI thread, in one batch (every 40 ms, up to every 250 ms as the table grows): one
// beginInsertRows/endInsertRows for the rows added since the last batch, one ranged dataChanged for
// the cells changed, a reset after DeleteAllRows, and one scroll to the newest row asked for.
// rowCount() (what the view sees) advances only in those batches. No call ever waits for the UI
// thread, so the UI thread may join a thread that is in the middle of a call (closing during a run
// cannot deadlock), and a worker holding TableLock never waits on the UI. Lock order: TableLock,
// then the model's mutex; the UI thread takes only the latter.
//
// Texts are GBK; data() converts only the cells that the view asks for.
#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "table/link_list.h"

class QAbstractItemView;

namespace brevink {

class LinkModel final : public QAbstractTableModel, public LinkList {
    Q_OBJECT

  public:
    explicit LinkModel(QObject* parent = nullptr);
    ~LinkModel() override;
    LinkModel(const LinkModel&) = delete;
    LinkModel& operator=(const LinkModel&) = delete;

    // The view that scrolling, the selection and hiding act on (after view->setModel(this)).
    void AttachView(QAbstractItemView* view);
    // Tells the view about every change so far, now. UI thread only.
    void FlushToView();

    // QAbstractTableModel (UI thread).
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // LinkList (any thread).
    void DeleteAllRows() override;
    int InsertRow(const std::string& id) override;
    void SetCell(int row, int column, const std::string& text) override;
    std::string Cell(int row, int column) const override;
    void SetCheckState(int row, int state) override;
    int CheckState(int row) const override;
    int RowCount() const override;
    int ColumnCount() const override { return kLinkColumns; }
    void ScrollToRow(int row) override;
    std::vector<int> SelectedRows() const override;
    void SetVisible(bool visible) override;

  signals:
    // The user ticked (1) or cleared (0) a row's box; never sent for program writes.
    void checkBoxChangedByUser(int row, int state);

  private:
    // One row: its five cells joined by NUL bytes (texts end at their first NUL anyway).
    struct Row {
        std::string cells;
        int state = 0;
    };
    struct Pending {
        bool reset = false;
        int firstChanged = -1;
        int lastChanged = -1;
        int scrollTo = -1;
    };

    bool ValidRow(int row) const;  // with mutex_ held
    void MarkChanged(int row);     // with mutex_ held
    void RequestFlush();           // with mutex_ held
    void ArmFlushTimer();
    void TellView(const Pending& pending, int rows);
    void RememberSelection();

    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    std::vector<std::pair<int, int>> selection_;  // selected row ranges, first..last
    Pending pending_;
    bool flushRequested_ = false;

    // UI thread only.
    int shownRows_ = 0;
    QPointer<QAbstractItemView> view_;
    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
};

}  // namespace brevink
