#include "script/ActionList.h"

#include <algorithm>

CActionList* g_pActionList = nullptr;
std::vector<std::unique_ptr<CMouseAction>> g_arrLoadedActions;

CActionList::CActionList(QObject* parent) : QAbstractTableModel(parent) {}

CActionList::~CActionList() = default;

QString CActionList::ColumnHeading(int column) {
    switch (column) {
        case ColSr:
            return QStringLiteral("Sr");
        case ColAction:
            return QStringLiteral("Action");
        case ColX:
            return QStringLiteral("X");
        case ColY:
            return QStringLiteral("Y");
        case ColDelay:
            return QStringLiteral("Delay (ms)");
        case ColComment:
            return QStringLiteral("Comment");
        default:
            return {};
    }
}

int CActionList::DefaultColumnWidth(int column) {
    static constexpr int kWidths[ColumnCount] = {30, 125, 50, 50, 75, 125};
    return column >= 0 && column < ColumnCount ? kWidths[column] : 0;
}

QString CActionList::Text(int row, int column) const {
    const CMouseAction& a = *m_rows[static_cast<size_t>(row)];
    switch (column) {
        case ColSr:
            return QString::number(row + 1);  // always 1 to n, so rows renumber themselves
        case ColAction:
            return GetClickTypeName(a.m_iClickType);
        case ColX:
            return QString::number(a.m_iX);
        case ColY:
            return QString::number(a.m_iY);
        case ColDelay:
            return QString::number(a.m_dwDelay);
        case ColComment:
            return a.m_strComment;
        default:
            return {};
    }
}

int CActionList::Append(std::unique_ptr<CMouseAction> action) {
    const int row = GetItemCount();
    beginInsertRows({}, row, row);
    {
        std::lock_guard lock(m_mutex);
        m_rows.push_back(std::move(action));
    }
    endInsertRows();
    return row;
}

void CActionList::AppendAll(std::vector<std::unique_ptr<CMouseAction>>& actions) {
    if (actions.empty())
        return;
    const int first = GetItemCount();
    beginInsertRows({}, first, first + static_cast<int>(actions.size()) - 1);
    {
        std::lock_guard lock(m_mutex);
        m_rows.reserve(m_rows.size() + actions.size());
        for (auto& action : actions)
            m_rows.push_back(std::move(action));
    }
    actions.clear();
    endInsertRows();
}

void CActionList::RemoveAt(int row) {
    if (row < 0 || row >= GetItemCount())
        return;
    beginRemoveRows({}, row, row);
    {
        std::lock_guard lock(m_mutex);
        m_rows.erase(m_rows.begin() + row);
    }
    endRemoveRows();
    // The numbers of the rows below have changed.
    if (row < GetItemCount())
        Q_EMIT dataChanged(index(row, ColSr), index(GetItemCount() - 1, ColSr), {Qt::DisplayRole});
}

void CActionList::RemoveAll() {
    beginResetModel();
    {
        std::lock_guard lock(m_mutex);
        m_rows.clear();
    }
    endResetModel();
}

void CActionList::SetRecord(int row, const CMouseAction& action) {
    if (row < 0 || row >= GetItemCount())
        return;
    {
        std::lock_guard lock(m_mutex);
        CMouseAction& a = *m_rows[static_cast<size_t>(row)];
        a.m_iClickType = action.m_iClickType;
        a.m_iX = action.m_iX;
        a.m_iY = action.m_iY;
        a.m_dwDelay = action.m_dwDelay;
        a.m_strComment = action.m_strComment;
    }
    Q_EMIT dataChanged(index(row, ColAction), index(row, ColComment), {Qt::DisplayRole});
}

bool CActionList::Snapshot(int row, CMouseAction& out) const {
    std::lock_guard lock(m_mutex);
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size())
        return false;
    out = *m_rows[static_cast<size_t>(row)];
    return true;
}

void CActionList::SetColor(int row, uint32_t color) {
    std::lock_guard lock(m_mutex);
    if (row >= 0 && static_cast<size_t>(row) < m_rows.size())
        m_rows[static_cast<size_t>(row)]->m_crColor.store(color, std::memory_order_relaxed);
}

void CActionList::ResetColors() {
    {
        std::lock_guard lock(m_mutex);
        for (auto& row : m_rows)
            row->m_crColor.store(kColorBlack, std::memory_order_relaxed);
    }
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(GetItemCount() - 1, ColumnCount - 1), {ColorRole});
}

void CActionList::RedrawColors(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, GetItemCount() - 1);
    if (first <= last)
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1), {ColorRole});
}

int CActionList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetItemCount();
}

int CActionList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CActionList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= GetItemCount())
        return {};
    if (role == Qt::DisplayRole) {
        const QString text = Text(index.row(), index.column());
        // A comment may run to megabytes, which every repaint would lay out; a row shows no more than its
        // start anyway.
        if (index.column() == ColComment && text.size() > kShownCommentLength)
            return QString(text.left(kShownCommentLength) + QChar(0x2026));
        return text;
    }
    if (role == ColorRole)
        return GetItemData(index.row())->m_crColor.load(std::memory_order_relaxed);
    return {};
}

QVariant CActionList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ColumnHeading(section);
    return {};
}
