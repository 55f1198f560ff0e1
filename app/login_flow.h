#pragma once
// The login as the user sees it: the login button, Enter in the password and captcha boxes,
// the captcha picture, the login state in the caption of 分组框1 and the site list refilled
// after every attempt. Everything runs on the UI thread; the requests block it (bounded by the
// engine's time limits) and the captcha wait keeps the window alive by processing events.
#include <string>

#include "app/globals.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace brevink {

struct LoginControls {
    QGroupBox* loginGroup = nullptr;     // 分组框1
    QLineEdit* account = nullptr;        // 编辑框_帐号
    QLineEdit* password = nullptr;       // 编辑框_密码
    QLabel* captchaPicture = nullptr;    // 图片框_验证码
    QLineEdit* captchaBox = nullptr;     // 编辑框_验证码
    QPushButton* loginButton = nullptr;  // 按钮_登录
    QComboBox* siteCombo = nullptr;      // 组合框_域名
};

// The controls above, found by their form names below `window`.
LoginControls FindLoginControls(QWidget* window);

class LoginFlow final {
  public:
    LoginFlow(Globals& globals, const LoginControls& controls);
    LoginFlow(const LoginFlow&) = delete;
    LoginFlow& operator=(const LoginFlow&) = delete;

    // The login button: log in, show the outcome, refill the site list.
    void OnLoginClicked();
    // Enter in 编辑框_密码: a login as the button starts one, unless one is running already
    // (a second login inside the first one's captcha wait would tangle both).
    void OnPasswordEnter();
    // Enter in 编辑框_验证码: the captcha answer is ready.
    void OnCaptchaEnter();
    // The window is closing: a captcha wait in progress ends at once and the running login
    // stops without touching the window again.
    void Abandon();

    // Runs the login exchange until the account service accepts or refuses it, asking the user
    // for each captcha. True when the login was accepted.
    bool RunLogin(const std::string& account, const std::string& password, QLabel* picture,
                  QLineEdit* captchaBox, std::string& cookieOut);

    bool running() const { return running_; }

  private:
    void ShowLoginState(bool loggedIn);

    Globals& globals_;
    LoginControls controls_;
    bool running_ = false;
    bool abandoned_ = false;
};

// Returns after at least `ms` milliseconds, processing window events all along (sleeping 1 ms
// between rounds); earlier when `stop` is given and becomes true.
void WaitWithEvents(int ms, const bool* stop = nullptr);

// Replaces the combo box items by the sites of a site list text; selects the first one.
void FillSiteCombo(QComboBox* combo, const std::string& siteList);

// Shows a picture given as bytes (PNG, JPEG or GIF); empty or unreadable bytes clear it.
void ShowPictureBytes(QLabel* picture, const std::string& bytes);

}  // namespace brevink
