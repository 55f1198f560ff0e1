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

// A control's identifier: the dynamic property "controlId" when the window set one (the
// program's windows number their controls 1001, 1002, ... in creation order); otherwise a
// value derived from the control's path of object names (class name and sibling index where a
// widget has no name) below its window, in kDerivedIdBase .. kDerivedIdBase + kDerivedIdRange
// - 1. Both stay the same from run to run as long as the window is built the same way.
int ControlIdOf(QWidget* widget);
void SetControlId(QWidget* widget, int id);
inline constexpr const char* kControlIdProperty = "controlId";
inline constexpr unsigned kDerivedIdBase = 100000;
inline constexpr unsigned kDerivedIdRange = 1000000000;

}  // namespace brevink
