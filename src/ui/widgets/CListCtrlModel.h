#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

#include <map>
#include <vector>

// The texts of a report-style grid: rows of cells, column 0 being the row's own text.
// Rows are painted in alternating colours; a marked row keeps its own background.
class CListCtrlModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kTipLength = 79;

    explicit CListCtrlModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int InsertColumn(int column, const QString& header);
    void RemoveAllColumns();
    // Inserts a row (clamped to the ends) with `text` in column 0; returns its index.
    int InsertRow(int row, const QString& text);
    bool RemoveRow(int row);
    void RemoveAllRows();
    // Replaces every row at once (large lists).
    void SetRows(std::vector<QStringList> rows);

    QString Text(int row, int column) const;
    bool SetText(int row, int column, const QString& text);

    void SetRowColours(int row, const QColor& text, const QColor& background);

private:
    QStringList m_headers;
    std::vector<QStringList> m_rows; // every row holds one text per column
    struct Colours {
        QColor text, background;
    };
    std::map<int, Colours> m_marks;
};
