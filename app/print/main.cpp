// sigcfg-print: draws a project's printed schedule into a PDF file without a display. sigcfg-tool
// runs it for its "print" command, so that its other commands never load Qt.
#include "model/cause.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"
#include "ui/chart/schedulepages.h"

#include <QDate>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "sigcfg-print: программа печати для sigcfg-tool; использование: sigcfg-tool print "
                             "ФАЙЛ.vlpj ВЫХОД.pdf\n");
        return 2;
    }
    const std::string in = argv[1];
    const std::string out = argv[2];
    // Pages need fonts, fonts need a GUI application, and that needs no screen at all.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the session (no runtime folder ...) mean nothing to a script; errors still show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "sigcfg-tool: %s\n", qUtf8Printable(message));
    });
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    try {
        if (!FileExists(in))
            throw TFileError("Нет файла проекта " + in);
        auto project = std::make_unique<TProject>();
        std::vector<std::string> playList;
        std::vector<TSkippedEntry> skipped;
        LoadProjectFile(in, *project, playList, skipped);
        WriteSchedulePdf(out, *project, playList, QDate::currentDate());
    } catch (const std::exception &error) {
        // Ours name their file; others (memory running out) get a text that names it.
        std::fprintf(stderr, "sigcfg-tool: %s\n", FailureText(error, in).c_str());
        return 2;
    }
    return 0;
}
