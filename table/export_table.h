#pragma once
// The link export: every row of the list, every column as the list shows it, into a text file.
#include <string>

#include "table/link_list.h"

namespace brevink {

// One line per row, top to bottom: each cell's GBK text followed by "----" (also after the
// last cell), the line ended by "\r\n". No header, no byte-order mark, no check states.
std::string ExportText(const LinkList& list);

// Replaces the file at `path` with ExportText: written to a temporary file beside it and
// renamed over it, so a failed write leaves the previous file whole. False on failure.
bool ExportTable(const LinkList& list, const std::string& path);

}  // namespace brevink
