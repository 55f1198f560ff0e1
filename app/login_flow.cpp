#include "app/login_flow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QThread>

#include "app/qt_text.h"
#include "platform/site_list.h"

namespace brevink {
namespace {

constexpr int kCaptchaPollMs = 1000;

template <class Widget>
Widget* Find(QWidget* window, const char* name) {
    return window->findChild<Widget*>(QString::fromUtf8(name));
}

}  // namespace

LoginControls FindLoginControls(QWidget* window) {
    LoginControls controls;
    controls.loginGroup = Find<QGroupBox>(window, "分组框1");
    controls.account = Find<QLineEdit>(window, "编辑框_帐号");
    controls.password = Find<QLineEdit>(window, "编辑框_密码");
    controls.captchaPicture = Find<QLabel>(window, "图片框_验证码");
    controls.captchaBox = Find<QLineEdit>(window, "编辑框_验证码");
    controls.loginButton = Find<QPushButton>(window, "按钮_登录");
    controls.siteCombo = Find<QComboBox>(window, "组合框_域名");
    return controls;
}

LoginFlow::LoginFlow(Globals& globals, const LoginControls& controls)
    : globals_(globals), controls_(controls) {}

void LoginFlow::OnLoginClicked() {
    if (running_ || abandoned_) {
        return;
    }
    running_ = true;
    controls_.loginButton->setEnabled(false);
    const std::string account = fromQt(controls_.account->text());
    const std::string password = fromQt(controls_.password->text());
    const bool ok = RunLogin(account, password, controls_.captchaPicture, controls_.captchaBox,
                             globals_.AccountSession);
    if (abandoned_) {
        return;  // the window is closing: no site request, no more widget work
    }
    ShowLoginState(ok);
    FillSiteCombo(controls_.siteCombo, FetchSiteList(globals_.endpoints, globals_.AccountSession));
    controls_.loginButton->setEnabled(true);
    running_ = false;
}

void LoginFlow::OnPasswordEnter() {
    OnLoginClicked();  // ignored while a login runs
}

void LoginFlow::OnCaptchaEnter() {
    globals_.CaptchaAnswered = 1;
}

void LoginFlow::Abandon() {
    abandoned_ = true;
}

bool LoginFlow::RunLogin(const std::string& account, const std::string& password, QLabel* picture,
                         QLineEdit* captchaBox, std::string& cookieOut) {
    std::string answer;
    std::string image;
    for (;;) {
        const LoginResult result = LoginExchange(globals_.endpoints, globals_.login, account,
                                                 password, answer, cookieOut, image);
        if (result != LoginResult::Captcha) {
            return result == LoginResult::Success;
        }
        ShowPictureBytes(picture, image);
        globals_.CaptchaAnswered = 0;
        while ((globals_.CaptchaAnswered & 1) == 0) {
            WaitWithEvents(kCaptchaPollMs, &abandoned_);
            if (abandoned_) {
                return false;
            }
        }
        answer = fromQt(captchaBox->text());
        captchaBox->clear();
        picture->clear();
    }
}

void LoginFlow::ShowLoginState(bool loggedIn) {
    controls_.loginGroup->setTitle(loggedIn ? QStringLiteral("帐号登录（已登录：") +
                                                  controls_.account->text() + QStringLiteral("）")
                                            : QStringLiteral("帐号登录（未登录）"));
}

void WaitWithEvents(int ms, const bool* stop) {
    QElapsedTimer clock;
    clock.start();
    do {
        QThread::msleep(1);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (stop != nullptr && *stop) {
            return;
        }
    } while (clock.elapsed() < ms);
}

void FillSiteCombo(QComboBox* combo, const std::string& siteList) {
    combo->clear();
    for (const std::string& site : SiteComboItems(siteList)) {
        combo->addItem(toQt(site));
    }
    combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
}

void ShowPictureBytes(QLabel* picture, const std::string& bytes) {
    QPixmap pixmap;
    if (!bytes.empty()) {
        pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<uint>(bytes.size()));
    }
    if (pixmap.isNull()) {
        picture->clear();
    } else {
        picture->setPixmap(pixmap);
    }
}

}  // namespace brevink
