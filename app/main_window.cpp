#include "app/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

#include "app/endpoints_config.h"
#include "app/login_flow.h"
#include "app/qt_text.h"
#include "app/window_settings.h"

// Resources of a static library are registered by hand (outside any namespace).
static void InitBundledResources() {
    Q_INIT_RESOURCE(brevink);
}

namespace brevink {
namespace {

constexpr int kFontPixels = 12;  // the captions were laid out for a 12-pixel font
constexpr int kStatusTop = 569;  // below the group boxes, which end at 567
constexpr int kStatusMinHeight = 14;
constexpr int kStatusMaxHeight = 20;

// Group box titles sit on the frame line, as the layout's positions assume (the controls start
// a few pixels below the top edge of each box).
constexpr const char* kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 8px; padding: 0 2px; }";

bool IsWebAddress(const QString& page) {
    return page.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           page.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// A page that QTextBrowser opens itself: a resource, a file URL or a local path (relative to
// the settings file's directory).
QUrl LocalPageUrl(const QString& page, const std::string& settingsPath) {
    if (page.startsWith(QLatin1String("qrc:")) || page.startsWith(QLatin1String("file:"))) {
        return QUrl(page);
    }
    const QDir base = QFileInfo(QString::fromStdString(settingsPath)).absoluteDir();
    return QUrl::fromLocalFile(base.absoluteFilePath(page));
}

// The text browser renders no remote pages; a web address is offered as a link that opens in
// the system's browser.
QString LinkPage(const QString& address) {
    const QString escaped = address.toHtmlEscaped();
    return QStringLiteral("<p>广而告之 / Announcements:</p><p><a href=\"%1\">%1</a></p>")
        .arg(escaped);
}

}  // namespace

MainWindow::MainWindow(Globals& globals, QWidget* parent) : QWidget(parent), globals_(globals) {
    InitBundledResources();
    setWindowTitle(MainWindowTitle());
    QFont windowFont = font();
    windowFont.setPixelSize(kFontPixels);
    setFont(windowFont);
    setStyleSheet(QString::fromLatin1(kGroupBoxStyle));
    BuildControls();
    login_ = std::make_unique<LoginFlow>(globals_, FindLoginControls(this));
    ConnectLogin();
    resize(kWindowWidth, kWindowHeight);
    LoadWindowSettings(this, globals_.settingsPath);
}

MainWindow::~MainWindow() = default;

void MainWindow::ShowMakerPage(QTextBrowser* view) {
    view->setOpenExternalLinks(true);
    const QString page = toQt(globals_.endpoints.adPage);
    if (page.isEmpty()) {
        view->setSource(QUrl(QString::fromLatin1(kBundledGuidePage)));
    } else if (IsWebAddress(page)) {
        view->setHtml(LinkPage(page));
    } else {
        view->setSource(LocalPageUrl(page, globals_.settingsPath));
    }
}

void MainWindow::ConnectLogin() {
    const LoginControls controls = FindLoginControls(this);
    LoginFlow* flow = login_.get();
    connect(controls.loginButton, &QPushButton::clicked, this, [flow] { flow->OnLoginClicked(); });
    connect(controls.password, &QLineEdit::returnPressed, this,
            [flow] { flow->OnPasswordEnter(); });
    connect(controls.captchaBox, &QLineEdit::returnPressed, this,
            [flow] { flow->OnCaptchaEnter(); });
}

void MainWindow::ShowAtHome() {
    move(kWindowLeft, kWindowTop);
    show();
    FitOuterSize();
}

// The frame (if any) is known only once the window is shown, and under X11 only when the
// window manager has framed it (a move event follows); the client area gets what the outer size
// leaves.
void MainWindow::FitOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    frameFitted_ = !frame.isNull();
    resize(kWindowWidth - frame.width(), kWindowHeight - frame.height());
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible() && !frameFitted_ && frameGeometry().size() != geometry().size()) {
        FitOuterSize();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    login_->Abandon();
    QWidget::closeEvent(event);
    emit closed();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (status_ != nullptr) {
        const int height =
            std::clamp(this->height() - kStatusTop - 2, kStatusMinHeight, kStatusMaxHeight);
        status_->setGeometry(13, kStatusTop, 841, height);
    }
}

}  // namespace brevink
