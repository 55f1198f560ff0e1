#pragma once
// The commands on the link list of the main window: the popup menu with the tick commands,
// the advanced filter and the reject run; the user's own check-box changes; the double click
// that opens a row's link; the header click that sorts; the hidden export button.
#include <QUrl>
#include <QWidget>

#include "app/globals.h"

namespace brevink {

// Connects the commands to the controls of `mainWindow`, whose link model AttachQueryRun has
// installed already. The globals must outlive the window.
void AttachTableCommands(QWidget* mainWindow, Globals& globals);

// Stops and joins every reject run (called when the window closes; also done when the window
// is destroyed). A batch in flight ends at the request's time limit; the rest are dropped.
void StopTableCommands(QWidget* mainWindow);

// The address that a double click opens for a row's "外链URL" text: "http://" put in front
// unless it already starts with "http://" or "https://" (either case); invalid when the result
// is not an http or https address with a host.
QUrl RowLinkAddress(const QString& urlText);

}  // namespace brevink
