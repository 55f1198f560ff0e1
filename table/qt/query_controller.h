#pragma once
// The start-query button of the main window: the click, the query thread, the status line.
#include <QWidget>

#include "app/globals.h"

namespace brevink {

class LinkModel;

// Installs the link model on 超级列表框1, connects 按钮_开始查询 and drives 标签_状态. The
// globals must outlive the window.
void AttachQueryRun(QWidget* mainWindow, Globals& globals);

// The link model that AttachQueryRun installed, or nullptr.
LinkModel* LinkModelOf(QWidget* mainWindow);

// Stops a run in progress and joins its thread and workers (called when the window closes;
// also done when the window is destroyed). A fetch in progress ends at the engine's time limit.
void StopQueryRun(QWidget* mainWindow);

}  // namespace brevink
