#pragma once
// The action list: a report list whose rows are drawn in the colour their record carries, so a run shows
// its progress. Header clicks never reorder the rows: the script order is the row order. The list is one
// stop of the window's Tab order, and the keys move the selection by rows.

#include <QTableView>

class CActionList;

class CColoredListCtrl : public QTableView {
    Q_OBJECT

public:
    explicit CColoredListCtrl(QWidget* parent = nullptr);

    void SetActionList(CActionList* list);
    // The first selected row, or -1.
    int GetSelectedRow() const;
    void SelectRow(int row);

Q_SIGNALS:
    // A double-click anywhere in the list, also on the empty area below the rows (which clears the
    // selection first, as list controls do).
    void ListDoubleClicked();
    // Enter or F2: edit the selected action, as a double-click does.
    void EditKeyPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
