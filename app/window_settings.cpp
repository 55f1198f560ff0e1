#include "app/window_settings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QVariant>

#include <cstdint>

#include "app/profile_file.h"
#include "app/qt_text.h"
#include "web/text.h"

namespace brevink {
namespace {

constexpr size_t kCaptionMax = 254;  // a window text is read with a 255-byte buffer

void AppendDescendants(const QObject* parent, std::vector<QWidget*>& list) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        // Top-level windows parented here (popup menus, a second window) have settings of
        // their own, or none; they are not controls of this window.
        if (widget == nullptr || widget->isWindow()) {
            continue;
        }
        list.push_back(widget);
        AppendDescendants(widget, list);
    }
}

// The first `maxBytes` bytes of a GBK text, never ending inside a double-byte character.
std::string CutGbk(const std::string& text, size_t maxBytes) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t next = end + GbkCharLength(text, end);
        if (next > maxBytes) {
            break;
        }
        end = next;
    }
    return text.substr(0, end);
}

std::string CaptionOf(const QString& text) {
    return CutGbk(fromQt(text), kCaptionMax);
}

std::string WindowCaptionOf(QWidget* widget) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return CaptionOf(edit->text());
    }
    return CaptionOf(widget->windowTitle());
}

// The window title up to its first blank.
std::string SectionOf(QWidget* window) {
    const std::string caption = WindowCaptionOf(window) + " ";
    return caption.substr(0, caption.find(' '));
}

bool IsWindow(const QObject* node) {
    return node->isWidgetType() && static_cast<const QWidget*>(node)->isWindow();
}

// A path of names from the window down to the widget: objectName where there is one, else
// the class name and the index among the parent's children. Stable while the window is built
// the same way.
std::string PathOf(const QObject* widget) {
    std::string path;
    for (const QObject* node = widget; node != nullptr && !IsWindow(node); node = node->parent()) {
        QString step = node->objectName();
        if (step.isEmpty()) {
            const QObject* parent = node->parent();
            const auto index = parent != nullptr ? parent->children().indexOf(node) : 0;
            step =
                QString::fromLatin1(node->metaObject()->className()) + '#' + QString::number(index);
        }
        path = step.toStdString() + "/" + path;
    }
    return path;
}

// FNV-1a: the same value in every run (qHash is seeded per process).
uint32_t StableHash(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (const unsigned char byte : text) {
        hash = (hash ^ byte) * 16777619u;
    }
    return hash;
}

std::string Key(const char* prefix, QWidget* widget) {
    return prefix + std::to_string(ControlIdOf(widget));
}

// Exclusive radio buttons would untick each other; each kept button is set from its own key,
// so exclusivity is lifted while the states are set and put back afterwards.
class ExclusivityLifted final {
  public:
    explicit ExclusivityLifted(const std::vector<QWidget*>& widgets) {
        for (QWidget* widget : widgets) {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            if (button == nullptr) {
                continue;
            }
            if (button->autoExclusive()) {
                autoExclusive_.push_back(button);
                button->setAutoExclusive(false);
            }
            QButtonGroup* group = button->group();
            if (group != nullptr && group->exclusive()) {
                groups_.push_back(group);
                group->setExclusive(false);
            }
        }
    }
    ~ExclusivityLifted() {
        for (QAbstractButton* button : autoExclusive_) {
            button->setAutoExclusive(true);
        }
        for (QButtonGroup* group : groups_) {
            group->setExclusive(true);
        }
    }
    ExclusivityLifted(const ExclusivityLifted&) = delete;
    ExclusivityLifted& operator=(const ExclusivityLifted&) = delete;

  private:
    std::vector<QAbstractButton*> autoExclusive_;
    std::vector<QButtonGroup*> groups_;
};

bool IsChecked(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->isChecked();
    }
    auto* box = qobject_cast<QGroupBox*>(widget);
    return box != nullptr && box->isChecked();
}

void SetChecked(QWidget* widget, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setChecked(checked);  // no effect on a push button that is not checkable
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setChecked(checked);  // no effect on a group box without a check box
    }
}

}  // namespace

std::vector<QWidget*> ListChildWindows(QWidget* window) {
    std::vector<QWidget*> list;
    AppendDescendants(window, list);
    return list;
}

std::string WindowClassOf(QWidget* widget) {
    if (qobject_cast<QLineEdit*>(widget) != nullptr) {
        return "Edit";
    }
    if (qobject_cast<QAbstractButton*>(widget) != nullptr ||
        qobject_cast<QGroupBox*>(widget) != nullptr) {
        return "Button";
    }
    return widget->metaObject()->className();
}

void SetControlId(QWidget* widget, int id) {
    widget->setProperty(kControlIdProperty, id);
}

int ControlIdOf(QWidget* widget) {
    bool ok = false;
    const int id = widget->property(kControlIdProperty).toInt(&ok);
    if (ok) {
        return id;
    }
    return static_cast<int>(kDerivedIdBase + StableHash(PathOf(widget)) % kDerivedIdRange);
}

void LoadWindowSettings(QWidget* window, const std::string& settingsPath) {
    const std::vector<QWidget*> widgets = ListChildWindows(window);
    const std::string section = SectionOf(window);
    ExclusivityLifted lifted(widgets);
    for (QWidget* widget : widgets) {
        const std::string kind = WindowClassOf(widget);
        if (kind == "Edit") {
            const std::string value =
                ReadProfileString(settingsPath, section, Key("Edit", widget), "");
            static_cast<QLineEdit*>(widget)->setText(toQt(value));
        } else if (kind == "Button") {
            const std::string value =
                ReadProfileString(settingsPath, section, Key("Button", widget), "N");
            SetChecked(widget, value == "Y");  // exactly "Y": "y" or anything else unticks
        }
    }
}

void SaveWindowSettings(QWidget* window, const std::string& settingsPath,
                        const std::string& exclusions) {
    const std::string excluded = "," + exclusions + ",";
    const std::string section = SectionOf(window);
    for (QWidget* widget : ListChildWindows(window)) {
        const std::string id = std::to_string(ControlIdOf(widget));
        if (excluded.find("," + id + ",") != std::string::npos) {
            continue;
        }
        const std::string kind = WindowClassOf(widget);
        if (kind == "Edit") {
            WriteProfileString(settingsPath, section, "Edit" + id, WindowCaptionOf(widget));
        } else if (kind == "Button") {
            WriteProfileString(settingsPath, section, "Button" + id, IsChecked(widget) ? "Y" : "N");
        }
    }
}

}  // namespace brevink
