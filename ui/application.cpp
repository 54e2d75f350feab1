#include "ui/application.h"

#include "model/cause.h"
#include "ui/dialogs/prompts.h"
#include "ui/translations.h"
#include "ui/widgets/arrowstyle.h"
#include "ui/widgets/pngicon.h"

#include <QTimer>

#include <QMessageBox>
#include <cstdio>
#include <exception>
#include <memory>

TSigApplication::TSigApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The icons live in a static library; nothing else would pull their resource data into the
    // executable.
    Q_INIT_RESOURCE(icons);
    // Before the first widget: the style's arrows of the menu bar would load every image plugin.
    setStyle(new TArrowStyle);
    // The recent projects and the last folder live under this name in the user's settings.
    setOrganizationName(QStringLiteral("sigcfg"));
    setApplicationName(QStringLiteral("sigcfg"));
    // The desktop matches the window with its menu entry and icon by this name.
    setDesktopFileName(QStringLiteral("name.sigcfg.configurator"));
    // Every window and dialog shows it, so a task bar tells the program's windows apart. One size,
    // drawn at build time, set once the loop runs: nothing of it delays the first window.
    QTimer::singleShot(0, this, [] { setWindowIcon(PngIcon(QStringLiteral("sigcfg"), qApp->devicePixelRatio())); });
    InstallQtTranslations(*this);
}

bool TSigApplication::notify(QObject *receiver, QEvent *event)
{
    // The one place where a failed command ends: show its text and let the loop go on.
    // A new command starts with no file in use, so a failure names only a file it opened.
    static thread_local int depth = 0;
    if (depth == 0)
        ClearFileInUse();
    ++depth;
    const std::unique_ptr<int, void (*)(int *)> leave(&depth, [](int *d) { --*d; });
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}

namespace {

QString ExceptionText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return QString::fromUtf8(FailureText(e));
    } catch (...) {
        return QString(); // not one of ours: nothing readable to show
    }
}

} // namespace

void ShowException(const std::exception_ptr &error)
{
    if (!error)
        return;
    const QString text = ExceptionText(error);
    // A failure while a box is already up (its own loop runs other events) goes to stderr
    // instead of stacking boxes; so does a failure of the box itself.
    static bool showing = false;
    if (showing || !QApplication::instance()) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(ApplicationTitle()), qUtf8Printable(text));
        return;
    }
    showing = true;
    try {
        QWidget *parent = QApplication::activeModalWidget();
        if (!parent)
            parent = QApplication::activeWindow();
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, parent);
        box.exec();
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(ApplicationTitle()), qUtf8Printable(text));
    }
    showing = false;
}
