// The controls of the main window at their places, in creation order (the order gives each
// kept control its identifier in the settings file, so new controls go at the end).
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QTreeView>

#include "app/main_window.h"
#include "app/window_settings.h"

namespace brevink {
namespace {

constexpr int kFirstControlId = 1001;

struct ColumnSpec {
    const char* title;
    int width;
};
constexpr ColumnSpec kLinkColumns[] = {
    {"ID", 80}, {"外链URL", 150}, {"锚文本", 100}, {"外链网页标题", 185}, {"百度权重", 65}};

// Places new controls and numbers them in creation order.
class ControlMaker final {
  public:
    template <class Widget>
    Widget* Make(QWidget* container, const char* name, QRect geometry,
                 const QString& text = QString()) {
        auto* widget = new Widget(container);
        widget->setObjectName(QString::fromUtf8(name));
        widget->setGeometry(geometry);
        SetControlId(widget, nextId_++);
        if constexpr (std::is_base_of_v<QGroupBox, Widget>) {
            widget->setTitle(text);
        } else if constexpr (requires { widget->setText(text); }) {
            widget->setText(text);
        }
        return widget;
    }

  private:
    int nextId_ = kFirstControlId;
};

QStandardItemModel* ColumnTitlesModel(QObject* parent) {
    auto* model = new QStandardItemModel(0, std::size(kLinkColumns), parent);
    for (int column = 0; column < static_cast<int>(std::size(kLinkColumns)); ++column) {
        model->setHeaderData(column, Qt::Horizontal, QString::fromUtf8(kLinkColumns[column].title));
    }
    return model;
}

void SetUpLinkList(QTreeView* view) {
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSortingEnabled(false);  // header clicks sort through the link table's own code
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->header()->setSectionsClickable(true);
    view->header()->setStretchLastSection(false);
    view->setModel(ColumnTitlesModel(view));
    for (int column = 0; column < static_cast<int>(std::size(kLinkColumns)); ++column) {
        view->header()->resizeSection(column, kLinkColumns[column].width);
    }
}

}  // namespace

QString MainWindowTitle() {
    return QStringLiteral("Brevink - brevink.example - 2015-04-14");
}

void MainWindow::BuildControls() {
    ControlMaker maker;
    auto* login = maker.Make<QGroupBox>(this, "分组框1", {13, 10, 612, 66},
                                        QStringLiteral("帐号登录（未登录）"));
    maker.Make<QLabel>(login, "标签1", {10, 24, 32, 24}, QStringLiteral("帐号："));
    maker.Make<QLineEdit>(login, "编辑框_帐号", {48, 24, 120, 24});
    maker.Make<QLabel>(login, "标签2", {179, 24, 32, 24}, QStringLiteral("密码："));
    maker.Make<QLineEdit>(login, "编辑框_密码", {217, 24, 120, 24})
        ->setEchoMode(QLineEdit::Password);
    maker.Make<QLabel>(login, "图片框_验证码", {345, 13, 102, 44})->setAlignment(Qt::AlignCenter);
    maker.Make<QLineEdit>(login, "编辑框_验证码", {454, 24, 60, 24});
    maker.Make<QPushButton>(login, "按钮_登录", {521, 20, 80, 32}, QStringLiteral("登 录"));

    auto* links =
        maker.Make<QGroupBox>(this, "分组框2", {13, 84, 612, 483}, QStringLiteral("外链操作"));
    maker.Make<QLabel>(links, "标签3", {15, 18, 160, 24},
                       QStringLiteral("请选择您想查询的网站地址： "));
    maker.Make<QComboBox>(links, "组合框_域名", {174, 19, 177, 24});
    maker.Make<QCheckBox>(links, "选择框_查标题", {365, 19, 64, 24}, QStringLiteral("查标题"));
    maker.Make<QCheckBox>(links, "选择框_查权重", {435, 19, 64, 24}, QStringLiteral("查权重"));
    maker.Make<QPushButton>(links, "按钮_开始查询", {503, 16, 80, 26}, QStringLiteral("开始查询"));
    SetUpLinkList(maker.Make<QTreeView>(links, "超级列表框1", {4, 50, 604, 429}));
    maker.Make<QPushButton>(links, "按钮1", {331, 140, 80, 32})->setVisible(false);

    auto* ad =
        maker.Make<QGroupBox>(this, "分组框4", {630, 10, 224, 557}, QStringLiteral("广而告之"));
    ShowMakerPage(maker.Make<QTextBrowser>(ad, "超文本浏览框1", {1, 12, 221, 542}));

    // Our own status line below the group boxes; its height follows the client area.
    status_ = maker.Make<QLabel>(this, "标签_状态", {13, 569, 841, 18});
    BuildPopupMenu();
}

void MainWindow::BuildPopupMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("菜单_超列右键菜单"));
    const char* const entries[] = {"高级过滤", nullptr,    "勾选选中", "反选选中", nullptr,
                                   "全部勾选", "全部取消", "全部反选", nullptr,    "拒绝勾选外链"};
    for (const char* entry : entries) {
        if (entry == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry));
        action->setObjectName(QString::fromUtf8(entry));
    }
}

}  // namespace brevink
