// The advanced filter's window (offscreen): its controls as laid out, the choice of the
// condition, its inputs kept across a restart, and the usage link.
#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <memory>

#include "app/qt_text.h"
#include "gui/app_test_support.h"
#include "table/qt/filter_window.h"
#include "web/codepage.h"

// Collects the addresses that the program hands to the desktop (outside any namespace: Qt
// calls it by its slot name).
class UrlCatcher final : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

namespace brevink {
namespace {

using test::Control;

class FilterWindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<FilterWindow> Open(const std::string& helpPage = "") {
        return std::make_unique<FilterWindow>(&owner, settings.path(), helpPage);
    }
    template <class Widget>
    static Widget* In(const std::unique_ptr<FilterWindow>& window, const char* name) {
        Widget* widget = Control<Widget>(window.get(), name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    test::TempSettings settings;
    QWidget owner;
};

struct Placed {
    const char* name;
    const char* kind;
    QRect geometry;
    const char* text;
};

TEST_F(FilterWindowTest, ControlsStandWhereTheLayoutPutsThem) {
    const Placed controls[] = {
        {"标签1", "QLabel", {11, 7, 56, 24}, "外链URL："},
        {"编辑框_外链URL", "QLineEdit", {68, 9, 240, 20}, ""},
        {"选择框_外链URL_不包含", "QCheckBox", {313, 8, 64, 24}, "不包含"},
        {"单选框_外链URL", "QRadioButton", {384, 8, 80, 24}, "启用"},
        {"标签2", "QLabel", {11, 43, 56, 24}, "锚文本："},
        {"编辑框_锚文本", "QLineEdit", {68, 45, 240, 20}, ""},
        {"选择框_锚文本_不包含", "QCheckBox", {313, 44, 64, 24}, "不包含"},
        {"单选框_锚文本", "QRadioButton", {384, 44, 80, 24}, "启用"},
        {"标签3", "QLabel", {3, 79, 64, 24}, "网页标题："},
        {"编辑框_网页标题", "QLineEdit", {68, 81, 240, 20}, ""},
        {"选择框_网页标题_不包含", "QCheckBox", {313, 80, 64, 24}, "不包含"},
        {"单选框_网页标题", "QRadioButton", {384, 80, 80, 24}, "启用"},
        {"超级链接框1", "QLabel", {81, 115, 256, 24}, nullptr},
        {"按钮1", "QPushButton", {346, 109, 80, 32}, "过 滤"},
    };
    const auto window = Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("高级过滤（将符合条件的排到最前）"));
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), &owner);
    EXPECT_FALSE(window->isModal());
    for (const Placed& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = In<QWidget>(window, c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), c.kind);
        EXPECT_EQ(widget->geometry(), c.geometry);
        if (c.text == nullptr) {
            continue;
        }
        QString text = widget->property("text").toString();
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
    EXPECT_TRUE(In<QLabel>(window, "超级链接框1")->text().contains(QStringLiteral("使用说明：")));
}

TEST_F(FilterWindowTest, AFreshWindowUsesTheUrlRowAndTheRadioButtonsAreOneGroup) {
    const auto window = Open();
    EXPECT_TRUE(In<QRadioButton>(window, "单选框_外链URL")->isChecked());
    In<QRadioButton>(window, "单选框_网页标题")->click();
    EXPECT_FALSE(In<QRadioButton>(window, "单选框_外链URL")->isChecked());
    EXPECT_FALSE(In<QRadioButton>(window, "单选框_锚文本")->isChecked());
}

TEST_F(FilterWindowTest, ShownAtItsPlaceWithItsOuterSize) {
    const auto window = Open();
    window->ShowAtHome();
    EXPECT_EQ(window->frameGeometry(), QRect(50, 50, 442, 180));  // no frame offscreen
    window->ShowAtHome();  // a second opening keeps it where it is
    EXPECT_TRUE(window->isVisible());
}

struct ChoiceCase {
    const char* name;
    const char* use;  // the radio button switched on
    FilterField field;
    std::string keyword;
    bool notContaining;
};

class FilterChoiceTest : public FilterWindowTest,
                         public ::testing::WithParamInterface<ChoiceCase> {};

// Every row is filled and every "不包含" differs, so a wrong row shows in the result.
TEST_P(FilterChoiceTest, TheChosenRowAloneGivesTheCondition) {
    const auto window = Open();
    In<QLineEdit>(window, "编辑框_外链URL")->setText(QStringLiteral(" seo "));
    In<QLineEdit>(window, "编辑框_锚文本")->setText(QStringLiteral("锚 a"));
    In<QLineEdit>(window, "编辑框_网页标题")->setText(QStringLiteral("Title"));
    In<QCheckBox>(window, "选择框_外链URL_不包含")->setChecked(true);
    In<QCheckBox>(window, "选择框_锚文本_不包含")->setChecked(false);
    In<QCheckBox>(window, "选择框_网页标题_不包含")->setChecked(true);
    In<QRadioButton>(window, GetParam().use)->setChecked(true);
    const FilterCondition condition = window->ChosenCondition();
    EXPECT_EQ(condition.field, GetParam().field);
    EXPECT_EQ(condition.keyword, GetParam().keyword);
    EXPECT_EQ(condition.notContaining, GetParam().notContaining);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FilterChoiceTest,
    ::testing::Values(ChoiceCase{"Anchor", "单选框_锚文本", FilterField::Anchor, Gbk(u8"锚 a"),
                                 false},
                      ChoiceCase{"Url", "单选框_外链URL", FilterField::Url, " seo ", true},
                      ChoiceCase{"Title", "单选框_网页标题", FilterField::Title, "Title", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FilterWindowTest, NoRadioButtonOnMeansTheTitleRow) {
    const auto window = Open();
    In<QLineEdit>(window, "编辑框_网页标题")->setText(QStringLiteral("t"));
    In<QRadioButton>(window, "单选框_外链URL")->setAutoExclusive(false);
    In<QRadioButton>(window, "单选框_外链URL")->setChecked(false);
    EXPECT_EQ(window->ChosenCondition().field, FilterField::Title);
    EXPECT_EQ(window->ChosenCondition().keyword, "t");
}

TEST_F(FilterWindowTest, InputsSavedByTheFilterButtonComeBackAfterARestart) {
    {
        const auto window = Open();
        QSignalSpy requested(window.get(), &FilterWindow::filterRequested);
        In<QLineEdit>(window, "编辑框_锚文本")->setText(QStringLiteral("关键词 seo"));
        In<QLineEdit>(window, "编辑框_外链URL")->setText(QStringLiteral("u"));
        In<QCheckBox>(window, "选择框_锚文本_不包含")->setChecked(true);
        In<QRadioButton>(window, "单选框_锚文本")->setChecked(true);
        In<QPushButton>(window, "按钮1")->click();
        EXPECT_EQ(requested.count(), 1);
        In<QLineEdit>(window, "编辑框_外链URL")->setText(QStringLiteral("changed, not saved"));
    }
    EXPECT_NE(settings.Content().find("[" + Gbk(u8"高级过滤（将符合条件的排到最前）") + "]"),
              std::string::npos);
    const auto again = Open();
    EXPECT_EQ(In<QLineEdit>(again, "编辑框_锚文本")->text(), QStringLiteral("关键词 seo"));
    EXPECT_EQ(In<QLineEdit>(again, "编辑框_外链URL")->text(), QStringLiteral("u"));
    EXPECT_TRUE(In<QCheckBox>(again, "选择框_锚文本_不包含")->isChecked());
    EXPECT_FALSE(In<QCheckBox>(again, "选择框_外链URL_不包含")->isChecked());
    EXPECT_TRUE(In<QRadioButton>(again, "单选框_锚文本")->isChecked());
    EXPECT_FALSE(In<QRadioButton>(again, "单选框_外链URL")->isChecked());
    EXPECT_EQ(again->ChosenCondition().keyword, Gbk(u8"关键词 seo"));
}

class HelpLinkTest : public FilterWindowTest {
  protected:
    HelpLinkTest() {
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(settings.dir()));
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "Open");
        }
    }
    ~HelpLinkTest() override {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    void ClickHelp(const std::unique_ptr<FilterWindow>& window) {
        QLabel* link = In<QLabel>(window, "超级链接框1");
        emit link->linkActivated(QStringLiteral("#help"));
    }
    UrlCatcher catcher;
};

TEST_F(HelpLinkTest, TheHelpPageOfTheSettingsIsOpenedAndShown) {
    const auto window = Open("https://help.example/brevink?a=1");
    EXPECT_TRUE(In<QLabel>(window, "超级链接框1")
                    ->text()
                    .contains(QStringLiteral("https://help.example/brevink?a=1")));
    ClickHelp(window);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://help.example/brevink?a=1")));
}

TEST_F(HelpLinkTest, TheBundledGuideOpensFromAFileWithItsContent) {
    const auto window = Open();
    ClickHelp(window);
    ASSERT_EQ(catcher.opened.size(), 1);
    ASSERT_TRUE(catcher.opened[0].isLocalFile());
    QFile opened(catcher.opened[0].toLocalFile());
    QFile bundled(QStringLiteral(":/brevink/guide.html"));
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    ASSERT_TRUE(bundled.open(QIODevice::ReadOnly));
    EXPECT_EQ(opened.readAll(), bundled.readAll());
}

TEST_F(HelpLinkTest, ALocalPathIsTakenFromTheSettingsDirectory) {
    const auto window = Open("docs/help.html");
    EXPECT_EQ(window->HelpUrl(),
              QUrl::fromLocalFile(QString::fromStdString(settings.dir()) + "/docs/help.html"));
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()

#include "filter_window_test.moc"
