#include "ui/dialogs/bellsdialog.h"

#include "model/lib.h"
#include "schedule/groupedit.h"
#include "ui/dialogs/groupeditdialogs.h"
#include "ui/widgets/modeltext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The verdict's area holds this many lines; more scroll inside it.
constexpr int VerdictLinesHigh = 5;

QSpinBox *NumberBox(int low, int high, int value, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

TfrBells::TfrBells(const TProject &project, int group, int slot, QWidget *parent) : QDialog(parent), Project(project)
{
    setWindowTitle(u"Расписание звонков"_s);
    const TBellPlan defaults;
    cbGroup = new QComboBox(this);
    FillGroupChoice(*cbGroup, project, group);
    edStart = new QTimeEdit(QTime(defaults.StartHour, defaults.StartMinute), this);
    edStart->setDisplayFormat(u"HH:mm"_s);
    seLessons = NumberBox(1, MaxLessons, defaults.Lessons, this);
    seLessonLength = NumberBox(1, MaxLessonLength, defaults.LessonLength, this);
    edBreaks = new QLineEdit(u"10"_s, this);
    edBreaks->setPlaceholderText(u"например 10, 20, 10"_s);
    edBreaks->setToolTip(u"Минуты между концом урока и началом следующего; последнее число повторяется"_s);
    Days = new TDayTicks(this);
    Days->SetDays(defaults.Days);
    seStartTrack = NumberBox(1, MaxTrack, defaults.StartTrack, this);
    seEndTrack = NumberBox(0, MaxTrack, defaults.EndTrack, this);
    seWarning = NumberBox(0, MaxWarning, defaults.WarningMinutes, this);
    seWarningTrack = NumberBox(1, MaxTrack, defaults.WarningTrack, this);
    seVolume = NumberBox(0, MaxVolume, defaults.Volume, this);
    edPrefix = new QLineEdit(this);
    edPrefix->setPlaceholderText(u"например 2 смена: "_s);
    edPrefix->setToolTip(u"Пишется перед «Урок 1: начало», чтобы звонки второй смены не смешались с первой"_s);
    cbReplace = new QCheckBox(u"Заменить прежние звонки"_s, this);
    cbReplace->setToolTip(u"Сначала убрать из группы звонки с теми же названиями (и той же приставкой)"_s);

    lvPreview = new QTreeWidget(this);
    lvPreview->setRootIsDecorated(false);
    lvPreview->setHeaderLabels({u"Время"_s, u"Сценарий"_s, u"Название"_s, u"Трек"_s});
    lvPreview->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    lvPreview->setMinimumHeight(220);
    lbVerdict = new QLabel(this);
    lbVerdict->setWordWrap(true);
    lbVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbVerdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A fixed height whatever the verdict says: a growing list would push the form up under the
    // mouse on a small screen.
    sbVerdict = new QScrollArea(this);
    sbVerdict->setWidget(lbVerdict);
    sbVerdict->setWidgetResizable(true);
    sbVerdict->setFrameShape(QFrame::NoFrame);
    sbVerdict->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sbVerdict->setFixedHeight(fontMetrics().lineSpacing() * VerdictLinesHigh + 6);
    bbButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *form = new QFormLayout;
    form->addRow(u"Группа"_s, cbGroup);
    form->addRow(u"Начало первого урока"_s, edStart);
    form->addRow(u"Число уроков"_s, seLessons);
    form->addRow(u"Длина урока, мин"_s, seLessonLength);
    form->addRow(u"Перемены, мин"_s, edBreaks);
    form->addRow(u"Дни недели"_s, Days);
    form->addRow(u"Трек звонка на урок"_s, seStartTrack);
    form->addRow(u"Трек звонка с урока (0 — без звонка)"_s, seEndTrack);
    form->addRow(u"Предупреждение за, мин (0 — нет)"_s, seWarning);
    form->addRow(u"Трек предупреждения"_s, seWarningTrack);
    form->addRow(u"Громкость"_s, seVolume);
    form->addRow(u"Приставка к названиям"_s, edPrefix);
    form->addRow(QString(), cbReplace);
    auto *column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(lvPreview, 1);
    column->addWidget(sbVerdict);
    column->addWidget(bbButtons);

    connect(bbButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bbButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Another group: its own bells' plan, when it has bells; else the fields as they stand.
    connect(cbGroup, &QComboBox::currentIndexChanged, this, [this] { Recall(ChosenGroup(*cbGroup), 0); });
    connect(cbGroup, &QComboBox::currentIndexChanged, this, &TfrBells::UpdatePreview);
    connect(edStart, &QTimeEdit::timeChanged, this, &TfrBells::UpdatePreview);
    connect(edBreaks, &QLineEdit::textChanged, this, &TfrBells::UpdatePreview);
    connect(edPrefix, &QLineEdit::textChanged, this, &TfrBells::UpdatePreview);
    connect(cbReplace, &QCheckBox::toggled, this, &TfrBells::UpdatePreview);
    connect(Days, &TDayTicks::changed, this, &TfrBells::UpdatePreview);
    for (QSpinBox *box : {seLessons, seLessonLength, seStartTrack, seEndTrack, seWarning, seWarningTrack, seVolume})
        connect(box, &QSpinBox::valueChanged, this, &TfrBells::UpdatePreview);
    Recall(ChosenGroup(*cbGroup), slot);
    UpdatePreview();
}

void TfrBells::Recall(int group, int slot)
{
    TBellPlan plan = Plan();
    if (RecallBellPlan(Project, group, slot, plan))
        SetPlan(plan);
}

void TfrBells::SetPlan(const TBellPlan &plan)
{
    {
        // One preview for the whole plan, not one per field.
        const QSignalBlocker blockers[] = {
            QSignalBlocker(cbGroup),        QSignalBlocker(edStart),    QSignalBlocker(seLessons),
            QSignalBlocker(seLessonLength), QSignalBlocker(edBreaks),   QSignalBlocker(Days),
            QSignalBlocker(seStartTrack),   QSignalBlocker(seEndTrack), QSignalBlocker(seWarning),
            QSignalBlocker(seWarningTrack), QSignalBlocker(seVolume),   QSignalBlocker(edPrefix),
            QSignalBlocker(cbReplace)};
        if (const int index = cbGroup->findData(plan.Group); index >= 0)
            cbGroup->setCurrentIndex(index);
        edStart->setTime(QTime(plan.StartHour, plan.StartMinute));
        seLessons->setValue(plan.Lessons);
        seLessonLength->setValue(plan.LessonLength);
        QStringList breaks;
        for (const int minutes : plan.Breaks)
            breaks.push_back(QString::number(minutes));
        edBreaks->setText(breaks.isEmpty() ? u"10"_s : breaks.join(u", "_s));
        Days->SetDays(plan.Days);
        seStartTrack->setValue(plan.StartTrack);
        seEndTrack->setValue(plan.EndTrack);
        seWarning->setValue(plan.WarningMinutes);
        seWarningTrack->setValue(plan.WarningTrack);
        seVolume->setValue(plan.Volume);
        edPrefix->setText(FromModel(plan.Prefix));
        cbReplace->setChecked(plan.Replace);
    }
    UpdatePreview();
}

TBellPlan TfrBells::Plan() const
{
    TBellPlan plan;
    plan.Group = ChosenGroup(*cbGroup);
    plan.StartHour = edStart->time().hour();
    plan.StartMinute = edStart->time().minute();
    plan.Lessons = seLessons->value();
    plan.LessonLength = seLessonLength->value();
    ParseNumberList(edBreaks->text().toStdString(), plan.Breaks);
    plan.Days = Days->Days();
    plan.StartTrack = seStartTrack->value();
    plan.EndTrack = seEndTrack->value();
    plan.WarningMinutes = seWarning->value();
    plan.WarningTrack = seWarningTrack->value();
    plan.Volume = seVolume->value();
    plan.Prefix = edPrefix->text().toStdString();
    plan.Replace = cbReplace->isChecked();
    return plan;
}

void TfrBells::UpdatePreview()
{
    seWarningTrack->setEnabled(seWarning->value() > 0);
    std::vector<int> breaks;
    const std::string breaksRefusal = ReadBreaks(edBreaks->text().toStdString(), breaks);
    FPreview = breaksRefusal.empty() ? PreviewBells(Project, Plan()) : TBellOutcome{{}, {}, breaksRefusal};

    lvPreview->clear();
    QList<QTreeWidgetItem *> rows;
    for (const TBell &bell : FPreview.Bells) {
        rows.push_back(new QTreeWidgetItem(
            QStringList{FromModel(TimeText(bell.MinuteOfDay / 60, bell.MinuteOfDay % 60)), QString::number(bell.Slot),
                        FromModel(bell.Name), QString::number(bell.Track)}));
    }
    lvPreview->addTopLevelItems(rows);

    QString verdict;
    bool alarming = true;
    if (!FPreview.Refusal.empty()) {
        verdict = FromModel(FPreview.Refusal);
        verdict[0] = verdict[0].toUpper(); // the break list's reason is worded to follow a file name
    } else {
        QStringList clashes;
        for (const std::string &line : BellClashes(Project, Plan(), FPreview))
            clashes.push_back(FromModel(line));
        alarming = !clashes.isEmpty();
        if (cbReplace->isChecked())
            verdict = u"Будут удалены прежние звонки: "_s + QString::number(FPreview.Removed.size()) + u'\n';
        if (clashes.isEmpty()) {
            verdict += u"Проверка: совпадений по времени нет"_s;
        } else {
            verdict += u"Проверка: найдено совпадений по времени: "_s + QString::number(clashes.size());
            for (const QString &clash : clashes)
                verdict += u'\n' + clash;
        }
    }
    lbVerdict->setText(verdict);
    lbVerdict->setStyleSheet(alarming ? u"color: #b00000;"_s : QString());
    bbButtons->button(QDialogButtonBox::Ok)->setEnabled(FPreview.Refusal.empty());
}
