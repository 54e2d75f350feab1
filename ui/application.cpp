#include "ui/application.h"

#include "ui/prompts.h"
#include "ui/translations.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

TSigApplication::TSigApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // The icons live in a static library; nothing else would pull their resource data into the
    // executable.
    Q_INIT_RESOURCE(icons);
    // The recent projects and the last folder live under this name in the user's settings.
    setOrganizationName(QStringLiteral("sigcfg"));
    setApplicationName(QStringLiteral("sigcfg"));
    InstallQtTranslations(*this);
}

bool TSigApplication::notify(QObject *receiver, QEvent *event)
{
    // The one place where a failed command ends: show its text and let the loop go on.
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
        return QString::fromUtf8(e.what());
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
