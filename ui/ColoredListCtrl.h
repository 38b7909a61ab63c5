#pragma once
// The action list: a report list whose rows are drawn in the colour their record carries, so a run shows
// its progress. Header clicks never reorder the rows: the script order is the row order. The Comment
// column, the last, takes whatever width the others leave. The list is one stop of the window's Tab
// order, and the keys move the selection by rows.

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

    // A column's default width in the fonts in use: room for its heading and for its widest text (six
    // digits of "Sr", the longest click-type name, a 16-bit coordinate, a six-digit delay), and never
    // narrower than the list's built-in width.
    int FittedColumnWidth(int column) const;
    // The width that a column shows its own texts in: without the part the last column stretches to.
    int OwnColumnWidth(int column) const;
    // The colour that a row's text colour (0x00BBGGRR) is drawn in on the list's background: as it is on a
    // light background, or where it reads well (a contrast ratio of 4.5 at least); on a dark background
    // where it does not, the same hue made lighter to a contrast of 7. The row's stored colour never changes.
    static QColor ReadableTextColor(uint color, const QColor& background);

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
