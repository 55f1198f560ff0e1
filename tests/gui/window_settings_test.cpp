// The settings walk over a window's controls: which controls are kept, under which keys, and how
// their values come back.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <memory>
#include <set>

#include "app/profile_file.h"
#include "app/qt_text.h"
#include "app/window_settings.h"
#include "gui/app_test_support.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::Control;
using test::TempSettings;

const QString kFilterTitle = QStringLiteral("高级过滤（将符合条件的排到最前）");

// A window shaped like the filter window: edits, check boxes, radio buttons (two auto-exclusive
// ones in a group box, two in an exclusive button group), a push button, an editable combo box,
// and two top-level windows parented to it (a popup menu, a second window) that are not its
// controls.
std::unique_ptr<QWidget> SampleWindow(const QString& title = kFilterTitle) {
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(title);
    int id = 2001;
    auto add = [&id](QWidget* widget, const char* name) {
        widget->setObjectName(QString::fromUtf8(name));
        SetControlId(widget, id++);
        return widget;
    };
    add(new QLineEdit(window.get()), "edit1");
    add(new QLabel(QStringLiteral("标签"), window.get()), "label");
    auto* box = static_cast<QGroupBox*>(add(new QGroupBox(window.get()), "box"));
    add(new QRadioButton(box), "radioA");
    add(new QRadioButton(box), "radioB");
    add(new QCheckBox(box), "check1");
    add(new QLineEdit(box), "edit2");
    auto* group = new QButtonGroup(window.get());
    group->addButton(static_cast<QRadioButton*>(add(new QRadioButton(window.get()), "radioC")));
    group->addButton(static_cast<QRadioButton*>(add(new QRadioButton(window.get()), "radioD")));
    add(new QPushButton(window.get()), "push");
    auto* combo = static_cast<QComboBox*>(add(new QComboBox(window.get()), "combo"));
    combo->setEditable(true);
    auto* second = new QWidget(window.get(), Qt::Window);
    new QLineEdit(second);
    new QMenu(window.get());
    return window;
}

std::vector<QString> NamesOf(const std::vector<QWidget*>& widgets) {
    std::vector<QString> names;
    for (QWidget* widget : widgets) {
        names.push_back(widget->objectName());
    }
    return names;
}

TEST(ListChildWindows, DescendantsInCreationOrderDepthFirstWithoutOtherWindows) {
    auto window = SampleWindow();
    std::vector<QString> names = NamesOf(ListChildWindows(window.get()));
    // The combo box's own line edit comes right after the combo box; drop the other internals
    // of the combo box (no name) for the comparison.
    const auto comboAt = std::find(names.begin(), names.end(), QStringLiteral("combo"));
    ASSERT_NE(comboAt, names.end());
    names.erase(comboAt + 1, names.end());
    const std::vector<QString> expected = {"edit1",  "label",  "box",   "radioA",
                                           "radioB", "check1", "edit2", "radioC",
                                           "radioD", "push",   "combo"};
    EXPECT_EQ(names, expected);
    for (QWidget* widget : ListChildWindows(window.get())) {
        EXPECT_FALSE(widget->isWindow()) << widget->metaObject()->className();
    }
}

TEST(WindowClassOf, EditsAndButtonsByKind) {
    auto window = SampleWindow();
    const std::pair<const char*, const char*> cases[] = {
        {"edit1", "Edit"},    {"edit2", "Edit"},    {"label", "QLabel"}, {"box", "Button"},
        {"radioA", "Button"}, {"check1", "Button"}, {"push", "Button"},  {"combo", "QComboBox"}};
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(WindowClassOf(Control<QWidget>(window.get(), name)), kind) << name;
    }
    auto* comboEdit = Control<QComboBox>(window.get(), "combo")->lineEdit();
    EXPECT_EQ(WindowClassOf(comboEdit), "Edit");
}

TEST(ControlIdOf, SetIdsAndDerivedIdsStayTheSameFromBuildToBuild) {
    auto first = SampleWindow();
    auto second = SampleWindow();
    EXPECT_EQ(ControlIdOf(Control<QWidget>(first.get(), "edit1")), 2001);
    EXPECT_EQ(ControlIdOf(Control<QWidget>(first.get(), "combo")), 2011);

    // The combo box's line edit carries no id: its derived one is the same in both builds,
    // differs from its siblings' and lies in the derived range.
    QLineEdit* editA = Control<QComboBox>(first.get(), "combo")->lineEdit();
    QLineEdit* editB = Control<QComboBox>(second.get(), "combo")->lineEdit();
    const int derived = ControlIdOf(editA);
    EXPECT_EQ(derived, ControlIdOf(editB));
    EXPECT_GE(static_cast<unsigned>(derived), kDerivedIdBase);
    std::set<int> ids;
    for (QWidget* widget : ListChildWindows(first.get())) {
        ids.insert(ControlIdOf(widget));
    }
    EXPECT_EQ(ids.size(), ListChildWindows(first.get()).size()) << "two controls share an id";
}

TEST(SaveWindowSettings, WritesOneKeyPerEditAndButtonUnderTheTitleBeforeItsFirstBlank) {
    TempSettings settings;
    auto window = SampleWindow(QStringLiteral("Sample - window title"));
    Control<QLineEdit>(window.get(), "edit1")->setText(QStringLiteral("中文 text"));
    Control<QCheckBox>(window.get(), "check1")->setChecked(true);
    Control<QRadioButton>(window.get(), "radioD")->setChecked(true);
    QLineEdit* comboEdit = Control<QComboBox>(window.get(), "combo")->lineEdit();
    comboEdit->setText(QStringLiteral("typed"));
    SaveWindowSettings(window.get(), settings.path(), "");

    const std::string comboKey = "Edit" + std::to_string(ControlIdOf(comboEdit));
    const std::string expected = "[Sample]\r\nEdit2001=" + Gbk(u8"中文 text") +
                                 "\r\n"
                                 "Button2003=N\r\nButton2004=N\r\nButton2005=N\r\n"
                                 "Button2006=Y\r\nEdit2007=\r\nButton2008=N\r\nButton2009=Y\r\n"
                                 "Button2010=N\r\n" +
                                 comboKey + "=typed\r\n";
    EXPECT_EQ(settings.Content(), expected);
}

TEST(SaveWindowSettings, SectionIsTheWholeTitleWhenItHoldsNoBlank) {
    TempSettings settings;
    auto window = SampleWindow();
    SaveWindowSettings(window.get(), settings.path(), "");
    EXPECT_EQ(settings.Content().rfind("[" + fromQt(kFilterTitle) + "]\r\n", 0), 0u);
}

TEST(SaveWindowSettings, ExcludedIdentifiersAreNotWritten) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"2001,2006", {"Edit2001=", "Button2006="}},
        {"200", {}},  // a part of an identifier excludes nothing
        {"2010", {"Button2010="}},
    };
    for (const auto& [exclusions, missing] : cases) {
        TempSettings settings;
        auto window = SampleWindow();
        SaveWindowSettings(window.get(), settings.path(), exclusions);
        const std::string content = settings.Content();
        size_t keys = 0;
        for (size_t at = content.find('='); at != std::string::npos;
             at = content.find('=', at + 1)) {
            ++keys;
        }
        EXPECT_EQ(keys, 10u - missing.size()) << exclusions;
        for (const std::string& key : missing) {
            EXPECT_EQ(content.find(key), std::string::npos) << exclusions << " " << key;
        }
    }
}

TEST(SaveWindowSettings, EditTextIsCutAt254BytesOnACharacterBoundary) {
    const std::string han = Gbk(u8"中");
    const std::pair<std::string, std::string> cases[] = {
        {std::string(300, 'a'), std::string(254, 'a')},
        {std::string(253, 'a') + han, std::string(253, 'a')},
        {std::string(252, 'a') + han + "b", std::string(252, 'a') + han},
        {std::string(20, 'x'), std::string(20, 'x')},
    };
    for (const auto& [typed, kept] : cases) {
        TempSettings settings;
        auto window = SampleWindow();
        Control<QLineEdit>(window.get(), "edit1")->setText(toQt(typed));
        SaveWindowSettings(window.get(), settings.path(), "");
        EXPECT_EQ(ReadProfileString(settings.path(), fromQt(kFilterTitle), "Edit2001", "?"), kept)
            << typed.size();
    }
}

TEST(LoadWindowSettings, RestoresWhatASaveWroteIntoAFreshWindow) {
    TempSettings settings;
    {
        auto window = SampleWindow();
        Control<QLineEdit>(window.get(), "edit1")->setText(QStringLiteral("关键词"));
        Control<QLineEdit>(window.get(), "edit2")->setText(QStringLiteral("second"));
        Control<QCheckBox>(window.get(), "check1")->setChecked(true);
        Control<QRadioButton>(window.get(), "radioB")->setChecked(true);
        Control<QComboBox>(window.get(), "combo")->lineEdit()->setText(QStringLiteral("c"));
        SaveWindowSettings(window.get(), settings.path(), "");
    }
    auto window = SampleWindow();
    LoadWindowSettings(window.get(), settings.path());
    EXPECT_EQ(Control<QLineEdit>(window.get(), "edit1")->text(), QStringLiteral("关键词"));
    EXPECT_EQ(Control<QLineEdit>(window.get(), "edit2")->text(), QStringLiteral("second"));
    EXPECT_TRUE(Control<QCheckBox>(window.get(), "check1")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(window.get(), "radioA")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(window.get(), "radioB")->isChecked());
    EXPECT_EQ(Control<QComboBox>(window.get(), "combo")->lineEdit()->text(), QStringLiteral("c"));
}

TEST(LoadWindowSettings, OnlyAnExactYTicks) {
    const std::pair<const char*, bool> cases[] = {{"Y", true},    {"y", false}, {"N", false},
                                                  {"YES", false}, {"1", false}, {"", false}};
    for (const auto& [value, ticked] : cases) {
        TempSettings settings;
        settings.Write("[" + fromQt(kFilterTitle) + "]\r\nButton2006=" + value + "\r\n");
        auto window = SampleWindow();
        Control<QCheckBox>(window.get(), "check1")->setChecked(!ticked);
        LoadWindowSettings(window.get(), settings.path());
        EXPECT_EQ(Control<QCheckBox>(window.get(), "check1")->isChecked(), ticked) << value;
    }
}

TEST(LoadWindowSettings, MissingFileOrKeysEmptyTheEditsAndUntickTheBoxes) {
    TempSettings settings;
    for (const bool withFile : {false, true}) {
        if (withFile) {
            settings.Write("[" + fromQt(kFilterTitle) + "]\r\nEdit9999=x\r\n");
        }
        auto window = SampleWindow();
        Control<QLineEdit>(window.get(), "edit1")->setText(QStringLiteral("before"));
        Control<QCheckBox>(window.get(), "check1")->setChecked(true);
        Control<QRadioButton>(window.get(), "radioC")->setChecked(true);
        LoadWindowSettings(window.get(), settings.path());
        EXPECT_TRUE(Control<QLineEdit>(window.get(), "edit1")->text().isEmpty()) << withFile;
        EXPECT_FALSE(Control<QCheckBox>(window.get(), "check1")->isChecked()) << withFile;
        EXPECT_FALSE(Control<QRadioButton>(window.get(), "radioC")->isChecked()) << withFile;
    }
}

// Each radio button follows its own key: exclusivity neither unticks a button whose key says
// "Y" nor keeps one ticked whose key says "N"; it is back in force afterwards.
TEST(LoadWindowSettings, EachRadioButtonIsSetFromItsOwnKey) {
    TempSettings settings;
    settings.Write("[" + fromQt(kFilterTitle) +
                   "]\r\nButton2004=Y\r\nButton2005=Y\r\nButton2008=Y\r\nButton2009=Y\r\n");
    auto window = SampleWindow();
    auto* radioC = Control<QRadioButton>(window.get(), "radioC");
    LoadWindowSettings(window.get(), settings.path());
    for (const char* name : {"radioA", "radioB", "radioC", "radioD"}) {
        EXPECT_TRUE(Control<QRadioButton>(window.get(), name)->isChecked()) << name;
    }
    EXPECT_TRUE(Control<QRadioButton>(window.get(), "radioA")->autoExclusive());
    EXPECT_TRUE(radioC->group()->exclusive());

    settings.Write("[" + fromQt(kFilterTitle) + "]\r\nButton2004=N\r\n");
    LoadWindowSettings(window.get(), settings.path());
    for (const char* name : {"radioA", "radioB", "radioC", "radioD"}) {
        EXPECT_FALSE(Control<QRadioButton>(window.get(), name)->isChecked()) << name;
    }
}

TEST(LoadWindowSettings, PushButtonsAndPlainGroupBoxesAreUnaffected) {
    TempSettings settings;
    settings.Write("[" + fromQt(kFilterTitle) + "]\r\nButton2003=Y\r\nButton2010=Y\r\n");
    auto window = SampleWindow();
    LoadWindowSettings(window.get(), settings.path());
    EXPECT_FALSE(Control<QPushButton>(window.get(), "push")->isChecked());
    EXPECT_FALSE(Control<QGroupBox>(window.get(), "box")->isChecked());
    SaveWindowSettings(window.get(), settings.path(), "");
    EXPECT_EQ(ReadProfileString(settings.path(), fromQt(kFilterTitle), "Button2010", ""), "N");
}

}  // namespace
}  // namespace brevink

BREVINK_GUI_TEST_MAIN()
