#include "table/qt/query_controller.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/qt_text.h"
#include "app/window_settings.h"
#include "table/qt/link_model.h"
#include "table/query_run.h"

namespace brevink {
namespace {

constexpr const char* kControllerName = "brevinkQueryRun";
constexpr int kColumnWidths[kLinkColumns] = {80, 150, 100, 185, 65};
constexpr std::chrono::milliseconds kStatusGap{100};

QString StatusText(const QueryProgress& progress) {
    if (progress.pagePhase) {
        return QStringLiteral("正在获取外链：第 %1 页，已得 %2 条（平台报告 %3 条）")
            .arg(progress.pages)
            .arg(progress.links)
            .arg(progress.count);
    }
    QString text = progress.finished ? QStringLiteral("查询完成：%1 条外链").arg(progress.links)
                                     : QStringLiteral("外链 %1 条").arg(progress.links);
    const LookupProgress& lookups = progress.lookups;
    if (lookups.titlesTotal > 0) {
        text += QStringLiteral("；标题 %1/%2").arg(lookups.titlesDone).arg(lookups.titlesTotal);
    }
    if (lookups.ranksTotal > 0) {
        text += QStringLiteral("；权重 %1/%2").arg(lookups.ranksDone).arg(lookups.ranksTotal);
    }
    return text;
}

// Owns the link model and the query thread of one main window. A child of the window, so it
// is destroyed with it; its destructor joins the thread before the model goes.
class QueryController final : public QObject {
  public:
    QueryController(QWidget* window, Globals& globals) : QObject(window), globals_(globals) {
        setObjectName(QLatin1String(kControllerName));
        model_ = new LinkModel(this);
        InstallModel(window->findChild<QAbstractItemView*>(QStringLiteral("超级列表框1")));
        startButton_ = window->findChild<QPushButton*>(QStringLiteral("按钮_开始查询"));
        siteBox_ = window->findChild<QComboBox*>(QStringLiteral("组合框_域名"));
        status_ = window->findChild<QLabel*>(QStringLiteral("标签_状态"));
        MirrorCheckBox(window->findChild<QCheckBox*>(QStringLiteral("选择框_查标题")), titles_);
        MirrorCheckBox(window->findChild<QCheckBox*>(QStringLiteral("选择框_查权重")), ranks_);
        if (startButton_) {
            connect(startButton_, &QPushButton::clicked, this, [this] { OnStartClicked(); });
        }
    }
    ~QueryController() override { Stop(); }
    QueryController(const QueryController&) = delete;
    QueryController& operator=(const QueryController&) = delete;

    LinkModel* model() const { return model_; }

    void Stop() {
        globals_.table.StopRequested.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

  private:
    void InstallModel(QAbstractItemView* view) {
        if (view == nullptr) {
            return;
        }
        view->setModel(model_);
        model_->AttachView(view);
        if (auto* tree = qobject_cast<QTreeView*>(view)) {
            tree->setUniformRowHeights(true);  // what keeps 100,000 rows cheap to lay out
            for (int column = 0; column < kLinkColumns; ++column) {
                tree->setColumnWidth(column, kColumnWidths[column]);
            }
        }
    }

    // The query thread reads the boxes after the last page without waiting for the UI
    // thread: the UI thread keeps a copy of their states.
    void MirrorCheckBox(QCheckBox* box, std::atomic<bool>& ticked) {
        if (box == nullptr) {
            return;
        }
        ticked.store(box->isChecked());
        connect(box, &QCheckBox::toggled, this, [&ticked](bool on) { ticked.store(on); });
    }

    void OnStartClicked() {
        LinkTableState& table = globals_.table;
        if (table.QueryRunning.load() || table.StopRequested.load()) {
            return;
        }
        SaveWindowSettings(parentWidget(), globals_.settingsPath, "");
        table.TitlesDone.store(true);
        table.RanksDone.store(true);
        table.PagePhase.store(true);
        table.QueryRunning.store(true);
        if (thread_.joinable()) {
            thread_.join();  // the last run has already ended or is about to
        }
        if (startButton_) {
            startButton_->setEnabled(false);
        }
        thread_ = std::thread([this, inputs = MakeInputs()] {
            RunQuery(*model_, globals_.table, globals_.rankCache, inputs);
        });
    }

    QWidget* parentWidget() const { return static_cast<QWidget*>(parent()); }

    QueryRunInputs MakeInputs() {
        QueryRunInputs inputs;
        inputs.endpoints = globals_.endpoints;
        // AccountSession is written on this thread only, so it is copied here.
        inputs.cookie = globals_.AccountSession;
        if (siteBox_ && siteBox_->currentIndex() >= 0) {
            inputs.site = fromQt(siteBox_->itemText(siteBox_->currentIndex()));
        }
        inputs.titlesTicked = [this] { return titles_.load(); };
        inputs.ranksTicked = [this] { return ranks_.load(); };
        inputs.setStartEnabled = [this](bool enabled) {
            QMetaObject::invokeMethod(
                this,
                [this, enabled] {
                    if (startButton_) {
                        startButton_->setEnabled(enabled);
                    }
                },
                Qt::QueuedConnection);
        };
        lastStatus_ = {};
        lastPagePhase_ = true;
        inputs.progress = [this](const QueryProgress& progress) { PostStatus(progress); };
        return inputs;
    }

    // On the query thread; at most one status line per kStatusGap, but always the first of
    // each phase and the last.
    void PostStatus(const QueryProgress& progress) {
        const auto now = std::chrono::steady_clock::now();
        const bool newPhase = progress.pagePhase != lastPagePhase_;
        if (!progress.finished && !newPhase && now - lastStatus_ < kStatusGap) {
            return;
        }
        lastStatus_ = now;
        lastPagePhase_ = progress.pagePhase;
        QMetaObject::invokeMethod(
            this,
            [this, text = StatusText(progress)] {
                if (status_) {
                    status_->setText(text);
                }
            },
            Qt::QueuedConnection);
    }

    Globals& globals_;
    LinkModel* model_ = nullptr;
    QPointer<QPushButton> startButton_;
    QPointer<QComboBox> siteBox_;
    QPointer<QLabel> status_;
    std::atomic<bool> titles_{false};
    std::atomic<bool> ranks_{false};
    std::chrono::steady_clock::time_point lastStatus_{};  // the query thread's
    bool lastPagePhase_ = true;                           // the query thread's
    std::thread thread_;
};

QueryController* ControllerOf(QWidget* mainWindow) {
    if (mainWindow == nullptr) {
        return nullptr;
    }
    return dynamic_cast<QueryController*>(mainWindow->findChild<QObject*>(
        QLatin1String(kControllerName), Qt::FindDirectChildrenOnly));
}

}  // namespace

void AttachQueryRun(QWidget* mainWindow, Globals& globals) {
    if (mainWindow != nullptr && ControllerOf(mainWindow) == nullptr) {
        new QueryController(mainWindow, globals);
    }
}

LinkModel* LinkModelOf(QWidget* mainWindow) {
    QueryController* controller = ControllerOf(mainWindow);
    return controller != nullptr ? controller->model() : nullptr;
}

void StopQueryRun(QWidget* mainWindow) {
    if (QueryController* controller = ControllerOf(mainWindow)) {
        controller->Stop();
    }
}

}  // namespace brevink
