#pragma once
// The operations that the link table's users need of the list on screen. The Qt
// implementation may be called from any thread; a write is done when the call returns.
#include <string>
#include <vector>

namespace brevink {

inline constexpr int kLinkColumns = 5;  // "ID", "外链URL", "锚文本", "外链网页标题", "百度权重"

class LinkList {
  public:
    virtual ~LinkList() = default;
    virtual void DeleteAllRows() = 0;
    // Appends a row whose column 0 is `id`, not ticked; returns its 0-based index.
    virtual int InsertRow(const std::string& id) = 0;
    virtual void SetCell(int row, int column, const std::string& text) = 0;
    virtual std::string Cell(int row, int column) const = 0;
    virtual void SetCheckState(int row, int state) = 0;  // 1 ticked, 0 not
    virtual int CheckState(int row) const = 0;
    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual void ScrollToRow(int row) = 0;
    virtual std::vector<int> SelectedRows() const = 0;  // ascending
    virtual void SetVisible(bool visible) = 0;
};

}  // namespace brevink
