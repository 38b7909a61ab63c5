#pragma once
// The rows of the open script: an ordered sequence that owns its records, offered to views as a table
// model. The list on screen and the file writer share this one container.
//
// Threads: the user-interface thread owns the rows. A run's worker only reads a record through
// Snapshot() and writes row colours through SetColor(); every change of the sequence or of a record's
// fields takes the same lock, so the worker never sees a half-made change.

#include <QAbstractTableModel>
#include <memory>
#include <mutex>
#include <vector>

#include "script/MouseAction.h"

class CActionList : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColSr, ColAction, ColX, ColY, ColDelay, ColComment, ColumnCount };
    // The row's text colour as 0x00BBGGRR (unsigned), for the view to draw.
    static constexpr int ColorRole = Qt::UserRole + 1;
    // The most of a comment that the list shows; the record keeps all of it.
    static constexpr qsizetype kShownCommentLength = 500;

    explicit CActionList(QObject* parent = nullptr);
    ~CActionList() override;

    static QString ColumnHeading(int column);
    static int DefaultColumnWidth(int column);

    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    CMouseAction* GetItemData(int row) const { return m_rows[static_cast<size_t>(row)].get(); }
    // The text of a cell, in full (the list shows at most kShownCommentLength of a comment).
    QString Text(int row, int column) const;

    // Appends a row that then owns the record; returns its index.
    int Append(std::unique_ptr<CMouseAction> action);
    // Appends many rows at once (opening a file); the vector is left empty.
    void AppendAll(std::vector<std::unique_ptr<CMouseAction>>& actions);
    void RemoveAt(int row);
    void RemoveAll();
    // Replaces a record's fields (the row keeps its record and colour).
    void SetRecord(int row, const CMouseAction& action);

    // For a run's worker: a copy of the record, or false when the row no longer exists.
    bool Snapshot(int row, CMouseAction& out) const;
    void SetColor(int row, uint32_t color);
    // Every row back to black, as at the end of a run.
    void ResetColors();
    // Tells the views that rows first to last may have changed colour (a worker's SetColor cannot).
    // Rows past the end are ignored.
    void RedrawColors(int first, int last);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<CMouseAction>> m_rows;
};

// The view's list, read by the file writer.
extern CActionList* g_pActionList;
// Records read from a file and not yet shown: the view takes them into its rows after a successful open.
extern std::vector<std::unique_ptr<CMouseAction>> g_arrLoadedActions;
