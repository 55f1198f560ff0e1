#pragma once
// A small in-memory LinkList for the table commands' unit tests: rows of five cells and a
// check state, a settable selection, and a note of writes made while the list was shown.
#include <array>
#include <string>
#include <vector>

#include "table/link_list.h"
#include "table/link_state.h"

namespace brevink::test {

class TestLinkList final : public LinkList {
  public:
    struct Row {
        std::array<std::string, kLinkColumns> cells;
        int checkState = 0;
    };

    void DeleteAllRows() override { rows.clear(); }
    int InsertRow(const std::string& id) override {
        rows.push_back(Row{{id}, 0});
        return static_cast<int>(rows.size()) - 1;
    }
    void SetCell(int row, int column, const std::string& text) override {
        NoteWrite();
        rows.at(static_cast<size_t>(row)).cells.at(static_cast<size_t>(column)) = text;
    }
    std::string Cell(int row, int column) const override {
        return rows.at(static_cast<size_t>(row)).cells.at(static_cast<size_t>(column));
    }
    void SetCheckState(int row, int state) override {
        NoteWrite();
        rows.at(static_cast<size_t>(row)).checkState = state;
    }
    int CheckState(int row) const override { return rows.at(static_cast<size_t>(row)).checkState; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    int ColumnCount() const override { return kLinkColumns; }
    void ScrollToRow(int) override {}
    std::vector<int> SelectedRows() const override { return selected; }
    void SetVisible(bool shown) override { visible = shown; }

    std::vector<Row> rows;
    std::vector<int> selected;
    bool visible = true;
    int writesWhileVisible = 0;

  private:
    void NoteWrite() { writesWhileVisible += visible ? 1 : 0; }
};

// A record as the query run makes it: lengths in bytes, rank -1 until looked up.
inline LinkRecord MakeRecord(std::string url, std::string anchor = "", std::string title = "",
                             int rank = -1, bool checked = false) {
    LinkRecord record;
    record.checked = checked;
    record.urlLength = static_cast<int>(url.size());
    record.anchorLength = static_cast<int>(anchor.size());
    record.titleLength = static_cast<int>(title.size());
    record.url = std::move(url);
    record.anchor = std::move(anchor);
    record.title = std::move(title);
    record.rank = rank;
    return record;
}

// Rows "1".."n" showing the records, and the records themselves, in step.
inline void AddRows(TestLinkList& list, LinkTableState& state,
                    const std::vector<LinkRecord>& records) {
    for (const LinkRecord& record : records) {
        TestLinkList::Row& row = list.rows.emplace_back();
        row.cells = {std::to_string(list.rows.size()), record.url, record.anchor, record.title,
                     record.rank == -1 ? "" : std::to_string(record.rank)};
        row.checkState = record.checked ? 1 : 0;
        state.LinkRecords.push_back(record);
    }
}

// Column `column` of every row, top to bottom.
inline std::vector<std::string> ColumnOf(const TestLinkList& list, int column) {
    std::vector<std::string> texts;
    for (const TestLinkList::Row& row : list.rows) {
        texts.push_back(row.cells.at(static_cast<size_t>(column)));
    }
    return texts;
}

}  // namespace brevink::test
