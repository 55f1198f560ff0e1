#include "app/qt_text.h"

#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

QString FromUtf8(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Text that is not valid GBK (a page that lied about its charset, a cut title) is shown
// character by character, each byte that is no GBK character as U+FFFD, rather than as nothing.
QString LenientToQt(std::string_view gbk) {
    QString shown;
    for (size_t at = 0; at < gbk.size() && gbk[at] != '\0';) {
        const size_t length = GbkCharLength(gbk, at);
        const unsigned char first = static_cast<unsigned char>(gbk[at]);
        if (first < 0x80) {
            shown += QChar(first);
        } else {
            const std::string utf8 = GbkToUtf8(gbk.substr(at, length));
            shown += utf8.empty() ? QString(QChar::ReplacementCharacter) : FromUtf8(utf8);
        }
        at += length;
    }
    return shown;
}

}  // namespace

QString toQt(std::string_view gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    if (utf8.empty() && !gbk.empty() && gbk.front() != '\0') {
        return LenientToQt(gbk);
    }
    return FromUtf8(utf8);
}

std::string fromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToGbk(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace brevink
