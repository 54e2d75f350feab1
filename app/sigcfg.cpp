// The window program: the empty project, the application object, the main window and its loop.
#include "ui/mainwindow/sigcfg.h"
#include "model/lib.h"
#include "model/type.h"
#include "ui/application.h"
#include "ui/dialogs/prompts.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

constexpr const char *Usage = "Usage: sigcfg [FILE]\n"
                              "\n"
                              "Opens the configurator window. FILE, when given, opens at start:\n"
                              "  FILE.vlpj                   a project, as \"Загрузить проект\" does\n"
                              "  FILE.csv, .xlsx, .xls, .ods a schedule, as \"Импортировать проект\" does\n"
                              "\n"
                              "Options:\n"
                              "  --help                      show this text\n"
                              "  --version                   show the version\n";

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
        return IsSet("DISPLAY") ? nullptr : "DISPLAY is not set";
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") ? nullptr : "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

/// The command line, read without a display: what to open, or an exit code when done already.
struct TArguments
{
    QString File;
    int ExitCode = -1; // >= 0: end now with this code
};

TArguments ReadArguments(int argc, char **argv)
{
    // Read without an application object: building one only to drop it cost the start a few ms.
    QStringList words;
    for (int i = 0; i < argc; ++i)
        words.push_back(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"), QString());
    TArguments result;
    if (!parser.parse(words)) {
        std::fprintf(stderr, "sigcfg: %s\n\n%s", qUtf8Printable(parser.errorText()), Usage);
        result.ExitCode = 2;
    } else if (parser.isSet(help)) {
        std::fputs(Usage, stdout);
        result.ExitCode = 0;
    } else if (parser.isSet(version)) {
        std::printf("sigcfg %s\n", VersionText().c_str());
        result.ExitCode = 0;
    } else if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "sigcfg: one file at most\n\n%s", Usage);
        result.ExitCode = 2;
    } else if (!parser.positionalArguments().isEmpty()) {
        result.File = parser.positionalArguments().front();
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const TArguments arguments = ReadArguments(argc, argv);
    if (arguments.ExitCode >= 0)
        return arguments.ExitCode;
    if (const char *missing = MissingDisplay()) {
        std::fprintf(stderr, "sigcfg: no display (%s); start it inside a desktop session\n", missing);
        return 1;
    }

    TProject project;
    ResetProject(project);

    // Qt sees only the program name: the file was read above, and none of Qt's own options
    // (-platform, -style ...) apply.
    char programName[] = "sigcfg";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : programName, nullptr};
    TSigApplication app(qtArgc, qtArgv);
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
