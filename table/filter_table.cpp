#include "table/filter_table.h"

#include <vector>

#include "table/sort_table.h"
#include "table/tick_commands.h"
#include "web/text.h"

namespace brevink {

namespace {

const std::string& FieldOf(const LinkRecord& record, FilterField field) {
    switch (field) {
        case FilterField::Url:
            return record.url;
        case FilterField::Anchor:
            return record.anchor;
        case FilterField::Title:
            break;
    }
    return record.title;
}

}  // namespace

bool FieldContains(const LinkRecord& record, FilterField field, std::string_view keyword) {
    const std::string& text = FieldOf(record, field);
    return !text.empty() && ContainsText(text, keyword, true);
}

void FilterTable(LinkList& list, LinkTableState& state, FilterField field, std::string_view keyword,
                 bool notContaining) {
    const std::vector<LinkRecord>& records = state.LinkRecords;
    std::vector<size_t> order;
    std::vector<size_t> rest;
    order.reserve(records.size());
    for (size_t p = 0; p < records.size(); ++p) {
        const bool matches = FieldContains(records[p], field, keyword) != notContaining;
        (matches ? order : rest).push_back(p);
    }
    order.insert(order.end(), rest.begin(), rest.end());
    ReorderRecords(state, order);
    RefillTable(list, state);
}

}  // namespace brevink
