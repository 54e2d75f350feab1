// The window program: the empty project, the application object, the main window and its loop.
#include "ui/mainwindow/sigcfg.h"
#include "model/about.h"
#include "model/lib.h"
#include "model/type.h"
#include "ui/application.h"
#include "ui/dialogs/prompts.h"
#include "ui/startahead.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

/// --help: GNU layout, Russian like every text of the program.
std::string HelpText()
{
    return "Использование: sigcfg [ФАЙЛ]\n"
           "  или:  sigcfg ПАРАМЕТР\n"
           "Открывает окно конфигуратора таймера сигнала. ФАЙЛ, если указан, открывается\n"
           "сразу: проект (строка «[Project]» в начале файла) — как «Загрузить проект»,\n"
           "таблица CSV или книга .xlsx, .xls, .ods — как «Импортировать проект».\n"
           "\n"
           "Параметры:\n"
           "  -h, --help      показать эту справку и выйти\n"
           "  --version       показать версию и выйти\n" +
           (HelpFooter().empty() ? std::string() : "\n" + HelpFooter());
}

bool IsSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// Without a display Qt would end with an abort and a page of plugin advice; one line is kinder.
// Returns what is missing, or nothing when a display (or a platform that needs none) is there.
const char *MissingDisplay()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0)
        return nullptr; // offscreen, wayland, vnc ...: Qt knows what it needs
    if (platform && *platform)
        return IsSet("DISPLAY") ? nullptr : "не задана переменная DISPLAY";
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") ? nullptr : "не заданы ни DISPLAY, ни WAYLAND_DISPLAY";
}

/// Whether Qt will show the window through its X11 plugin: named so, or left to Qt's default
/// outside a Wayland session.
bool StartsOnX11()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return std::strncmp(platform, "xcb", 3) == 0;
    const char *session = std::getenv("XDG_SESSION_TYPE");
    return IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !(session && std::strcmp(session, "wayland") == 0);
}

/// The command line, read without a display: what to open, or an exit code when done already.
struct TArguments
{
    QString File;
    int ExitCode = -1; // >= 0: end now with this code
};

/// Reports a wrong call on stderr in the tool's words; returns the exit status 2.
int UsageError(const std::string &why)
{
    std::fprintf(stderr, "sigcfg: %s; см. sigcfg --help\n", why.c_str());
    return 2;
}

TArguments ReadArguments(int argc, char **argv)
{
    // Read by hand, without an application object (building one only to drop it cost the start a
    // few ms) and without Qt's parser, whose messages are English.
    TArguments result;
    std::vector<std::string> files;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (optionsEnd || word == "-" || !word.starts_with('-')) {
            files.push_back(word);
        } else if (word == "--") {
            optionsEnd = true;
        } else if (word == "-h" || word == "--help") {
            std::fputs(HelpText().c_str(), stdout);
            result.ExitCode = 0;
            return result;
        } else if (word == "--version") {
            std::fputs(VersionBanner("sigcfg").c_str(), stdout);
            result.ExitCode = 0;
            return result;
        } else {
            result.ExitCode = UsageError("неизвестный параметр «" + word + "»");
            return result;
        }
    }
    if (files.size() > 1)
        result.ExitCode = UsageError("можно открыть только один файл");
    else if (!files.empty())
        result.File = QString::fromLocal8Bit(files.front().c_str());
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const TArguments arguments = ReadArguments(argc, argv);
    if (arguments.ExitCode >= 0)
        return arguments.ExitCode;
    if (const char *missing = MissingDisplay()) {
        std::fprintf(stderr, "sigcfg: нет дисплея (%s); запустите программу в сеансе рабочего стола\n", missing);
        return 1;
    }

    TProject project;
    ResetProject(project);

    // Qt sees only the program name: the file was read above, and none of Qt's own options
    // (-platform, -style ...) apply.
    char programName[] = "sigcfg";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : programName, nullptr};
    TStartAhead ahead(StartsOnX11());
    TSigApplication app(qtArgc, qtArgv);
    ahead.Wait();
    TRealPrompts prompts;
    try {
        TfrMain frMain(project, prompts);
        prompts.SetParent(&frMain);
        frMain.PlaceOnScreen();
        frMain.show();
        if (!arguments.File.isEmpty()) {
            try {
                frMain.OpenFile(arguments.File);
            } catch (...) {
                ShowException(std::current_exception()); // the window stays, with no project
            }
        }
        return app.exec();
    } catch (...) {
        // A failure while starting up is shown like any other, and the run still ends normally.
        ShowException(std::current_exception());
    }
    return 0;
}
