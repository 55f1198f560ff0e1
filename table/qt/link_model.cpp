#include "table/qt/link_model.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QThread>
#include <algorithm>
#include <string_view>

#include "app/qt_text.h"

namespace brevink {
namespace {

// The view hears of changes at most every this many milliseconds. The tree view lays out all
// its rows again for every batch of appended rows (some 18 ms at 100,000 rows), so the gap
// grows with the table to keep that work a small share of the UI thread.
int FlushGapMs(int rows) {
    return std::clamp(rows / 400, 40, 250);
}

std::string_view TextPart(const std::string& text) {
    return std::string_view(text.data(), std::min(text.find('\0'), text.size()));
}

std::string_view CellOf(const std::string& joined, int column) {
    size_t start = 0;
    for (int i = 0; i < column; ++i) {
        start = joined.find('\0', start) + 1;
    }
    const size_t end = joined.find('\0', start);
    return std::string_view(joined).substr(start, end - start);
}

// The joined cells with one of them replaced; sized exactly, as 100,000 rows add up.
std::string WithCell(const std::string& joined, int column, std::string_view text) {
    const std::string_view old = CellOf(joined, column);
    const size_t start = static_cast<size_t>(old.data() - joined.data());
    std::string result;
    result.reserve(joined.size() - old.size() + text.size());
    result.append(joined, 0, start).append(text).append(joined, start + old.size());
    return result;
}

bool OnUiThread(const QObject* object) {
    return QThread::currentThread() == object->thread();
}

}  // namespace

LinkModel::LinkModel(QObject* parent) : QAbstractTableModel(parent) {
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &LinkModel::FlushToView);
    sinceFlush_.start();
}

LinkModel::~LinkModel() = default;

void LinkModel::AttachView(QAbstractItemView* view) {
    view_ = view;
    if (view != nullptr && view->selectionModel() != nullptr) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &LinkModel::RememberSelection);
    }
}

void LinkModel::RememberSelection() {
    std::vector<std::pair<int, int>> ranges;
    if (view_ && view_->selectionModel() != nullptr) {
        for (const QItemSelectionRange& range : view_->selectionModel()->selection()) {
            ranges.emplace_back(range.top(), range.bottom());
        }
    }
    std::lock_guard lock(mutex_);
    selection_ = std::move(ranges);
}

// ---- telling the view (UI thread) ----

void LinkModel::RequestFlush() {
    if (flushRequested_) {
        return;
    }
    flushRequested_ = true;
    QMetaObject::invokeMethod(this, &LinkModel::ArmFlushTimer, Qt::QueuedConnection);
}

void LinkModel::ArmFlushTimer() {
    if (!flushTimer_.isActive()) {
        const qint64 wait = FlushGapMs(shownRows_) - sinceFlush_.elapsed();
        flushTimer_.start(static_cast<int>(std::max<qint64>(0, wait)));
    }
}

void LinkModel::FlushToView() {
    Pending pending;
    int rows = 0;
    {
        std::lock_guard lock(mutex_);
        pending = std::exchange(pending_, Pending{});
        rows = static_cast<int>(rows_.size());
        flushRequested_ = false;
    }
    flushTimer_.stop();
    sinceFlush_.restart();
    TellView(pending, rows);
}

void LinkModel::TellView(const Pending& pending, int rows) {
    if (pending.reset) {
        beginResetModel();
        shownRows_ = rows;
        endResetModel();
        RememberSelection();
    } else if (rows > shownRows_) {
        const int oldRows = shownRows_;
        beginInsertRows(QModelIndex(), oldRows, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    }
    const int last = std::min(pending.lastChanged, shownRows_ - 1);
    if (!pending.reset && pending.firstChanged >= 0 && pending.firstChanged <= last) {
        emit dataChanged(index(pending.firstChanged, 0), index(last, kLinkColumns - 1));
    }
    if (view_ && pending.scrollTo >= 0 && pending.scrollTo < shownRows_) {
        view_->scrollTo(index(pending.scrollTo, 0));
    }
}

// ---- QAbstractTableModel ----

int LinkModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int LinkModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLinkColumns;
}

QVariant LinkModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::CheckStateRole)) {
        return {};
    }
    if (role == Qt::CheckStateRole && index.column() != 0) {
        return {};
    }
    std::string text;
    int state = 0;
    {
        std::lock_guard lock(mutex_);
        if (!ValidRow(index.row())) {
            return {};
        }
        const Row& row = rows_[index.row()];
        state = row.state;
        if (role == Qt::DisplayRole) {
            text = CellOf(row.cells, index.column());
        }
    }
    if (role == Qt::CheckStateRole) {
        return state != 0 ? Qt::Checked : Qt::Unchecked;
    }
    return toQt(text);
}

QVariant LinkModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QString titles[kLinkColumns] = {
        QStringLiteral("ID"), QStringLiteral("外链URL"), QStringLiteral("锚文本"),
        QStringLiteral("外链网页标题"), QStringLiteral("百度权重")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kLinkColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return titles[section];
}

Qt::ItemFlags LinkModel::flags(const QModelIndex& index) const {
    // Flat rows: the tree view then never asks for children.
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) {
        result |= Qt::ItemIsUserCheckable;
    }
    return result;
}

bool LinkModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0) {
        return false;
    }
    const int state = value.toInt() == Qt::Checked ? 1 : 0;
    {
        std::lock_guard lock(mutex_);
        if (!ValidRow(index.row())) {
            return false;
        }
        rows_[index.row()].state = state;
    }
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit checkBoxChangedByUser(index.row(), state);
    return true;
}

// ---- LinkList ----

bool LinkModel::ValidRow(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size());
}

void LinkModel::MarkChanged(int row) {
    pending_.firstChanged = pending_.firstChanged < 0 ? row : std::min(pending_.firstChanged, row);
    pending_.lastChanged = std::max(pending_.lastChanged, row);
    RequestFlush();
}

void LinkModel::DeleteAllRows() {
    std::vector<Row> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(rows_);
        selection_.clear();
        pending_ = Pending{};
        pending_.reset = true;
        RequestFlush();
    }
}

int LinkModel::InsertRow(const std::string& id) {
    std::string cells(TextPart(id));
    cells.append(kLinkColumns - 1, '\0');
    std::lock_guard lock(mutex_);
    rows_.push_back(Row{std::move(cells), 0});
    RequestFlush();
    return static_cast<int>(rows_.size()) - 1;
}

void LinkModel::SetCell(int row, int column, const std::string& text) {
    if (column < 0 || column >= kLinkColumns) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (ValidRow(row)) {
        rows_[row].cells = WithCell(rows_[row].cells, column, TextPart(text));
        MarkChanged(row);
    }
}

std::string LinkModel::Cell(int row, int column) const {
    if (column < 0 || column >= kLinkColumns) {
        return {};
    }
    std::lock_guard lock(mutex_);
    return ValidRow(row) ? std::string(CellOf(rows_[row].cells, column)) : std::string();
}

void LinkModel::SetCheckState(int row, int state) {
    std::lock_guard lock(mutex_);
    if (ValidRow(row)) {
        rows_[row].state = state != 0 ? 1 : 0;
        MarkChanged(row);
    }
}

int LinkModel::CheckState(int row) const {
    std::lock_guard lock(mutex_);
    return ValidRow(row) ? rows_[row].state : 0;
}

int LinkModel::RowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

void LinkModel::ScrollToRow(int row) {
    std::lock_guard lock(mutex_);
    if (ValidRow(row)) {
        pending_.scrollTo = row;
        RequestFlush();
    }
}

std::vector<int> LinkModel::SelectedRows() const {
    std::vector<int> rows;
    std::lock_guard lock(mutex_);
    for (const auto& [first, last] : selection_) {
        for (int row = first; row <= last && ValidRow(row); ++row) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void LinkModel::SetVisible(bool visible) {
    if (OnUiThread(this)) {
        if (view_) {
            view_->setVisible(visible);
        }
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, visible] {
            if (view_) {
                view_->setVisible(visible);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace brevink
