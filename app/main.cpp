// Brevink: the program a user starts.
#include <QApplication>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/settings_location.h"
#include "table/qt/query_controller.h"
#include "table/qt/table_commands.h"
#include "web/web_request.h"

namespace brevink {
namespace {

// "--settings FILE" chooses the settings file (the offline demo uses it); otherwise
// "配置.ini" beside the program, or in the user's configuration directory.
std::string SettingsPathOf(const QStringList& arguments) {
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdString());
    }
    const std::string chosen = SettingsOption(args);
    if (!chosen.empty()) {
        return chosen;
    }
    return DefaultSettingsPath(QCoreApplication::applicationDirPath().toStdString());
}

int ProgramStart(int argc, char** argv) {
    QApplication app(argc, argv);
    Globals& globals = InitGlobals(SettingsPathOf(QCoreApplication::arguments()));
    {
        MainWindow window(globals);
        AttachQueryRun(&window, globals);
        AttachTableCommands(&window, globals);  // uses the link model installed above
        QObject::connect(&window, &MainWindow::closed, &app, &QCoreApplication::quit);
        window.ShowAtHome();
        QApplication::exec();
        // No thread may outlive the window and the globals it works on; requests still in
        // flight give up at once so that their threads can be joined without waiting for them.
        AbortAllRequests();
        StopTableCommands(&window);
        StopQueryRun(&window);
    }
    ReleaseGlobals();
    return 0;
}

}  // namespace
}  // namespace brevink

int main(int argc, char** argv) {
    return brevink::ProgramStart(argc, argv);
}
