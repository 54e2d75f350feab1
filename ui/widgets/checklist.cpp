#include "ui/widgets/checklist.h"

#include <QKeyEvent>
#include <QMouseEvent>

TCheckList::TCheckList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QListWidgetItem *TCheckList::AddItem(const QString &text)
{
    auto *item = new QListWidgetItem(text, this);
    // Not user-checkable: the view would toggle on the box only; this list toggles on the whole row.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
    return item;
}

void TCheckList::StartAtFirstRow()
{
    clearSelection();
    if (count() > 0)
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    scrollToTop();
}

void TCheckList::Toggle(QListWidgetItem *item)
{
    if (item && (item->flags() & Qt::ItemIsEnabled))
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TCheckList::mousePressEvent(QMouseEvent *event)
{
    QListWidget::mousePressEvent(event);
    Pressed = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : nullptr;
}

void TCheckList::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    QListWidgetItem *item = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : nullptr;
    if (item && item == Pressed)
        Toggle(item);
    Pressed = nullptr;
}

void TCheckList::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click is two clicks: each toggles, as two clicks on a box do.
    mousePressEvent(event);
}

void TCheckList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        Toggle(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
