#pragma once
// The advanced filter's window: one row per field (keyword, "不包含", "启用"), the link to the
// usage page and the filter button. Owned by the main window, not modal; deletes itself when
// closed, so that the next opening restores its inputs from the settings file again.
#include <QWidget>
#include <string>

#include "table/filter_table.h"

class QLabel;

namespace brevink {

// The filter that the window's inputs choose.
struct FilterCondition {
    FilterField field = FilterField::Title;
    std::string keyword;  // GBK, the whole text of the edit box
    bool notContaining = false;
};

class FilterWindow final : public QWidget {
    Q_OBJECT

  public:
    // Outer size and place of the window on screen (frame included where there is one).
    static constexpr int kLeft = 50;
    static constexpr int kTop = 50;
    static constexpr int kWidth = 442;
    static constexpr int kHeight = 180;

    // helpPage: [Endpoints] HelpPage; empty for the guide bundled with the program.
    FilterWindow(QWidget* owner, const std::string& settingsPath, const std::string& helpPage);
    FilterWindow(const FilterWindow&) = delete;
    FilterWindow& operator=(const FilterWindow&) = delete;

    // The anchor row when its radio button is on, else the URL row when its button is on,
    // else the title row; only the chosen row's keyword and "不包含" are read.
    FilterCondition ChosenCondition() const;

    // Shows the window at (50, 50) with its outer size; an open one is brought to the front.
    void ShowAtHome();

    // The address that the usage link opens.
    QUrl HelpUrl() const;

  signals:
    // "过 滤" was clicked; the inputs are already saved.
    void filterRequested();

  private:
    void BuildControls();
    void OnFilterClicked();
    void OpenHelp();

    std::string settingsPath_;
    std::string helpPage_;
};

}  // namespace brevink
