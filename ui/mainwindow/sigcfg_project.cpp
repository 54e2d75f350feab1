// Commands on the project as a whole: new, close, the save prompt, rename, device type, About.
#include "ui/mainwindow/sigcfg.h"

#include "model/about.h"
#include "model/lib.h"
#include "ui/application.h"
#include "ui/document/projectinfochange.h"
#include "ui/widgets/modeltext.h"

#include <QCloseEvent>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

void TfrMain::miProjectNewClick()
{
    if (Modified && !AskSaveChanges())
        return;
    ResetProject(Project);
    PlayList.clear();
    FDocument->Reopened();
    if (AskProjectSettings()) {
        // A new project has nothing to go back to: its settings start the history, unsaved.
        FDocument->Reopened();
        Modified = true;
        ProjectOpened();
        ShowFilePath();
        return;
    }
    // The old project is gone already: show that no project is open. There is nothing left to
    // save either, and a save prompt now could write the empty project over the old one's file.
    // A name typed before the device choice was refused goes too, so the strip shows nothing.
    ResetProject(Project);
    FDocument->Reopened();
    ProjectClosed();
    ShowFilePath();
}

void TfrMain::miProjectCloseClick()
{
    if (Modified && !AskSaveChanges())
        return; // cancelled; a failing save throws and ends the command here as well
    ResetProject(Project);
    FDocument->Reopened();
    ProjectClosed();
    ShowFilePath();
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
        FDocument->Do(new TProjectInfoChange(*FDocument, text, Project.DeviceType, u"название проекта"_s));
}

void TfrMain::lbDeviceNameAltClick()
{
    const QString device = AskDeviceType();
    if (device.isEmpty())
        return;
    const int32_t index = DeviceTypeIndex(device.toStdString());
    if (index == 0)
        return;
    if (index == Project.DeviceType) {
        RebuildTree(); // nothing changes, but the tree is shown afresh as after any choice
        return;
    }
    if (!ConfirmDeviceType(index))
        return;
    FDocument->Do(new TProjectInfoChange(*FDocument, Project.Name, index, u"тип прибора"_s));
}

namespace {

/// "5", "5–8": runs of consecutive numbers, joined by commas.
QString NumberRuns(const std::vector<int> &numbers)
{
    QStringList runs;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        runs.push_back(j == i ? QString::number(numbers[i])
                              : QString::number(numbers[i]) + (j == i + 1 ? u", "_s : u"–"_s) +
                                    QString::number(numbers[j]));
        i = j + 1;
    }
    return runs.join(u", "_s);
}

} // namespace

QString TfrMain::HiddenByDeviceType(const TProject &project, int32_t deviceType)
{
    const int zones = deviceType >= 0 && deviceType < DeviceTypeCount ? DeviceZoneCounts[deviceType] : 0;
    std::vector<int> groups;
    QStringList parts;
    int count = 0;
    for (int g = 1; g <= MaxGroups; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        if (g > zones) {
            groups.push_back(g);
            continue;
        }
        std::vector<int> ticked;
        for (int z = zones + 1; z <= MaxZones; ++z) {
            if (group.Zones[z])
                ticked.push_back(z);
        }
        if (!ticked.empty()) {
            parts.push_back((ticked.size() == 1 ? u"зона "_s : u"зоны "_s) + NumberRuns(ticked) + u" группы "_s +
                            QString::number(g));
            count += int(ticked.size());
        }
    }
    if (!groups.empty()) {
        parts.push_front((groups.size() == 1 ? u"Группа "_s : u"Группы "_s) + NumberRuns(groups));
        count += int(groups.size());
    }
    if (parts.isEmpty())
        return QString();
    QString text =
        parts.size() == 1 ? parts.front() : parts.mid(0, parts.size() - 1).join(u", "_s) + u" и "_s + parts.back();
    text[0] = text[0].toUpper();
    const QString device = FromModel(DeviceTypeNames[deviceType]);
    return text + (count == 1 ? u" не поддерживается прибором "_s + device + u" и будет удалена при сохранении"_s
                              : u" не поддерживаются прибором "_s + device + u" и будут удалены при сохранении"_s);
}

bool TfrMain::ConfirmDeviceType(int32_t deviceType)
{
    const QString hidden = HiddenByDeviceType(Project, deviceType);
    return hidden.isEmpty() || prompts().AskYesNo(u"Тип прибора"_s, hidden + u".\nВыбрать этот прибор?"_s);
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
    text += u"\r\nРазработчики sigcfg, выпуск "_s + QString::fromStdString(VersionText());
    if (!HomePage().empty())
        text += u": "_s + QString::fromStdString(HomePage()) + u", ошибки: "_s + QString::fromStdString(BugAddress());
    prompts().Notice(FromModel(ProgramTitle), text);
}
