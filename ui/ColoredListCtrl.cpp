#include "ui/ColoredListCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "script/ActionList.h"

namespace {

// Draws each cell's text in its row's colour (0x00BBGGRR) on the list's normal background.
class CRowColorDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const uint color = index.data(CActionList::ColorRole).toUInt();
        if (color != 0) {
            const QColor text(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
            option->palette.setColor(QPalette::Text, text);
        }
    }
};

}  // namespace

CColoredListCtrl::CColoredListCtrl(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new CRowColorDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setSortingEnabled(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed row heights keep a list of 100,000 rows as quick as a short one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CColoredListCtrl::SetActionList(CActionList* list) {
    setModel(list);
}

int CColoredListCtrl::GetSelectedRow() const {
    if (selectionModel() == nullptr)
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void CColoredListCtrl::SelectRow(int row) {
    if (row < 0 || model() == nullptr || row >= model()->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void CColoredListCtrl::mousePressEvent(QMouseEvent* event) {
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTableView::mousePressEvent(event);
}

void CColoredListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!indexAt(event->position().toPoint()).isValid())
        clearSelection();
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT ListDoubleClicked();
}

void CColoredListCtrl::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (modifiers == Qt::NoModifier) {
            event->accept();
            Q_EMIT EditKeyPressed();
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Ctrl+Tab leaves the list too, as it leaves any control that takes Tab for itself.
        if (modifiers & Qt::ControlModifier) {
            event->accept();
            focusNextPrevChild(event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex CColoredListCtrl::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    // Whole rows are selected, so Home and End go to the first and the last row, not to a column.
    if ((cursorAction == MoveHome || cursorAction == MoveEnd) && model() != nullptr && model()->rowCount() > 0) {
        const int row = cursorAction == MoveHome ? 0 : model()->rowCount() - 1;
        return model()->index(row, std::max(0, currentIndex().column()));
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}
