#include "ui/ColoredListCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

#include "script/ActionList.h"
#include "script/ClickType.h"

namespace {

// The relative luminance of a colour, and the contrast ratio of two, as WCAG 2 defines them.
double Luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A text colour below the readable contrast is lifted well past it, to the contrast of easily read text.
constexpr double kReadableContrast = 4.5;
constexpr double kGoodContrast = 7.0;
// Below this luminance a background is dark: light text reads better on it than dark text.
constexpr double kDarkBackground = 0.18;

// The texts a column must show whole besides its heading.
QStringList WidestTexts(int column) {
    switch (column) {
        case CActionList::ColSr:
            return {QStringLiteral("100000")};
        case CActionList::ColAction: {
            QStringList names;
            for (int code = LeftClick; code <= DoubleRightClick; ++code)
                names << GetClickTypeName(code);
            return names;
        }
        case CActionList::ColX:
        case CActionList::ColY:
            return {QStringLiteral("-32768")};
        case CActionList::ColDelay:
            return {QStringLiteral("100000")};
        default:
            return {};
    }
}

// Draws each cell's text in its row's colour (0x00BBGGRR) on the list's normal background.
class CRowColorDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const uint color = index.data(CActionList::ColorRole).toUInt();
        if (color != 0) {
            option->palette.setColor(QPalette::Text, CColoredListCtrl::ReadableTextColor(
                                                         color, option->palette.color(QPalette::Base)));
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
    horizontalHeader()->setStretchLastSection(true);
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

int CColoredListCtrl::FittedColumnWidth(int column) const {
    int width =
        std::max(CActionList::DefaultColumnWidth(column), horizontalHeader()->sectionSizeHint(column));
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    const int grid = showGrid() ? 1 : 0;
    for (const QString& text : WidestTexts(column)) {
        option.text = text;
        width = std::max(
            width, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + grid);
    }
    return width;
}

int CColoredListCtrl::OwnColumnWidth(int column) const {
    const QHeaderView* header = horizontalHeader();
    // The last column fills the rest of a wider list; then it has no width of its own beyond its default.
    if (column == header->count() - 1 && header->stretchLastSection() &&
        header->length() <= viewport()->width())
        return FittedColumnWidth(column);
    return columnWidth(column);
}

QColor CColoredListCtrl::ReadableTextColor(uint color, const QColor& background) {
    QColor text(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    // On a light background the colour is drawn as it is; on a dark one (a dark palette) a colour that does
    // not read well is made lighter in small steps, keeping its hue.
    if (Luminance(background) >= kDarkBackground || Contrast(text, background) >= kReadableContrast)
        return text;
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    float alpha = 0;
    text.getHslF(&hue, &saturation, &lightness, &alpha);
    while (lightness < 1.0f && Contrast(text, background) < kGoodContrast) {
        lightness = std::min(lightness + 0.01f, 1.0f);
        text = QColor::fromHslF(hue, saturation, lightness);
    }
    return text;
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
