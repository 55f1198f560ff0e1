#include "table/qt/filter_window.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <type_traits>

#include "app/endpoints_config.h"
#include "app/qt_text.h"
#include "app/window_settings.h"

namespace brevink {
namespace {

constexpr int kFirstControlId = 1001;

// The names of one field's row of controls.
struct FieldRow {
    FilterField field;
    const char* edit;
    const char* notContaining;
    const char* use;
};
constexpr FieldRow kUrlRow{FilterField::Url, "编辑框_外链URL", "选择框_外链URL_不包含",
                           "单选框_外链URL"};
constexpr FieldRow kAnchorRow{FilterField::Anchor, "编辑框_锚文本", "选择框_锚文本_不包含",
                              "单选框_锚文本"};
constexpr FieldRow kTitleRow{FilterField::Title, "编辑框_网页标题", "选择框_网页标题_不包含",
                             "单选框_网页标题"};

template <class Widget>
Widget* Child(const QWidget* window, const char* name) {
    return window->findChild<Widget*>(QString::fromUtf8(name));
}

// Places the controls and numbers them in creation order, which keeps their keys in the
// settings file the same from run to run.
class ControlMaker final {
  public:
    explicit ControlMaker(QWidget* window) : window_(window) {}

    template <class Widget>
    Widget* Make(const char* name, QRect geometry, const char* text = "") {
        auto* widget = new Widget(window_);
        widget->setObjectName(QString::fromUtf8(name));
        widget->setGeometry(geometry);
        SetControlId(widget, nextId_++);
        if constexpr (!std::is_same_v<Widget, QLineEdit>) {
            widget->setText(QString::fromUtf8(text));
        }
        return widget;
    }

  private:
    QWidget* window_;
    int nextId_ = kFirstControlId;
};

void MakeRow(ControlMaker& maker, const FieldRow& row, const char* label, const char* caption,
             int labelX, int top) {
    maker.Make<QLabel>(label, {labelX, top, 67 - labelX, 24}, caption);  // ends before the box
    maker.Make<QLineEdit>(row.edit, {68, top + 2, 240, 20});
    maker.Make<QCheckBox>(row.notContaining, {313, top + 1, 64, 24}, "不包含");
    maker.Make<QRadioButton>(row.use, {384, top + 1, 80, 24}, "启用");
}

bool IsWebAddress(const QString& page) {
    return page.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           page.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// A browser cannot open a page inside the program's resources: the bundled guide is written
// out to the user's cache directory and opened from there.
QUrl ResourcePageFile(const QString& page) {
    const QString resource = page.mid(3);  // "qrc:/x" -> ":/x"
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QFile source(resource);
    if (dir.isEmpty() || !QDir().mkpath(dir) || !source.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString path = QDir(dir).filePath(QFileInfo(resource).fileName());
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(source.readAll()) < 0 ||
        !target.commit()) {
        return {};
    }
    return QUrl::fromLocalFile(path);
}

}  // namespace

FilterWindow::FilterWindow(QWidget* owner, const std::string& settingsPath,
                           const std::string& helpPage)
    : QWidget(owner, Qt::Window), settingsPath_(settingsPath), helpPage_(helpPage) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("高级过滤（将符合条件的排到最前）"));
    BuildControls();
    resize(kWidth, kHeight);
    LoadWindowSettings(this, settingsPath_);
    // A fresh window (or a file that kept no choice) starts with the URL row in use.
    if (!Child<QRadioButton>(this, kUrlRow.use)->isChecked() &&
        !Child<QRadioButton>(this, kAnchorRow.use)->isChecked() &&
        !Child<QRadioButton>(this, kTitleRow.use)->isChecked()) {
        Child<QRadioButton>(this, kUrlRow.use)->setChecked(true);
    }
}

void FilterWindow::BuildControls() {
    ControlMaker maker(this);
    MakeRow(maker, kUrlRow, "标签1", "外链URL：", 11, 7);
    MakeRow(maker, kAnchorRow, "标签2", "锚文本：", 11, 43);
    MakeRow(maker, kTitleRow, "标签3", "网页标题：", 3, 79);

    auto* help = maker.Make<QLabel>("超级链接框1", {81, 115, 256, 24});
    const QString address =
        helpPage_.empty() ? QStringLiteral("Brevink 使用指南（随程序附带）") : toQt(helpPage_);
    help->setText(
        QStringLiteral("使用说明：<a href=\"#help\">%1</a>").arg(address.toHtmlEscaped()));
    help->setTextFormat(Qt::RichText);
    connect(help, &QLabel::linkActivated, this, &FilterWindow::OpenHelp);

    auto* button = maker.Make<QPushButton>("按钮1", {346, 109, 80, 32}, "过 滤");
    connect(button, &QPushButton::clicked, this, &FilterWindow::OnFilterClicked);
}

FilterCondition FilterWindow::ChosenCondition() const {
    const FieldRow& row = Child<QRadioButton>(this, kAnchorRow.use)->isChecked() ? kAnchorRow
                          : Child<QRadioButton>(this, kUrlRow.use)->isChecked()  ? kUrlRow
                                                                                 : kTitleRow;
    return {row.field, fromQt(Child<QLineEdit>(this, row.edit)->text()),
            Child<QCheckBox>(this, row.notContaining)->isChecked()};
}

void FilterWindow::OnFilterClicked() {
    SaveWindowSettings(this, settingsPath_, "");
    emit filterRequested();
}

void FilterWindow::ShowAtHome() {
    if (!isVisible()) {
        move(kLeft, kTop);
        show();
        // The frame (if any) is known only once the window is shown.
        const QSize frame = frameGeometry().size() - geometry().size();
        resize(kWidth - frame.width(), kHeight - frame.height());
    }
    raise();
    activateWindow();
}

QUrl FilterWindow::HelpUrl() const {
    const QString page =
        helpPage_.empty() ? QString::fromLatin1(kBundledGuidePage) : toQt(helpPage_);
    if (IsWebAddress(page) || page.startsWith(QLatin1String("file:"))) {
        return QUrl(page);
    }
    if (page.startsWith(QLatin1String("qrc:"))) {
        return ResourcePageFile(page);
    }
    // A local path, relative to the settings file's directory.
    const QDir base = QFileInfo(QString::fromStdString(settingsPath_)).absoluteDir();
    return QUrl::fromLocalFile(base.absoluteFilePath(page));
}

void FilterWindow::OpenHelp() {
    const QUrl url = HelpUrl();
    if (url.isValid()) {
        QDesktopServices::openUrl(url);
    }
}

}  // namespace brevink
