#include "app/qt_text.h"

#include "web/codepage.h"

namespace brevink {

QString toQt(std::string_view gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string fromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToGbk(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace brevink
