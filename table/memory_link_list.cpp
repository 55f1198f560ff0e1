#include "table/memory_link_list.h"

#include <algorithm>

namespace brevink {

bool MemoryLinkList::Valid(int row, int column) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < kLinkColumns;
}

void MemoryLinkList::DeleteAllRows() {
    std::lock_guard lock(mutex_);
    std::vector<Row>().swap(rows_);
    selected_.clear();
    lastScrolled_ = -1;
}

int MemoryLinkList::InsertRow(const std::string& id) {
    std::lock_guard lock(mutex_);
    rows_.emplace_back();
    rows_.back().cells[0] = id;
    return static_cast<int>(rows_.size()) - 1;
}

void MemoryLinkList::SetCell(int row, int column, const std::string& text) {
    std::lock_guard lock(mutex_);
    if (Valid(row, column)) {
        rows_[row].cells[column] = text;
    }
}

std::string MemoryLinkList::Cell(int row, int column) const {
    std::lock_guard lock(mutex_);
    return Valid(row, column) ? rows_[row].cells[column] : std::string();
}

void MemoryLinkList::SetCheckState(int row, int state) {
    std::lock_guard lock(mutex_);
    if (Valid(row, 0)) {
        rows_[row].state = state != 0 ? 1 : 0;
    }
}

int MemoryLinkList::CheckState(int row) const {
    std::lock_guard lock(mutex_);
    return Valid(row, 0) ? rows_[row].state : 0;
}

int MemoryLinkList::RowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

void MemoryLinkList::ScrollToRow(int row) {
    std::lock_guard lock(mutex_);
    if (Valid(row, 0)) {
        lastScrolled_ = row;
    }
}

std::vector<int> MemoryLinkList::SelectedRows() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

void MemoryLinkList::SetVisible(bool visible) {
    std::lock_guard lock(mutex_);
    visible_ = visible;
}

void MemoryLinkList::SetSelectedRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::lock_guard lock(mutex_);
    selected_ = std::move(rows);
}

int MemoryLinkList::LastScrolledRow() const {
    std::lock_guard lock(mutex_);
    return lastScrolled_;
}

bool MemoryLinkList::Visible() const {
    std::lock_guard lock(mutex_);
    return visible_;
}

}  // namespace brevink
