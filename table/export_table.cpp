#include "table/export_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace brevink {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The whole file reaches the disk before the rename makes it the export.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
    ::unlink(path.c_str());  // a stale one from an interrupted export
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && written;
}

}  // namespace

std::string ExportText(const LinkList& list) {
    static const std::string kSeparator = "----";
    std::string text;
    const int rows = list.RowCount();
    const int columns = list.ColumnCount();
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            text += list.Cell(row, column);
            text += kSeparator;
        }
        text += "\r\n";
    }
    return text;
}

bool ExportTable(const LinkList& list, const std::string& path) {
    const std::string temporary = path + ".tmp";
    if (WriteNewFile(temporary, ExportText(list)) &&
        std::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace brevink
