// The login as the user drives it, against the sandbox: the button and the Enter keys, the
// captcha prompt, the caption of 分组框1, the site list refilled after every attempt, and
// closing the window in the middle of a captcha wait.
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/login_flow.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "gui/app_test_support.h"
#include "platform/site_list.h"
#include "support/sandbox_process.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::Control;
using test::SandboxProcess;
using test::TempSettings;

const QString kLoggedOut = QStringLiteral("帐号登录（未登录）");
const QStringList kSandboxSites = {"www.example-a.com", "http://shop.example-b.cn/",
                                   "empty.example-c.net", "more.example-d.org",
                                   "fewer.example-e.org"};

// Steps that run one after the other while the UI thread is busy in a login (each is polled
// every 20 ms until it returns true), as a user would act during the captcha wait. A script that
// does not finish in time fails the test and closes the window, which ends any captcha wait.
class UserScript final {
  public:
    UserScript(QWidget* window, std::vector<std::function<bool()>> steps)
        : window_(window), steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(20);
        clock_.start();
    }
    bool Finished() const { return next_ == steps_.size(); }

  private:
    void Poll() {
        if (Finished()) {
            return;
        }
        if (clock_.elapsed() > kLimitMs) {
            ADD_FAILURE() << "step " << next_ << " of the user script did not finish";
            next_ = steps_.size();
            window_->close();
        } else if (steps_[next_]()) {
            ++next_;
        }
    }
    static constexpr int kLimitMs = 20000;
    QWidget* window_;
    std::vector<std::function<bool()>> steps_;
    size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer clock_;
};

// A sandbox of its own per test: the engine keeps a process-wide cookie store (for requests
// without a cookie text), so the sessions of an earlier test must be unknown to this one's
// platform.
class LoginFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox_ = std::make_unique<SandboxProcess>();
        ASSERT_TRUE(sandbox_->Started()) << sandbox_->Error();
        globals_.settingsPath = settings_.path();
        globals_.endpoints = sandbox_->Endpoints();
        window_ = std::make_unique<MainWindow>(globals_);
        window_->ShowAtHome();
    }
    void TearDown() override {
        window_.reset();
        sandbox_.reset();
    }

    QLineEdit* Edit(const char* name) { return Control<QLineEdit>(window_.get(), name); }
    QPushButton* LoginButton() { return Control<QPushButton>(window_.get(), "按钮_登录"); }
    QLabel* Picture() { return Control<QLabel>(window_.get(), "图片框_验证码"); }
    QComboBox* Sites() { return Control<QComboBox>(window_.get(), "组合框_域名"); }
    QString Caption() { return Control<QGroupBox>(window_.get(), "分组框1")->title(); }
    bool PictureShown() { return !Picture()->pixmap().isNull(); }

    void TypeAccount(const QString& account, const QString& password) {
        Edit("编辑框_帐号")->setText(account);
        Edit("编辑框_密码")->setText(password);
    }
    void ClickLogin() { QTest::mouseClick(LoginButton(), Qt::LeftButton); }

    QStringList SiteItems() {
        QStringList items;
        for (int i = 0; i < Sites()->count(); ++i) {
            items << Sites()->itemText(i);
        }
        return items;
    }

    std::unique_ptr<SandboxProcess> sandbox_;
    TempSettings settings_;
    Globals globals_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(LoginFlowTest, LoginWithoutCaptchaShowsTheAccountAndListsTheSites) {
    const QString accounts[] = {QStringLiteral("demo"), QStringLiteral("测试帐号")};
    for (const QString& account : accounts) {
        TypeAccount(account, QStringLiteral("secret"));
        ClickLogin();
        EXPECT_EQ(Caption(), QStringLiteral("帐号登录（已登录：") + account + QStringLiteral("）"));
        EXPECT_EQ(SiteItems(), kSandboxSites);
        EXPECT_EQ(Sites()->currentIndex(), 0);
        EXPECT_TRUE(LoginButton()->isEnabled());
        EXPECT_NE(globals_.AccountSession.find("BDUSS="), std::string::npos);
        EXPECT_FALSE(PictureShown());
    }
    EXPECT_EQ(sandbox_->Count("sites"), 2);
}

TEST_F(LoginFlowTest, FailedLoginShowsLoggedOutAndStillRefillsTheSiteList) {
    Sites()->addItems({"stale-a", "stale-b"});
    TypeAccount(QStringLiteral("demo"), QStringLiteral("wrong"));
    ClickLogin();
    EXPECT_EQ(Caption(), kLoggedOut);
    EXPECT_EQ(sandbox_->Count("sites"), 1);
    EXPECT_EQ(Sites()->count(), 0);
    EXPECT_EQ(Sites()->currentIndex(), -1);
    EXPECT_TRUE(LoginButton()->isEnabled());
}

// After a success, a failed attempt shows "not logged in" while the session of the earlier
// login may still list the sites: the list follows the session, the caption the attempt.
TEST_F(LoginFlowTest, CaptionFollowsTheLastAttemptAndTheListTheSession) {
    TypeAccount(QStringLiteral("demo"), QStringLiteral("secret"));
    ClickLogin();
    TypeAccount(QStringLiteral("demo"), QStringLiteral("wrong"));
    ClickLogin();
    EXPECT_EQ(Caption(), kLoggedOut);
    EXPECT_EQ(sandbox_->Count("sites"), 2);
    const std::vector<std::string> expected =
        SiteComboItems(FetchSiteList(globals_.endpoints, globals_.AccountSession));
    ASSERT_EQ(Sites()->count(), static_cast<int>(expected.size()));
    for (int i = 0; i < Sites()->count(); ++i) {
        EXPECT_EQ(fromQt(Sites()->itemText(i)), expected[i]);
    }
}

TEST_F(LoginFlowTest, EnterInThePasswordBoxLogsIn) {
    TypeAccount(QStringLiteral("demo"), QStringLiteral("secret"));
    QTest::keyClick(Edit("编辑框_密码"), Qt::Key_Return);
    EXPECT_EQ(Caption(), QStringLiteral("帐号登录（已登录：demo）"));
    EXPECT_EQ(SiteItems(), kSandboxSites);
    EXPECT_EQ(sandbox_->Count("login"), 1);
}

TEST_F(LoginFlowTest, CaptchaRoundWaitsForEnterThenClearsBoxAndPicture) {
    TypeAccount(QStringLiteral("captcha"), QStringLiteral("secret"));
    QLineEdit* captchaBox = Edit("编辑框_验证码");
    QElapsedTimer sinceEnter;
    bool disabledWhileWaiting = false;
    bool sawWrongAnswerPrompt = false;
    QElapsedTimer typed;
    UserScript user(window_.get(),
                    {
                        [&] { return PictureShown(); },
                        [&] {
                            disabledWhileWaiting = !LoginButton()->isEnabled();
                            QTest::keyClicks(captchaBox,
                                             QStringLiteral("0000"));  // a wrong answer first
                            QTest::keyClick(captchaBox, Qt::Key_Return);
                            return true;
                        },
                        [&] { return captchaBox->text().isEmpty(); },
                        [&] {  // the rejected answer brings a new prompt
                            sawWrongAnswerPrompt = PictureShown();
                            return sawWrongAnswerPrompt;
                        },
                        [&] {
                            QTest::keyClicks(captchaBox, toQt(sandbox_->CaptchaAnswer()));
                            typed.start();
                            return true;
                        },
                        [&] {  // nothing goes on before Enter
                            if (typed.elapsed() < 1500) {
                                return false;
                            }
                            EXPECT_EQ(sandbox_->Count("login"), 2);
                            EXPECT_TRUE(PictureShown());
                            QTest::keyClick(captchaBox, Qt::Key_Return);
                            sinceEnter.start();
                            return true;
                        },
                    });
    ClickLogin();
    EXPECT_TRUE(user.Finished());
    EXPECT_TRUE(disabledWhileWaiting);
    EXPECT_TRUE(sawWrongAnswerPrompt);
    EXPECT_LT(sinceEnter.elapsed(), 2000) << "the answer is picked up within about a second";
    EXPECT_EQ(Caption(), QStringLiteral("帐号登录（已登录：captcha）"));
    EXPECT_TRUE(captchaBox->text().isEmpty());
    EXPECT_FALSE(PictureShown());
    EXPECT_EQ(SiteItems(), kSandboxSites);
    EXPECT_EQ(sandbox_->Count("login"), 3);
}

TEST_F(LoginFlowTest, EnterInThePasswordBoxDuringACaptchaWaitStartsNoSecondLogin) {
    TypeAccount(QStringLiteral("captcha"), QStringLiteral("secret"));
    QLineEdit* captchaBox = Edit("编辑框_验证码");
    QElapsedTimer pressed;
    auto answer = [&] {
        QTest::keyClicks(captchaBox, toQt(sandbox_->CaptchaAnswer()));
        QTest::keyClick(captchaBox, Qt::Key_Return);
        return true;
    };
    // Posted, so that a wrongly started second login would not block the script itself.
    auto pressEnterAndClick = [&] {
        QTimer::singleShot(0, [&] {
            QTest::keyClick(Edit("编辑框_密码"), Qt::Key_Return);
            QTest::mouseClick(LoginButton(), Qt::LeftButton);
            pressed.start();
        });
        return true;
    };
    auto checkNoSecondLogin = [&] {
        if (!pressed.isValid() || pressed.elapsed() < 300) {
            return false;
        }
        EXPECT_EQ(sandbox_->Count("token"), 1);
        EXPECT_EQ(sandbox_->Count("login"), 1);
        return true;
    };
    UserScript user(window_.get(), {[&] { return PictureShown(); }, pressEnterAndClick,
                                    checkNoSecondLogin, answer});
    ClickLogin();
    EXPECT_TRUE(user.Finished());
    EXPECT_EQ(Caption(), QStringLiteral("帐号登录（已登录：captcha）"));
    EXPECT_EQ(sandbox_->Count("login"), 2);
    EXPECT_EQ(sandbox_->Count("sites"), 1);

    // Afterwards Enter in the password box logs in again.
    UserScript again(window_.get(), {[&] { return PictureShown(); }, answer});
    QTest::keyClick(Edit("编辑框_密码"), Qt::Key_Return);
    EXPECT_TRUE(again.Finished());
    EXPECT_EQ(sandbox_->Count("captcha-code"), 2);
    EXPECT_EQ(sandbox_->Count("sites"), 2);
}

TEST_F(LoginFlowTest, EnterInTheCaptchaBoxWithoutAPromptOnlySetsTheFlag) {
    QTest::keyClick(Edit("编辑框_验证码"), Qt::Key_Return);
    EXPECT_EQ(globals_.CaptchaAnswered, 1);
    EXPECT_EQ(sandbox_->Requests().size(), 0u);
    // The next prompt clears the flag before it waits: the login still waits for Enter.
    TypeAccount(QStringLiteral("captcha"), QStringLiteral("secret"));
    QElapsedTimer shown;
    UserScript user(window_.get(), {
                                       [&] {
                                           if (PictureShown() && !shown.isValid()) {
                                               shown.start();
                                           }
                                           return shown.isValid() && shown.elapsed() > 1200;
                                       },
                                       [&] {
                                           EXPECT_EQ(sandbox_->Count("login"), 1);
                                           QTest::keyClicks(Edit("编辑框_验证码"),
                                                            toQt(sandbox_->CaptchaAnswer()));
                                           QTest::keyClick(Edit("编辑框_验证码"), Qt::Key_Return);
                                           return true;
                                       },
                                   });
    ClickLogin();
    EXPECT_EQ(Caption(), QStringLiteral("帐号登录（已登录：captcha）"));
}

// Closing the window while the login waits for a captcha answer ends the wait at once: the
// handler returns without a site request, and the application's loop ends.
TEST_F(LoginFlowTest, ClosingDuringTheCaptchaWaitEndsTheProgramAtOnce) {
    TypeAccount(QStringLiteral("captcha"), QStringLiteral("secret"));
    QElapsedTimer sinceClose;
    UserScript user(window_.get(), {
                                       [&] { return PictureShown(); },
                                       [&] {
                                           sinceClose.start();
                                           window_->close();
                                           return true;
                                       },
                                   });
    QObject::connect(window_.get(), &MainWindow::closed, qApp, &QCoreApplication::quit);
    QTimer::singleShot(0, LoginButton(), &QPushButton::click);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });  // a hang fails, not blocks
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(user.Finished());
    EXPECT_LT(sinceClose.elapsed(), 1500);
    EXPECT_EQ(sandbox_->Count("sites"), 0);
    EXPECT_EQ(sandbox_->Count("login"), 1);
    window_.reset();  // the window goes after the loop, as at program end
}

TEST(FillSiteCombo, ReplacesTheItemsAndSelectsTheFirst) {
    const std::pair<std::string, QStringList> cases[] = {
        {"a.com\r\nb.com\r\nc.com\r\n", {"a.com", "b.com", "c.com"}}, {"", {}},
        {"a.com\r\n\r\nb.com\r\n", {"a.com", "", "b.com"}},           {"last.com", {"last.com"}},
        {Gbk(u8"中文.com\r\n"), {QStringLiteral("中文.com")}},
    };
    for (const auto& [list, items] : cases) {
        QComboBox combo;
        combo.addItems({"old-1", "old-2"});
        combo.setCurrentIndex(1);
        FillSiteCombo(&combo, list);
        QStringList shown;
        for (int i = 0; i < combo.count(); ++i) {
            shown << combo.itemText(i);
        }
        EXPECT_EQ(shown, items) << list;
        EXPECT_EQ(combo.currentIndex(), items.isEmpty() ? -1 : 0) << list;
    }
}

std::string Encoded(const char* format) {
    QImage image(30, 12, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

TEST(ShowPictureBytes, PngJpegAndGifShownOtherBytesClearThePicture) {
    // The smallest GIF: 1 x 1 pixel (Qt reads GIF but cannot write it).
    const std::string gif(
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00"
        ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
        43);
    const std::tuple<const char*, std::string, QSize> cases[] = {
        {"png", Encoded("PNG"), {30, 12}},
        {"jpeg", Encoded("JPEG"), {30, 12}},
        {"gif", gif, {1, 1}},
        {"garbage", "not a picture at all", {0, 0}},
        {"empty", "", {0, 0}},
        {"cut png", Encoded("PNG").substr(0, 20), {0, 0}},
    };
    for (const auto& [name, bytes, size] : cases) {
        QLabel picture;
        picture.setPixmap(QPixmap(5, 5));  // an earlier picture
        ShowPictureBytes(&picture, bytes);
        EXPECT_EQ(picture.pixmap().size(), size) << name;
        EXPECT_EQ(picture.pixmap().isNull(), size.isEmpty()) << name;
    }
}

TEST(WaitWithEvents, ProcessesEventsForAtLeastTheTimeGivenOrUntilStopped) {
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&fired] { ++fired; });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    WaitWithEvents(200);
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_GE(fired, 5) << "events were processed during the wait";

    bool stop = false;
    QTimer::singleShot(50, [&stop] { stop = true; });
    clock.restart();
    WaitWithEvents(5000, &stop);
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
