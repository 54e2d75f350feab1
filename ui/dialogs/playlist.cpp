#include "ui/dialogs/playlist.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "ui/dialogs/dialogframe.h"
#include "ui/dialogs/inputval.h"
#include "ui/dialogs/prompts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString TrackTag = QString::fromUtf8(PlayListTrackTag.data(), qsizetype(PlayListTrackTag.size()));
const QString PathTag = QString::fromUtf8(PlayListPathTag.data(), qsizetype(PlayListPathTag.size()));

// A review line's playlist line, and its text as shown: the line goes back whole while the text stays.
constexpr int BackLineRole = Qt::UserRole;
constexpr int ShownTextRole = Qt::UserRole + 1;

QString EditorLine(const QString &number, const QString &path)
{
    return TrackTag + number + QLatin1Char(' ') + PathTag + path;
}

} // namespace

TfrPlayList::TfrPlayList(Prompts &prompts, TfrInputValue &inputValue, QWidget *parent)
    : TSmallDialog(parent, QStringLiteral("frPlayList"), QString::fromUtf8("Плейлист")), FPrompts(prompts),
      FInputValue(inputValue)
{

    lbPlayList = new QListWidget(this);
    lbPlayList->setObjectName(QStringLiteral("lbPlayList"));
    lbPlayList->setSelectionMode(QAbstractItemView::SingleSelection);
    lbPlayList->setMinimumSize(560, 320);

    auto *lbNumber = new QLabel(QString::fromUtf8("Номер"), this);
    edNumber = new QLineEdit(this);
    edNumber->setObjectName(QStringLiteral("edNumber"));
    edNumber->setEnabled(false);
    edNumber->setFixedWidth(120);

    auto *lbPath = new QLabel(QString::fromUtf8("Путь"), this);
    edPath = new QLineEdit(this);
    edPath->setObjectName(QStringLiteral("edPath"));
    connect(edPath, &QLineEdit::textChanged, edPath, &QLineEdit::setToolTip);

    Button1 = new QPushButton(QString::fromUtf8("Найти"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    btAdd = new QPushButton(QString::fromUtf8("Добавить"), this);
    btAdd->setObjectName(QStringLiteral("btAdd"));
    btDelete = new QPushButton(QString::fromUtf8("Удалить"), this);
    btDelete->setObjectName(QStringLiteral("btDelete"));
    for (QPushButton *button : {Button1, btAdd, btDelete})
        MakeClickOnlyButton(*button);

    auto *fields = new QGridLayout;
    fields->addWidget(lbNumber, 0, 0);
    fields->addWidget(edNumber, 1, 0);
    fields->addWidget(lbPath, 2, 0);
    fields->addWidget(edPath, 3, 0, 1, 2);
    fields->addWidget(Button1, 3, 2);
    fields->addWidget(btAdd, 4, 0, Qt::AlignLeft);
    fields->addWidget(btDelete, 4, 1, Qt::AlignLeft);
    fields->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbPlayList);
    layout->addLayout(fields);
    btOk = FinishLayout(*layout, QStringLiteral("btOk"), QStringLiteral("OK"));
    // Long paths: unlike the other small dialogs this one may be widened, and every line shows
    // whole in its tooltip.
    layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    connect(lbPlayList->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { SyncToolTips(first, last); });
    connect(lbPlayList->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                    SyncToolTips(from.row(), to.row());
            });

    // A line that becomes selected shows in the fields. Emptying the list from code (the card
    // writer refills it) must not touch the fields: they keep the last shown line until the
    // operator selects again, and only the operator, working in the list, can clear a selection.
    connect(lbPlayList, &QListWidget::itemSelectionChanged, this, [this] {
        if (!lbPlayList->selectedItems().isEmpty() || lbPlayList->hasFocus())
            lbPlayListClick();
    });
    connect(Button1, &QPushButton::clicked, this, &TfrPlayList::Button1Click);
    connect(btAdd, &QPushButton::clicked, this, &TfrPlayList::btAddClick);
    connect(btDelete, &QPushButton::clicked, this, &TfrPlayList::btDeleteClick);
    // A path typed by hand goes into its line at once, so OK keeps it.
    connect(edPath, &QLineEdit::textEdited, this, [this](const QString &path) {
        if (QListWidgetItem *item = HighlightedLine(); item && !edNumber->text().isEmpty())
            item->setText(EditorLine(edNumber->text(), path));
    });
    connect(btOk, &QPushButton::clicked, this, &TfrPlayList::btOkClick);
}

QStringList TfrPlayList::Lines() const
{
    QStringList lines;
    lines.reserve(lbPlayList->count());
    for (int i = 0; i < lbPlayList->count(); ++i)
        lines << lbPlayList->item(i)->text();
    return lines;
}

void TfrPlayList::AddReviewLine(const TReviewLine &line, bool apart)
{
    const QString text = QString::fromStdString(line.Shown);
    auto *item = new QListWidgetItem(text);
    item->setData(BackLineRole, QByteArray::fromStdString(line.Back));
    item->setData(ShownTextRole, text);
    if (apart)
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    lbPlayList->addItem(item);
}

std::vector<std::string> TfrPlayList::PlayList() const
{
    std::vector<std::string> playList;
    playList.reserve(size_t(lbPlayList->count()));
    for (int i = 0; i < lbPlayList->count(); ++i) {
        const QListWidgetItem &item = *lbPlayList->item(i);
        if (item.data(ShownTextRole).toString() == item.text() && item.data(BackLineRole).isValid())
            playList.push_back(item.data(BackLineRole).toByteArray().toStdString());
        else
            playList.push_back(PlayListLineFromDialog(item.text().toStdString()));
    }
    return playList;
}

void TfrPlayList::lbPlayListClick()
{
    edNumber->clear();
    edPath->clear();
    const QList<QListWidgetItem *> selected = lbPlayList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString line = selected.first()->text();
    const qsizetype track = line.indexOf(TrackTag);
    if (track < 0)
        return;
    const qsizetype path = line.indexOf(PathTag);
    if (path < 0)
        return;
    // The number stops before the character in front of "Путь:", normally the blank.
    const qsizetype start = track + TrackTag.size();
    const qsizetype length = path - 1 - start;
    const QString numberText = length > 0 ? line.mid(start, length) : QString();
    const int32_t number = WholeTextInteger(numberText.toStdString());
    if (number == 0)
        return;
    edNumber->setText(QString::number(number));
    edPath->setText(line.mid(path + PathTag.size()));
}

QListWidgetItem *TfrPlayList::HighlightedLine() const
{
    const QList<QListWidgetItem *> selected = lbPlayList->selectedItems();
    return selected.isEmpty() ? lbPlayList->currentItem() : selected.first();
}

void TfrPlayList::btDeleteClick()
{
    QListWidgetItem *item = HighlightedLine();
    if (!item)
        return;
    delete lbPlayList->takeItem(lbPlayList->row(item));
    lbPlayListClick();
}

void TfrPlayList::Button1Click()
{
    QListWidgetItem *item = HighlightedLine();
    if (item && edNumber->text().isEmpty()) {
        // The fields may not show the highlighted line yet (highlighted from code or by keyboard).
        lbPlayList->setCurrentItem(item);
        item->setSelected(true);
        lbPlayListClick();
    }
    // A file never goes in without its track: a new line, or a line whose number could not be
    // read, gets its number first.
    QString number = item ? edNumber->text() : QString();
    if (number.isEmpty()) {
        number = AskTrackNumber();
        if (number.isEmpty())
            return;
    }
    const std::optional<Prompts::FileChoice> file = FPrompts.OpenFile(QString(), QStringLiteral("MP3 (*.mp3)"));
    if (!file)
        return;
    if (!QFileInfo(file->Path).isFile()) {
        FPrompts.Notice(ApplicationTitle(), QString::fromUtf8("Файл '%1' не найден").arg(file->Path));
        return;
    }
    edNumber->setText(number);
    edPath->setText(file->Path);
    const QString line = EditorLine(number, file->Path);
    if (item)
        item->setText(line); // same place, still selected
    else
        lbPlayList->addItem(line);
}

void TfrPlayList::btAddClick()
{
    const QString number = AskTrackNumber();
    if (!number.isEmpty())
        lbPlayList->addItem(EditorLine(number, QString()));
}

QString TfrPlayList::AskTrackNumber()
{
    FInputValue.setWindowTitle(QString::fromUtf8("Введите номер трека"));
    FInputValue.edValue->clear(); // not the project name or number its last use left
    if (FPrompts.ShowModal(FInputValue) != 1)
        return QString();
    const QString typed = FInputValue.edValue->text().trimmed();
    const int32_t number = WholeTextInteger(typed.toStdString());
    if (number <= 0) {
        FPrompts.Notice(ApplicationTitle(),
                        QString::fromUtf8("Неверный номер трека '%1': нужно целое число больше нуля").arg(typed));
        return QString();
    }
    return QString::number(number);
}

void TfrPlayList::SyncToolTips(int first, int last)
{
    for (int row = std::max(first, 0); row <= last && row < lbPlayList->count(); ++row) {
        QListWidgetItem *item = lbPlayList->item(row);
        if (item->toolTip() != item->text())
            item->setToolTip(item->text());
    }
}

void TfrPlayList::showEvent(QShowEvent *event)
{
    // Each opening starts from blank fields: nothing of another project or run shows.
    edNumber->clear();
    edPath->clear();
    TSmallDialog::showEvent(event);
}

void TfrPlayList::btOkClick()
{
    accept();
}
