#pragma once

#include <QListWidget>

/// A check list whose items toggle by a click anywhere on them (box or label) and by Space on the
/// current item. Items are added with AddItem; each toggle is reported through itemChanged.
class TCheckList : public QListWidget
{
    Q_OBJECT
public:
    explicit TCheckList(QWidget *parent = nullptr);

    /// Appends an unticked item.
    QListWidgetItem *AddItem(const QString &text);
    /// Makes the first row current without highlighting it, as a fresh list starts.
    void StartAtFirstRow();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    static void Toggle(QListWidgetItem *item);
    QListWidgetItem *Pressed = nullptr;
};
