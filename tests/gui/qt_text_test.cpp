// The one boundary between the core's GBK texts and Qt's strings.
#include <QString>

#include "app/qt_text.h"
#include "gui/app_test_support.h"

namespace brevink {
namespace {

struct Case {
    const char* what;
    std::string gbk;
    QString shown;
};

TEST(QtText, ShowsGbkAndNeverHidesInvalidText) {
    const QChar bad = QChar::ReplacementCharacter;
    const Case cases[] = {
        {"empty", "", QString()},
        {"ascii", "seo tools", QStringLiteral("seo tools")},
        {"chinese", "\xD6\xD0\xCE\xC4", QStringLiteral("中文")},
        {"trailing lone lead byte", "ab\xD6", QStringLiteral("ab") + bad},
        {"byte that is no character", "a\xD6\xD0\xFFx",
         QStringLiteral("a中") + bad + QStringLiteral("x")},
        {"ends at the first NUL", std::string("ab\0cd", 5), QStringLiteral("ab")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toQt(c.gbk), c.shown) << c.what;
    }
}

TEST(QtText, RoundTripsWhatGbkCanHold) {
    const QString text = QStringLiteral("外链 URL http://a.cn/?q=1 锚文本");
    EXPECT_EQ(toQt(fromQt(text)), text);
    EXPECT_EQ(fromQt(QStringLiteral("😀")), "?");  // GBK has no emoji
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
