#include "table/qt/table_commands.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <atomic>
#include <functional>
#include <map>
#include <thread>

#include "app/qt_text.h"
#include "table/export_table.h"
#include "table/qt/filter_window.h"
#include "table/qt/link_model.h"
#include "table/qt/query_controller.h"
#include "table/reject_run.h"
#include "table/sort_table.h"
#include "table/tick_commands.h"

namespace brevink {
namespace {

constexpr const char* kCommandsName = "brevinkTableCommands";

template <class Widget>
Widget* Child(const QObject* parent, const char* name) {
    return parent != nullptr ? parent->findChild<Widget*>(QString::fromUtf8(name)) : nullptr;
}

QAction* MenuEntry(const QMenu* menu, const char* caption) {
    const QString name = QString::fromUtf8(caption);
    for (QAction* action : menu->actions()) {
        if (action->objectName() == name) {
            return action;
        }
    }
    return nullptr;
}

// A "提示" message that does not block: the caller returns at once; the box tells when it is
// closed (finished).
QMessageBox* ShowNotice(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("提示"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

class TableCommands final : public QObject {
  public:
    TableCommands(QWidget* mainWindow, Globals& globals)
        : QObject(mainWindow), window_(mainWindow), globals_(globals) {
        setObjectName(QLatin1String(kCommandsName));
        model_ = LinkModelOf(mainWindow);
        view_ = Child<QTreeView>(mainWindow, "超级列表框1");
        startButton_ = Child<QPushButton>(mainWindow, "按钮_开始查询");
        siteBox_ = Child<QComboBox>(mainWindow, "组合框_域名");
        if (model_ != nullptr && view_ != nullptr) {
            ConnectList();
            ConnectMenu(Child<QMenu>(mainWindow, "菜单_超列右键菜单"));
            ConnectExport(Child<QPushButton>(Child<QGroupBox>(mainWindow, "分组框2"), "按钮1"));
        }
    }
    ~TableCommands() override { Stop(); }
    TableCommands(const TableCommands&) = delete;
    TableCommands& operator=(const TableCommands&) = delete;

    void Stop() {
        stop_.store(true);
        for (auto& [id, thread] : rejectThreads_) {
            thread.join();
        }
        rejectThreads_.clear();
    }

  private:
    LinkTableState& table() { return globals_.table; }

    void ConnectList() {
        connect(model_, &LinkModel::checkBoxChangedByUser, this,
                [this](int row, int state) { OnCheckBoxChanged(table(), row, state); });
        connect(view_, &QAbstractItemView::doubleClicked, this, [this] { OpenRowLink(); });
        view_->header()->setSectionsClickable(true);
        connect(view_->header(), &QHeaderView::sectionClicked, this,
                [this](int column) { OnHeader(column); });
    }

    void ConnectMenu(QMenu* menu) {
        if (menu == nullptr) {
            return;
        }
        view_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view_, &QWidget::customContextMenuRequested, menu, [this, menu](const QPoint& at) {
            menu->popup(view_->viewport()->mapToGlobal(at));
        });
        OnEntry(menu, "高级过滤", [this] { OpenFilterWindow(); });
        OnEntry(menu, "勾选选中", [this] { CheckSelected(*model_, table()); });
        OnEntry(menu, "反选选中", [this] { InvertSelected(*model_, table()); });
        OnEntry(menu, "全部勾选", [this] { CheckAll(*model_, table()); });
        OnEntry(menu, "全部取消", [this] { UncheckAll(*model_, table()); });
        OnEntry(menu, "全部反选", [this] { InvertAll(*model_, table()); });
        OnEntry(menu, "拒绝勾选外链", [this] { StartRejectRun(); });
    }

    void OnEntry(QMenu* menu, const char* caption, const std::function<void()>& command) {
        if (QAction* action = MenuEntry(menu, caption)) {
            connect(action, &QAction::triggered, this, command);
        }
    }

    void ConnectExport(QPushButton* button) {
        if (button != nullptr) {
            // No message, as before: the button is not offered to the user.
            connect(button, &QPushButton::clicked, this,
                    [this] { ExportTable(*model_, globals_.exportPath); });
        }
    }

    void OpenRowLink() {
        const std::vector<int> rows = model_->SelectedRows();
        if (rows.empty()) {
            return;
        }
        const QUrl url = RowLinkAddress(toQt(model_->Cell(rows.front(), 1)));
        if (url.isValid()) {
            QDesktopServices::openUrl(url);
        }
    }

    void OnHeader(int column) {
        if (OnHeaderClicked(*model_, table(), column) == HeaderClick::Refused) {
            ShowNotice(window_, QStringLiteral("全部查询完成后方可以进行排序！"));
        }
    }

    void OpenFilterWindow() {
        if (!filterWindow_) {
            filterWindow_ =
                new FilterWindow(window_, globals_.settingsPath, globals_.endpoints.helpPage);
            connect(filterWindow_, &FilterWindow::filterRequested, this, [this] { OnFilter(); });
        }
        filterWindow_->ShowAtHome();
    }

    void OnFilter() {
        if (!CanReorderTable(table())) {
            ShowNotice(filterWindow_, QStringLiteral("全部查询完成后方可以进行过滤！"));
            return;
        }
        const FilterCondition condition = filterWindow_->ChosenCondition();
        FilterTable(*model_, table(), condition.field, condition.keyword, condition.notContaining);
    }

    // The ticked links are read here, on the UI thread, so the run's thread holds nothing
    // but its own copies and never outlives what it reads.
    void StartRejectRun() {
        if (stop_.load()) {
            return;
        }
        if (!table().QueryRunning.load() && startButton_) {
            startButton_->setEnabled(false);
        }
        ++rejectRuns_;
        std::string site;
        if (siteBox_ && siteBox_->currentIndex() >= 0) {
            site = fromQt(siteBox_->itemText(siteBox_->currentIndex()));
        }
        const int id = nextRejectId_++;
        rejectThreads_[id] =
            std::thread([this, id, urls = TickedUrls(*model_), site, endpoints = globals_.endpoints,
                         cookie = globals_.AccountSession] {
                const RejectOutcome outcome = SubmitRejects(urls, endpoints, site, cookie, stop_);
                QMetaObject::invokeMethod(
                    this, [this, id, outcome] { OnRejectDone(id, outcome); }, Qt::QueuedConnection);
            });
    }

    // On the UI thread, when run `id` has sent its last batch (its thread is ending).
    void OnRejectDone(int id, const RejectOutcome& outcome) {
        auto done = rejectThreads_.find(id);
        if (done == rejectThreads_.end()) {
            return;  // already joined by Stop
        }
        done->second.join();
        rejectThreads_.erase(done);
        QMessageBox* box = ShowNotice(window_, toQt(RejectMessage(outcome)));
        connect(box, &QMessageBox::finished, this, [this] { EndRejectRun(); });
    }

    // After the user closed the run's message. A query run in progress keeps the button as
    // it set it.
    void EndRejectRun() {
        if (--rejectRuns_ == 0 && !table().QueryRunning.load() && startButton_) {
            startButton_->setEnabled(true);
        }
    }

    QWidget* window_;
    Globals& globals_;
    LinkModel* model_ = nullptr;
    QPointer<QTreeView> view_;
    QPointer<QPushButton> startButton_;
    QPointer<QComboBox> siteBox_;
    QPointer<FilterWindow> filterWindow_;
    std::atomic<bool> stop_{false};
    int rejectRuns_ = 0;  // started and not yet ended by their message
    int nextRejectId_ = 0;
    std::map<int, std::thread> rejectThreads_;
};

TableCommands* CommandsOf(QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return nullptr;
    }
    return dynamic_cast<TableCommands*>(
        mainWindow->findChild<QObject*>(QLatin1String(kCommandsName), Qt::FindDirectChildrenOnly));
}

bool StartsWithScheme(const QString& text) {
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

}  // namespace

void AttachTableCommands(QWidget* mainWindow, Globals& globals) {
    if (mainWindow != nullptr && CommandsOf(mainWindow) == nullptr) {
        new TableCommands(mainWindow, globals);
    }
}

void StopTableCommands(QWidget* mainWindow) {
    if (TableCommands* commands = CommandsOf(mainWindow)) {
        commands->Stop();
    }
}

QUrl RowLinkAddress(const QString& urlText) {
    const QUrl url(StartsWithScheme(urlText) ? urlText : QStringLiteral("http://") + urlText);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https")) {
        return {};
    }
    return url;
}

}  // namespace brevink
