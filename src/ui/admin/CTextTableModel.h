#pragma once
#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

// A read-only table of texts for the administration lists: fixed column headers, rows
// replaced as a whole when a window refills its list.
class CTextTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CTextTableModel(QStringList headers, QObject* parent = nullptr);

    void SetRows(std::vector<QStringList> rows);
    void Clear() { SetRows({}); }
    const QStringList& Row(int row) const { return m_rows.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::vector<QStringList> m_rows;
};

class QTableView;

// The look of every administration list: whole-row selection of one row, no editing, the
// given starting width for every column.
void SetupAdminList(QTableView* view, CTextTableModel* model, int columnWidth);
// The first selected row of the view, or -1.
int FirstSelectedRow(const QTableView* view);
