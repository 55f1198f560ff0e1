#pragma once
// Keeps a window's edit texts and check states in the settings file, one key per control:
// "Edit<id>" for a line edit (also one inside an editable combo box), "Button<id>" for a push
// button, check box, radio button or group box. The section is the window title before its
// first blank. Every kept control has a fixed identifier (see ControlIdOf).
#include <QWidget>
#include <string>
#include <vector>

namespace brevink {

void LoadWindowSettings(QWidget* window, const std::string& settingsPath);
// exclusions: control identifiers in decimal separated by ","; both callers pass "".
void SaveWindowSettings(QWidget* window, const std::string& settingsPath,
                        const std::string& exclusions = "");

// The window's descendant widgets in creation order.
std::vector<QWidget*> ListChildWindows(QWidget* window);
std::string WindowClassOf(QWidget* widget);  // "Edit", "Button" or another class name
int ControlIdOf(QWidget* widget);

}  // namespace brevink
