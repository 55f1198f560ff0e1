#pragma once
// The start-up window: login area, link area with the link list, and the maker's page. Every
// control has its form name as objectName (分组框1, 编辑框_帐号, 按钮_登录, 超级列表框1, ...).
#include <QWidget>
#include <memory>

#include "app/globals.h"

class QLabel;
class QTextBrowser;

namespace brevink {

class LoginFlow;

// Outer size and place of the window on screen (frame included where there is one).
inline constexpr int kWindowLeft = 50;
inline constexpr int kWindowTop = 50;
inline constexpr int kWindowWidth = 872;
inline constexpr int kWindowHeight = 614;

class MainWindow final : public QWidget {
    Q_OBJECT

  public:
    // Builds every control, shows the maker's page and restores the settings of
    // globals.settingsPath. The globals must outlive the window.
    explicit MainWindow(Globals& globals, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    Globals& globals() { return globals_; }
    LoginFlow& loginFlow() { return *login_; }

    // Shows the window with its frame at (50, 50) and an outer size of 872 x 614; without a
    // frame (bare X server, offscreen) the client area takes the whole size.
    void ShowAtHome();

  signals:
    // The window was closed: the program ends (whatever other windows are open).
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void BuildControls();  // main_window_layout.cpp
    void BuildPopupMenu();
    void ShowMakerPage(QTextBrowser* view);
    void ConnectLogin();
    void FitOuterSize();

    Globals& globals_;
    std::unique_ptr<LoginFlow> login_;
    QLabel* status_ = nullptr;
    bool frameFitted_ = false;
};

// The caption of the window: "Brevink - <maker site> - 2015-04-14".
QString MainWindowTitle();

}  // namespace brevink
