// The main window as the user finds it at start: its controls and their places, the settings it
// restores, the maker's page, where the settings file lives and the [Endpoints] section.
#include <unistd.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeView>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "app/endpoints_config.h"
#include "app/main_window.h"
#include "app/profile_file.h"
#include "app/qt_text.h"
#include "app/settings_location.h"
#include "app/window_settings.h"
#include "gui/app_test_support.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::Control;
using test::TempSettings;

struct Placed {
    const char* name;
    const char* kind;       // Qt class
    const char* container;  // objectName of the parent; "" for the window
    QRect geometry;
    const char* caption;  // title, text or "" (nullptr: not checked)
};

const Placed kLayout[] = {
    {"分组框1", "QGroupBox", "", {13, 10, 612, 66}, "帐号登录（未登录）"},
    {"标签1", "QLabel", "分组框1", {10, 24, 32, 24}, "帐号："},
    {"编辑框_帐号", "QLineEdit", "分组框1", {48, 24, 120, 24}, ""},
    {"标签2", "QLabel", "分组框1", {179, 24, 32, 24}, "密码："},
    {"编辑框_密码", "QLineEdit", "分组框1", {217, 24, 120, 24}, ""},
    {"图片框_验证码", "QLabel", "分组框1", {345, 13, 102, 44}, ""},
    {"编辑框_验证码", "QLineEdit", "分组框1", {454, 24, 60, 24}, ""},
    {"按钮_登录", "QPushButton", "分组框1", {521, 20, 80, 32}, "登 录"},
    {"分组框2", "QGroupBox", "", {13, 84, 612, 483}, "外链操作"},
    {"标签3", "QLabel", "分组框2", {15, 18, 160, 24}, "请选择您想查询的网站地址： "},
    {"组合框_域名", "QComboBox", "分组框2", {174, 19, 177, 24}, ""},
    {"选择框_查标题", "QCheckBox", "分组框2", {365, 19, 64, 24}, "查标题"},
    {"选择框_查权重", "QCheckBox", "分组框2", {435, 19, 64, 24}, "查权重"},
    {"按钮_开始查询", "QPushButton", "分组框2", {503, 16, 80, 26}, "开始查询"},
    {"超级列表框1", "QTreeView", "分组框2", {4, 50, 604, 429}, nullptr},
    {"按钮1", "QPushButton", "分组框2", {331, 140, 80, 32}, ""},
    {"分组框4", "QGroupBox", "", {630, 10, 224, 557}, "广而告之"},
    {"超文本浏览框1", "QTextBrowser", "分组框4", {1, 12, 221, 542}, nullptr},
};

QString CaptionOf(QWidget* widget) {
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        return box->title();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    return widget->windowTitle();
}

// A window over its own globals and settings file, as a test builds it.
struct WindowFixture {
    explicit WindowFixture(const std::string& settingsPath) {
        globals.settingsPath = settingsPath;
        globals.endpoints = ReadEndpoints(settingsPath);
        window = std::make_unique<MainWindow>(globals);
    }
    QLineEdit* Edit(const char* name) { return Control<QLineEdit>(window.get(), name); }
    QCheckBox* Check(const char* name) { return Control<QCheckBox>(window.get(), name); }

    Globals globals;
    std::unique_ptr<MainWindow> window;
};

TEST(MainWindow, EveryControlAtItsPlaceWithItsCaption) {
    TempSettings settings;
    WindowFixture fixture(settings.path());
    MainWindow* window = fixture.window.get();
    for (const Placed& placed : kLayout) {
        auto* widget = Control<QWidget>(window, placed.name);
        ASSERT_NE(widget, nullptr) << placed.name;
        EXPECT_STREQ(widget->metaObject()->className(), placed.kind) << placed.name;
        const QWidget* container = widget->parentWidget();
        EXPECT_EQ(container->objectName(), QString::fromUtf8(placed.container)) << placed.name;
        EXPECT_EQ(container == window, placed.container[0] == '\0') << placed.name;
        EXPECT_EQ(widget->geometry(), placed.geometry) << placed.name;
        if (placed.caption != nullptr) {
            EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(placed.caption)) << placed.name;
        }
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brevink - brevink.example - 2015-04-14"));
}

TEST(MainWindow, ShownAtItsHomeWithHiddenExportButtonAndMaskedPassword) {
    TempSettings settings;
    WindowFixture fixture(settings.path());
    MainWindow* window = fixture.window.get();
    window->ShowAtHome();
    EXPECT_EQ(window->frameGeometry(), QRect(50, 50, 872, 614));
    EXPECT_TRUE(Control<QWidget>(window, "按钮_登录")->isVisible());
    EXPECT_FALSE(Control<QWidget>(window, "按钮1")->isVisible());
    EXPECT_EQ(fixture.Edit("编辑框_密码")->echoMode(), QLineEdit::Password);
    auto* status = Control<QLabel>(window, "标签_状态");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->text().isEmpty());
    EXPECT_GE(status->y(), 567) << "the status line sits below the group boxes";
    EXPECT_LE(status->geometry().bottom(), window->height());
    window->close();
}

TEST(MainWindow, LinkListShowsItsFiveColumnsAndLeavesSortingAndMenuToUs) {
    TempSettings settings;
    WindowFixture fixture(settings.path());
    auto* view = Control<QTreeView>(fixture.window.get(), "超级列表框1");
    const std::pair<const char*, int> columns[] = {
        {"ID", 80}, {"外链URL", 150}, {"锚文本", 100}, {"外链网页标题", 185}, {"百度权重", 65}};
    ASSERT_EQ(view->model()->columnCount(), 5);
    EXPECT_EQ(view->model()->rowCount(), 0);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(view->model()->headerData(column, Qt::Horizontal).toString(),
                  QString::fromUtf8(columns[column].first));
        EXPECT_EQ(view->header()->sectionSize(column), columns[column].second) << column;
    }
    EXPECT_FALSE(view->rootIsDecorated());
    EXPECT_TRUE(view->uniformRowHeights());
    EXPECT_FALSE(view->isSortingEnabled());
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(MainWindow, PopupMenuEntriesInOrder) {
    TempSettings settings;
    WindowFixture fixture(settings.path());
    auto* menu = Control<QMenu>(fixture.window.get(), "菜单_超列右键菜单");
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* action : menu->actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->isSeparator()) {
            EXPECT_EQ(action->objectName(), action->text());
        }
    }
    EXPECT_EQ(entries.join('|'),
              QStringLiteral("高级过滤|-|勾选选中|反选选中|-|全部勾选|全部取消|全部反选|-|"
                             "拒绝勾选外链"));
    EXPECT_FALSE(menu->isVisible());
}

TEST(MainWindow, StartsEmptyWithoutASettingsFileAndCreatesNone) {
    TempSettings settings;
    {
        WindowFixture fixture(settings.path());
        for (const char* name : {"编辑框_帐号", "编辑框_密码", "编辑框_验证码"}) {
            EXPECT_TRUE(fixture.Edit(name)->text().isEmpty()) << name;
        }
        EXPECT_FALSE(fixture.Check("选择框_查标题")->isChecked());
        EXPECT_FALSE(fixture.Check("选择框_查权重")->isChecked());
        EXPECT_EQ(Control<QGroupBox>(fixture.window.get(), "分组框1")->title(),
                  QStringLiteral("帐号登录（未登录）"));
        EXPECT_EQ(Control<QComboBox>(fixture.window.get(), "组合框_域名")->count(), 0);
        fixture.window->close();
    }
    EXPECT_FALSE(settings.Exists()) << "nothing is saved at start or at shut-down";
}

TEST(MainWindow, SaveWritesSectionBrevinkWithOneKeyPerEditAndButton) {
    TempSettings settings;
    WindowFixture fixture(settings.path());
    fixture.Edit("编辑框_帐号")->setText(QStringLiteral("站长"));
    fixture.Edit("编辑框_密码")->setText(QStringLiteral("secret pw"));
    fixture.Check("选择框_查权重")->setChecked(true);
    SaveWindowSettings(fixture.window.get(), settings.path(), "");
    // 分组框1 1001, 编辑框_帐号 1003, 编辑框_密码 1005, 编辑框_验证码 1007, 按钮_登录 1008,
    // 分组框2 1009, 选择框_查标题 1012, 选择框_查权重 1013, 按钮_开始查询 1014, 按钮1 1016,
    // 分组框4 1017; the labels, the combo box, the views and the status line are not kept.
    EXPECT_EQ(settings.Content(), "[Brevink]\r\nButton1001=N\r\nEdit1003=" + Gbk(u8"站长") +
                                      "\r\nEdit1005=secret pw\r\nEdit1007=\r\n"
                                      "Button1008=N\r\nButton1009=N\r\nButton1012=N\r\n"
                                      "Button1013=Y\r\nButton1014=N\r\nButton1016=N\r\n"
                                      "Button1017=N\r\n");
}

TEST(MainWindow, StartsWithWhatAnEarlierRunSaved) {
    TempSettings settings;
    const std::string longName = std::string(290, 'n') + Gbk(u8"名字");  // 294 bytes
    {
        WindowFixture earlier(settings.path());
        earlier.Edit("编辑框_帐号")->setText(toQt(longName));
        earlier.Edit("编辑框_密码")->setText(QStringLiteral("密码123"));
        earlier.Edit("编辑框_验证码")->setText(QStringLiteral("ab12"));
        earlier.Check("选择框_查标题")->setChecked(true);
        SaveWindowSettings(earlier.window.get(), settings.path(), "");
    }
    const std::string saved = settings.Content();
    WindowFixture later(settings.path());
    EXPECT_EQ(fromQt(later.Edit("编辑框_帐号")->text()), std::string(254, 'n'));
    EXPECT_EQ(later.Edit("编辑框_密码")->text(), QStringLiteral("密码123"));
    EXPECT_EQ(later.Edit("编辑框_验证码")->text(), QStringLiteral("ab12"));
    EXPECT_TRUE(later.Check("选择框_查标题")->isChecked());
    EXPECT_FALSE(later.Check("选择框_查权重")->isChecked());
    EXPECT_EQ(Control<QComboBox>(later.window.get(), "组合框_域名")->count(), 0);
    EXPECT_EQ(Control<QTreeView>(later.window.get(), "超级列表框1")->model()->rowCount(), 0);
    later.Edit("编辑框_帐号")->setText(QStringLiteral("changed, not saved"));
    later.window->close();
    later.window.reset();
    EXPECT_EQ(settings.Content(), saved) << "closing saves nothing";
}

TEST(MainWindow, LowerCaseYLeavesACheckBoxUnticked) {
    TempSettings settings;
    settings.Write("[Brevink]\r\nButton1012=y\r\nButton1013=Y\r\n");
    WindowFixture fixture(settings.path());
    EXPECT_FALSE(fixture.Check("选择框_查标题")->isChecked());
    EXPECT_TRUE(fixture.Check("选择框_查权重")->isChecked());
}

TEST(MainWindow, WindowSavesLeaveTheEndpointsSectionAlone) {
    TempSettings settings;
    const std::string endpoints =
        "[Endpoints]\r\nAccountHost=127.0.0.1:4443\r\nPlatformHost=127.0.0.1:8080\r\n";
    settings.Write(endpoints);
    WindowFixture fixture(settings.path());
    fixture.Edit("编辑框_帐号")->setText(QStringLiteral("demo"));
    SaveWindowSettings(fixture.window.get(), settings.path(), "");
    EXPECT_EQ(settings.Content().rfind(endpoints, 0), 0u);
    EXPECT_EQ(ReadEndpoints(settings.path()).accountHost, "127.0.0.1:4443");
}

TEST(MakerPage, BundledGuideLocalFileOrALinkToAWebAddress) {
    TempSettings settings;
    std::ofstream(settings.dir() + "/ad.html") << "<html><body><p>local ad page</p></body></html>";
    struct Case {
        std::string adPage;
        QString source;    // the view's source URL ("" : none)
        QString textPart;  // a part of what the view shows
    };
    const Case cases[] = {
        {"", QString::fromLatin1(kBundledGuidePage), QStringLiteral("Brevink 使用说明")},
        {"", QString::fromLatin1(kBundledGuidePage), QStringLiteral("How to use Brevink")},
        {"ad.html",
         QUrl::fromLocalFile(QString::fromStdString(settings.dir() + "/ad.html")).toString(),
         QStringLiteral("local ad page")},
        {"http://127.0.0.1:9/ad", QString(), QStringLiteral("http://127.0.0.1:9/ad")},
    };
    for (const Case& item : cases) {
        Globals globals;
        globals.settingsPath = settings.path();
        globals.endpoints.adPage = item.adPage;
        MainWindow window(globals);
        auto* view = Control<QTextBrowser>(&window, "超文本浏览框1");
        EXPECT_EQ(view->source().toString(), item.source) << item.adPage;
        EXPECT_TRUE(view->toPlainText().contains(item.textPart)) << item.adPage;
        EXPECT_TRUE(view->openExternalLinks());
    }
}

TEST(Endpoints, ReadFromTheSettingsFileMissingOrEmptyKeysKeepTheirDefaults) {
    TempSettings settings;
    const Endpoints defaults;
    EXPECT_EQ(ReadEndpoints(settings.path()).accountHost, defaults.accountHost);
    settings.Write(
        "[Brevink]\r\nEdit1003=x\r\n[Endpoints]\r\nAccountHost=127.0.0.1:4443\r\n"
        "PortalHost=\r\nPlatformHost=127.0.0.1:8080\r\nRankHost=127.0.0.1:8081\r\n"
        "AdPage=http://127.0.0.1:8080/ad\r\nHelpPage=help.html\r\nCaFile=/tmp/" +
        Gbk(u8"证书") + ".pem\r\n");
    const Endpoints read = ReadEndpoints(settings.path());
    EXPECT_EQ(read.accountHost, "127.0.0.1:4443");
    EXPECT_EQ(read.portalHost, defaults.portalHost);
    EXPECT_EQ(read.platformHost, "127.0.0.1:8080");
    EXPECT_EQ(read.rankHost, "127.0.0.1:8081");
    EXPECT_EQ(read.adPage, "http://127.0.0.1:8080/ad");
    EXPECT_EQ(read.helpPage, "help.html");
    EXPECT_EQ(read.caFile, "/tmp/证书.pem") << "a file system path, not GBK";
}

// Sets an environment variable for one scope.
class ScopedEnv final {
  public:
    ScopedEnv(const char* name, const std::string* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsLocation, BesideAWritableProgramElseInTheUserConfigurationDirectory) {
    TempSettings place;
    const std::string dir = place.dir();
    const std::string xdg = dir + "/xdg";
    const std::string relative = "relative/xdg";
    const std::string home = dir + "/home";
    struct Case {
        std::string programDir;
        const std::string* xdgHome;
        std::string expected;
    };
    const Case cases[] = {
        {dir, &xdg, dir + "/配置.ini"},
        {dir + "/", &xdg, dir + "/配置.ini"},
        {"/nonexistent-brevink-dir", &xdg, xdg + "/brevink/配置.ini"},
        {"/nonexistent-brevink-dir", &relative, home + "/.config/brevink/配置.ini"},
        {"/nonexistent-brevink-dir", nullptr, home + "/.config/brevink/配置.ini"},
    };
    ScopedEnv homeEnv("HOME", &home);
    for (const Case& item : cases) {
        ScopedEnv xdgEnv("XDG_CONFIG_HOME", item.xdgHome);
        const std::string path = DefaultSettingsPath(item.programDir);
        EXPECT_EQ(path, item.expected) << item.programDir;
        const std::string parent = path.substr(0, path.rfind('/'));
        EXPECT_EQ(access(parent.c_str(), W_OK), 0) << parent << " was not created";
    }
}

TEST(SettingsLocation, CommandLineOptionAndExportFileBesideTheSettings) {
    using Args = std::vector<std::string>;
    const std::pair<Args, std::string> options[] = {
        {{}, ""},
        {{"--settings", "/tmp/a.ini"}, "/tmp/a.ini"},
        {{"-x", "--settings=/tmp/b.ini"}, "/tmp/b.ini"},
        {{"--settings"}, ""},
        {{"--settingsX=/tmp/c.ini"}, ""},
    };
    for (const auto& [args, expected] : options) {
        EXPECT_EQ(SettingsOption(args), expected) << (args.empty() ? "" : args.back());
    }
    EXPECT_EQ(ExportPathBeside("/opt/brevink/配置.ini"), "/opt/brevink/123.txt");
    EXPECT_EQ(ExportPathBeside("demo.ini"), "123.txt");
}

TEST(Globals, InitReadsTheEndpointsAndPlacesTheExportFile) {
    TempSettings settings;
    settings.Write("[Endpoints]\r\nRankHost=127.0.0.1:7000\r\n");
    Globals& globals = InitGlobals(settings.path());
    EXPECT_EQ(&globals, &TheGlobals());
    EXPECT_EQ(globals.settingsPath, settings.path());
    EXPECT_EQ(globals.exportPath, settings.dir() + "/123.txt");
    EXPECT_EQ(globals.endpoints.rankHost, "127.0.0.1:7000");
    EXPECT_TRUE(globals.AccountSession.empty());
    EXPECT_EQ(globals.CaptchaAnswered, 0);
    ReleaseGlobals();
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
