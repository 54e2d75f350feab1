// Commands on the project as a whole: new, close, the save prompt, rename, device type, About.
#include "ui/sigcfg.h"

#include "model/about.h"
#include "model/lib.h"
#include "ui/application.h"
#include "ui/modeltext.h"

#include <QCloseEvent>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

void TfrMain::miProjectNewClick()
{
    if (Modified && !AskSaveChanges())
        return;
    ResetProject(Project);
    PlayList.clear();
    if (AskProjectSettings()) {
        ProjectOpened();
        ShowFilePath();
        return;
    }
    // The old project is gone already: show that no project is open. There is nothing left to
    // save either, and a save prompt now could write the empty project over the old one's file.
    // A name typed before the device choice was refused goes too, so the strip shows nothing.
    ResetProject(Project);
    ProjectClosed();
    ShowFilePath();
    Modified = false;
}

void TfrMain::miProjectCloseClick()
{
    if (Modified && !AskSaveChanges())
        return; // cancelled; a failing save throws and ends the command here as well
    ResetProject(Project);
    ProjectClosed();
    ShowFilePath();
    Modified = false;
}

bool TfrMain::AskSaveChanges()
{
    switch (prompts().AskYesNoCancel(u"Информация"_s, u"Сохранить изменения?"_s)) {
    case Prompts::TAnswer::Yes:
        // A save whose path dialog was closed saved nothing: the changes would be lost, so stop.
        return SaveProject();
    case Prompts::TAnswer::No:
        return true;
    case Prompts::TAnswer::Cancel:
        break;
    }
    return false;
}

bool TfrMain::FormCloseQuery()
{
    if (Modified && !AskSaveChanges())
        return false;
    Modified = false;
    return true;
}

void TfrMain::closeEvent(QCloseEvent *event)
{
    // Qt is in the middle of closing: an exception can not travel further from here, so it is
    // shown as every other failed command is, and the window stays open.
    try {
        if (!FormCloseQuery()) {
            event->ignore();
            return;
        }
    } catch (...) {
        ShowException(std::current_exception());
        event->ignore();
        return;
    }
    event->accept();
}

void TfrMain::lbProjectNameAltClick()
{
    const QString name = AskProjectName();
    if (name.isEmpty())
        return;
    const std::string text = name.toStdString();
    if (text != Project.Name)
        Modified = true;
    Project.Name = text;
    RebuildTree();
}

void TfrMain::lbDeviceNameAltClick()
{
    const QString device = AskDeviceType();
    if (device.isEmpty())
        return;
    const int32_t index = DeviceTypeIndex(device.toStdString());
    if (index == 0)
        return;
    if (index != Project.DeviceType)
        Modified = true;
    Project.DeviceType = index;
    RebuildTree();
}

void TfrMain::miAboutClick()
{
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    const bool known =
        GetFileVersion(QCoreApplication::applicationFilePath().toStdString(), major, minor, release, build);
    QString text = u"Программа: "_s + FromModel(ProgramTitle);
    text += u"\r\nВерсия: "_s;
    text += known ? QString::number(major) + u'.' + QString::number(minor) : u"неизвестна"_s;
    // The version line keeps the behaviour's major.minor; the contact line (ours to word) names the
    // full version that --version and the package print, so the two can be compared.
    text += u"\r\nРазработчики sigcfg, выпуск "_s + QString::fromStdString(VersionText()) + u": "_s +
            QString::fromStdString(HomePage()) + u", ошибки: "_s + QString::fromStdString(BugAddress());
    prompts().Notice(FromModel(ProgramTitle), text);
}
