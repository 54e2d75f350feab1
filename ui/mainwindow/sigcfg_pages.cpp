// The group and scenario pages, built when first shown: a window that opens on the empty page
// spends nothing on their fields, lists and bold captions before it appears.
#include "ui/mainwindow/sigcfg.h"

#include "ui/widgets/checklist.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/validators.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLabel *BoldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QWidget *TfrMain::GroupPage()
{
    if (!Ui.tsGroup)
        BuildGroupPage();
    return Ui.tsGroup;
}

QWidget *TfrMain::ScenarioPage()
{
    if (!Ui.tsScenario)
        BuildScenarioPage();
    return Ui.tsScenario;
}

void TfrMain::PlaceInTabOrder(std::initializer_list<QWidget *> fields)
{
    // A widget made after the window joins the end of its Tab chain; the page's fields belong
    // after the tree and the pages' scroll area (the last before them that takes focus), as when
    // the pages were built with the window.
    QWidget *before = Ui.sbPages;
    for (QWidget *field : fields) {
        QWidget::setTabOrder(before, field);
        before = field;
    }
}

void TfrMain::BuildGroupPage()
{
    Ui.tsGroup = new QWidget(Ui.pcMain);
    auto *group = new QVBoxLayout(Ui.tsGroup);
    Ui.lbGroupNumber = BoldLabel(u"Группа 1"_s, Ui.tsGroup);
    Ui.Label1 = new QLabel(u"Имя группы"_s, Ui.tsGroup);
    Ui.edGroupName = new QLineEdit(Ui.tsGroup);
    Ui.Label2 = new QLabel(u"Зоны"_s, Ui.tsGroup);
    Ui.clZones = new TCheckList(Ui.tsGroup);
    Ui.clZones->setMinimumHeight(120);
    group->addWidget(Ui.lbGroupNumber);
    group->addWidget(Ui.Label1);
    group->addWidget(Ui.edGroupName);
    group->addWidget(Ui.Label2);
    group->addWidget(Ui.clZones, 1);
    Ui.pcMain->addWidget(Ui.tsGroup);
    PlaceInTabOrder({Ui.edGroupName, Ui.clZones});

    Ui.edGroupName->setValidator(new TFieldNameValidator(Ui.edGroupName));
    connect(Ui.edGroupName, &QLineEdit::textChanged, this, &TfrMain::edGroupNameChange);
    connect(Ui.clZones, &QListWidget::itemChanged, this, &TfrMain::clZonesClickCheck);
    FollowTyping({Ui.edGroupName});
}

void TfrMain::BuildScenarioPage()
{
    Ui.tsScenario = new QWidget(Ui.pcMain);
    auto *scenario = new QVBoxLayout(Ui.tsScenario);
    Ui.lbScenarioNumber = BoldLabel(u"Сценарий 1"_s, Ui.tsScenario);
    Ui.edScenarioName = new QLineEdit(Ui.tsScenario);
    Ui.edScenarioTime = new QLineEdit(Ui.tsScenario);
    Ui.edScenarioTrack = new QLineEdit(Ui.tsScenario);
    Ui.edScenarioVolume = new QLineEdit(Ui.tsScenario);
    Ui.clDayOfWeek = new TCheckList(Ui.tsScenario);
    Ui.clDayOfWeek->setMinimumHeight(140);
    scenario->addWidget(Ui.lbScenarioNumber);
    const auto labelled = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, Ui.tsScenario);
        label->setBuddy(field);
        scenario->addWidget(label);
        scenario->addWidget(field);
    };
    labelled(u"Имя сценария"_s, Ui.edScenarioName);
    labelled(u"Время"_s, Ui.edScenarioTime);
    labelled(u"Трек"_s, Ui.edScenarioTrack);
    labelled(u"Громкость"_s, Ui.edScenarioVolume);
    labelled(u"Дни недели"_s, Ui.clDayOfWeek);
    scenario->setStretchFactor(Ui.clDayOfWeek, 1);
    for (const std::string_view day : DayNames)
        Ui.clDayOfWeek->AddItem(FromModel(day));
    Ui.pcMain->addWidget(Ui.tsScenario);
    PlaceInTabOrder({Ui.edScenarioName, Ui.edScenarioTime, Ui.edScenarioTrack, Ui.edScenarioVolume, Ui.clDayOfWeek});

    Ui.edScenarioName->setValidator(new TFieldNameValidator(Ui.edScenarioName));
    FTimeValidator = new TTimeValidator(this);
    Ui.edScenarioTime->setValidator(FTimeValidator);
    FTrackValidator = new TNumberValidator(this);
    Ui.edScenarioTrack->setValidator(FTrackValidator);
    FVolumeValidator = new TNumberValidator(this);
    Ui.edScenarioVolume->setValidator(FVolumeValidator);

    connect(Ui.edScenarioName, &QLineEdit::textChanged, this, &TfrMain::edScenarioNameChange);
    connect(Ui.edScenarioTime, &QLineEdit::textChanged, this, &TfrMain::edScenarioTimeChange);
    connect(Ui.edScenarioTrack, &QLineEdit::textChanged, this, &TfrMain::edScenarioTrackChange);
    connect(Ui.edScenarioVolume, &QLineEdit::textChanged, this, &TfrMain::edScenarioVolumeChange);
    connect(Ui.clDayOfWeek, &QListWidget::itemChanged, this, &TfrMain::clDayOfWeekClickCheck);
    FollowTyping({Ui.edScenarioName, Ui.edScenarioTime, Ui.edScenarioTrack, Ui.edScenarioVolume});
}
