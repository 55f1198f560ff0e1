#pragma once
// A link list held in memory, for the query run's tests and benchmarks without a window.
// Every call may come from any thread; each one is atomic on its own.
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "table/link_list.h"

namespace brevink {

class MemoryLinkList final : public LinkList {
  public:
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

    // What a test can set or observe in place of a user and a screen.
    void SetSelectedRows(std::vector<int> rows);
    int LastScrolledRow() const;
    bool Visible() const;

  private:
    struct Row {
        std::array<std::string, kLinkColumns> cells;
        int state = 0;
    };
    bool Valid(int row, int column) const;

    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    std::vector<int> selected_;
    int lastScrolled_ = -1;
    bool visible_ = true;
};

}  // namespace brevink
