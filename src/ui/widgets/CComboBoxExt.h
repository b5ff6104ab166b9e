#pragma once
#include <QComboBox>

// The grid's in-place drop-down list: pick-only. Choosing an entry, or losing the focus, hands
// the current text back to the grid.
class CComboBoxExt : public QComboBox {
    Q_OBJECT
public:
    explicit CComboBoxExt(QWidget* parent = nullptr);

    // Entries from a "$"-joined text (empty pieces dropped), then `current` selected, added as
    // one more entry when it is not among them.
    void Fill(const QString& items, const QString& current);

    // The list opens at least as wide as its widest entry, however narrow the cell is.
    void showPopup() override;

signals:
    void Chosen();
};
