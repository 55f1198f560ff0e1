#pragma once
// The advanced filter: the records whose chosen field meets a keyword condition move to the
// top, both groups keeping their order (a stable partition), and the rows are rewritten.
#include <string_view>

#include "table/link_list.h"
#include "table/link_state.h"

namespace brevink {

enum class FilterField { Url = 1, Anchor = 2, Title = 3 };

// Whether the record's field contains the keyword: ASCII letters in either case, a match
// starting only on a GBK character boundary. An empty field contains nothing, not even the
// empty keyword.
bool FieldContains(const LinkRecord& record, FilterField field, std::string_view keyword);

void FilterTable(LinkList& list, LinkTableState& state, FilterField field, std::string_view keyword,
                 bool notContaining);

}  // namespace brevink
