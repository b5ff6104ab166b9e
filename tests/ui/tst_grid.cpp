// The editable grid, its in-place editors and the underlined header field.
#include "UiTestSupport.h"

#include "widgets/CComboBoxExt.h"
#include "widgets/CEditEx.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CListCtrlModel.h"
#include "widgets/CUnderLineEdit.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <source_location>

namespace {
// A purchase-like grid: a hidden mark, quantity, unit (list), price and amount; its tests find
// the columns by their headers.
struct BillGrid {
    QDialog window;
    CListCtrlEx* grid;
    QPushButton* defaultButton;

    explicit BillGrid(int rows = 2) {
        auto* layout = new QVBoxLayout(&window);
        grid = new CListCtrlEx(&window);
        defaultButton = new QPushButton("保存", &window);
        defaultButton->setDefault(true);
        layout->addWidget(grid);
        layout->addWidget(defaultButton);
        const char* headers[] = {"是否有记录", "商品编码", "商品名称", "数量", "单位",     "批号",
                                 "生产日期",   "单价",     "金额",     "库位", "商品条码", "备注"};
        const int widths[] = {0, 70, 130, 70, 40, 70, 70, 70, 70, 50, 110, 110};
        for (int c = 0; c < 12; ++c)
            grid->InsertColumn(c, QString::fromUtf8(headers[c]), widths[c]);
        grid->SetAmountColumns(Col("数量"), Col("单价"), Col("金额"));
        for (int r = 0; r < rows; ++r) {
            grid->InsertItem(r, "true");
            grid->SetItemText(r, Col("商品编码"), QString("G%1").arg(r));
            grid->SetItemText(r, Col("商品名称"), QString("商品%1").arg(r));
            grid->SetItemText(r, Col("数量"), "0");
            grid->SetItemText(r, Col("单价"), "19.99");
            grid->SetItemText(r, Col("金额"), "0");
            for (const char* c : {"数量", "批号", "生产日期", "单价", "商品条码", "备注"})
                grid->AddEditableCell(r, Col(c));
            grid->SetListCell(r, Col("单位"), {"个", "箱"});
        }
        window.resize(1000, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    int Col(const char* header,
            std::source_location where = std::source_location::current()) const {
        return ColumnOf(grid, QString::fromUtf8(header), where);
    }
    QString Text(int row, const char* header,
                 std::source_location where = std::source_location::current()) const {
        return grid->GetItemText(row, Col(header, where));
    }
    QPoint Centre(int row, const char* header,
                  std::source_location where = std::source_location::current()) const {
        return grid->visualRect(grid->Model()->index(row, Col(header, where))).center();
    }
    void Press(int row, const char* header, Qt::MouseButton button = Qt::LeftButton,
               std::source_location where = std::source_location::current()) {
        QTest::mouseClick(grid->viewport(), button, {}, Centre(row, header, where));
    }
    CEditEx* Edit() const { return qobject_cast<CEditEx*>(grid->ActiveEditor()); }
    CComboBoxExt* Combo() const { return qobject_cast<CComboBoxExt*>(grid->ActiveEditor()); }
    void Type(const QString& text) {
        QVERIFY(grid->ActiveEditor());
        QTest::keyClick(grid->ActiveEditor(), Qt::Key_A, Qt::ControlModifier);
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (ascii)
            QTest::keyClicks(grid->ActiveEditor(), text);
        else if (auto* edit = qobject_cast<QLineEdit*>(grid->ActiveEditor()))
            edit->insert(text); // the key simulation knows ASCII only
    }
};
} // namespace

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetupTestApplication(); }

    void cellRulesUseWildcardsAndFirstMatch() {
        CListCtrlEx grid;
        grid.AddEditableCell(-1, 3);
        grid.AddEditableCell(2, -1);
        grid.SetListCell(0, 4, {"个", "箱"});
        grid.SetListCell(0, 4, {"件"}); // a later record for the same cell never wins
        grid.SetListCell(1, 3, {"x"});

        QCOMPARE(grid.FindListCell(0, 4)->items, QStringLiteral("个$箱"));
        QVERIFY(grid.FindEditableCell(57, 3));
        QVERIFY(!grid.FindEditableCell(0, 2));
        QVERIFY(grid.FindEditableCell(2, 9));  // row wildcard record matches any column
        QVERIFY(grid.FindEditableCell(-1, 7)); // query row -1: any record of column 7 (row 2's)
        QVERIFY(grid.FindListCell(0, -1));
        QVERIFY(!grid.FindListCell(5, -1));

        // A list rule goes before an editable rule on the same cell.
        QVERIFY(grid.EditorFor(1, 3) == CListCtrlEx::EditorKind::List);
        QVERIFY(grid.EditorFor(0, 3) == CListCtrlEx::EditorKind::Edit);
        QVERIFY(grid.EditorFor(0, 5) == CListCtrlEx::EditorKind::None);
    }

    void editBoxCommitsAndRecomputesAmount() {
        BillGrid g;
        QSignalSpy edited(g.grid, &CListCtrlEx::CellEdited);
        g.Press(0, "数量");
        QVERIFY(g.Edit());
        QCOMPARE(g.Edit()->text(), QStringLiteral("0"));
        QCOMPARE(g.Edit()->selectedText(), QStringLiteral("0"));
        QCOMPARE(g.grid->EditRow(), 0);
        QCOMPARE(g.grid->EditColumn(), g.Col("数量"));
        g.Type("3");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QVERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.Text(0, "数量"), QStringLiteral("3"));
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("59.97"));
        QCOMPARE(edited.count(), 1);

        // Editing the price of the row recomputes too; Tab commits like Enter.
        g.Press(0, "单价");
        g.Type("0.125");
        QTest::keyClick(g.Edit(), Qt::Key_Tab);
        QVERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("0.38"));

        // Any edited cell of the row recomputes; a quantity that is not a number counts as 0.
        g.grid->SetItemText(0, g.Col("数量"), "abc");
        g.Press(0, "备注");
        g.Type("备注 '%_");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QCOMPARE(g.Text(0, "备注"), QStringLiteral("备注 '%_"));
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("0.00"));
        // The other row stays as it was.
        QCOMPARE(g.Text(1, "金额"), QStringLiteral("0"));
    }

    void exactAmountsForLargeQuantities() {
        BillGrid g(1);
        g.grid->SetItemText(0, g.Col("单价"), "123456.78");
        g.Press(0, "数量");
        g.Type("1000000");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("123456780000.00"));
    }

    void enterInEditorDoesNotReachDefaultButton() {
        BillGrid g(1);
        QSignalSpy clicked(g.defaultButton, &QPushButton::clicked);
        g.Press(0, "数量");
        g.Type("2");
        QTest::keyClick(g.Edit(), Qt::Key_Enter);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(g.Text(0, "数量"), QStringLiteral("2"));
    }

    void focusMoveAndScrollCommit() {
        BillGrid g(40);
        g.Press(0, "数量");
        g.Type("4");
        // Pressing another editable cell ends the first edit with its text.
        g.Press(1, "批号");
        QCOMPARE(g.Text(0, "数量"), QStringLiteral("4"));
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("79.96"));
        QVERIFY(g.Edit());
        g.Type("B-1");
        g.grid->verticalScrollBar()->setValue(g.grid->verticalScrollBar()->maximum());
        QVERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.Text(1, "批号"), QStringLiteral("B-1"));

        // The focus going to a button commits too.
        g.grid->scrollToTop();
        g.Press(2, "生产日期");
        g.Type("2026-01-02");
        g.defaultButton->setFocus();
        QTRY_VERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.Text(2, "生产日期"), QStringLiteral("2026-01-02"));
    }

    void longTextsSurviveAnEdit() {
        BillGrid g(1);
        const QString longText(10000, QChar(u'长'));
        g.grid->SetItemText(0, g.Col("备注"), longText);
        g.Press(0, "备注");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QCOMPARE(g.Text(0, "备注"), longText);
        // The tip shows the first 79 characters.
        QCOMPARE(g.grid->Model()->index(0, g.Col("备注")).data(Qt::ToolTipRole).toString(),
                 longText.left(79));
    }

    void listCellOffersEntriesAndKeepsCurrentText() {
        BillGrid g(1);
        g.grid->SetListCell(0, g.Col("批号"), {"", "甲", "", "乙"}); // "$甲$$乙": no empty entries
        g.grid->SetItemText(0, g.Col("单位"), "件");
        g.grid->SetItemText(0, g.Col("金额"), "untouched");
        g.Press(0, "单位");
        QVERIFY(g.Combo());
        QCOMPARE(g.Combo()->count(), 3);
        QCOMPARE(g.Combo()->itemText(2), QStringLiteral("件"));
        QCOMPARE(g.Combo()->currentText(), QStringLiteral("件"));
        // Choosing an entry writes it at once; no amount is computed for a list cell.
        g.Combo()->setCurrentIndex(1);
        emit g.Combo()->activated(1);
        QVERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.Text(0, "单位"), QStringLiteral("箱"));
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("untouched"));

        g.Press(0, "单位");
        QCOMPARE(g.Combo()->count(), 2); // current text is in the list now
        QCOMPARE(g.Combo()->currentIndex(), 1);
        QTest::keyClick(g.Combo(), Qt::Key_Escape);

        g.Press(0, "批号");
        QCOMPARE(g.Combo()->count(), 3);
        QCOMPARE(g.Combo()->itemText(0), QStringLiteral("甲"));
        QCOMPARE(g.Combo()->itemText(1), QStringLiteral("乙"));
        QCOMPARE(g.Combo()->itemText(2), QString()); // the empty current text, added
    }

    void rightPressOnListCellAllowsFreeText() {
        BillGrid g(1);
        g.Press(0, "单位", Qt::RightButton);
        QVERIFY(g.Edit());
        g.Type("自定 单位$");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QCOMPARE(g.Text(0, "单位"), QStringLiteral("自定 单位$"));
        // The right button does nothing on other cells.
        g.Press(0, "数量", Qt::RightButton);
        QVERIFY(!g.grid->ActiveEditor());
        g.Press(0, "商品名称");
        QVERIFY(!g.grid->ActiveEditor()); // not editable
    }

    void pressBelowLastRowOpensNothing() {
        BillGrid g(1);
        g.Press(0, "数量");
        QTest::keyClick(g.Edit(), Qt::Key_Escape);
        const QPoint below = g.Centre(0, "数量") + QPoint(0, 200);
        QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(!g.grid->ActiveEditor());
        QCOMPARE(g.grid->EditRow(), 0);
        QCOMPARE(g.grid->EditColumn(), g.Col("数量"));
    }

    void rulesStayByIndexAfterDelete() {
        BillGrid g(2);
        g.grid->AddEditableCell(1, g.Col("商品名称")); // only the second line's name
        g.grid->DeleteItem(0);
        QCOMPARE(g.grid->GetItemCount(), 1);
        g.Press(0, "单位");
        QVERIFY(g.Combo()); // row 0's rule now serves the line that moved up
        QTest::keyClick(g.Combo(), Qt::Key_Escape);
        g.grid->DeleteAllItems();
        g.grid->InsertItem(0, "true");
        g.grid->InsertItem(1, "true");
        g.Press(1, "商品名称");
        QVERIFY(g.Edit());
    }

    void rowColoursTipsAndMarks() {
        BillGrid g(3);
        auto bg = [&](int row) {
            return g.grid->Model()
                ->index(row, g.Col("商品编码"))
                .data(Qt::BackgroundRole)
                .value<QColor>();
        };
        QCOMPARE(bg(0), QColor(225, 245, 255));
        QCOMPARE(bg(1), QColor(255, 255, 255));
        QCOMPARE(bg(2), QColor(225, 245, 255));
        QCOMPARE(g.grid->Model()->index(0, g.Col("商品名称")).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("商品0"));

        g.grid->MarkRow(2);
        g.grid->MarkRow(2);
        QCOMPARE(g.grid->FindRowMark(2)->background, QColor(255, 123, 123));
        QCOMPARE(g.grid->FindRowMark(2)->text, QColor(255, 123, 123));
        QVERIFY(!g.grid->FindRowMark(1));
        QCOMPARE(bg(2), QColor(255, 123, 123));
        // The text stays readable on the marked row.
        QVERIFY(
            g.grid->Model()->index(2, g.Col("商品编码")).data(Qt::ForegroundRole).value<QColor>() !=
            QColor(255, 123, 123));
        SaveShot(&g.window, "grid");
    }

    void f2OpensTheCurrentCellEditor() {
        BillGrid g(1);
        g.grid->setFocus();
        g.grid->setCurrentIndex(g.grid->Model()->index(0, g.Col("单价")));
        QTest::keyClick(g.grid, Qt::Key_F2);
        QVERIFY(g.Edit());
        g.Type("5");
        QTest::keyClick(g.Edit(), Qt::Key_Return);
        QCOMPARE(g.Text(0, "单价"), QStringLiteral("5"));
        QCOMPARE(g.Text(0, "金额"), QStringLiteral("0.00"));
    }

    void underlineColoursFollowFocusAndHover() {
        QDialog w;
        auto* layout = new QVBoxLayout(&w);
        auto* a = new CUnderLineEdit(&w);
        auto* b = new CUnderLineEdit(&w);
        layout->addWidget(a);
        layout->addWidget(b);
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        b->setFocus();
        QCOMPARE(a->LineColour(), QColor(0, 0, 0));
        a->setFocus();
        QTRY_VERIFY(a->hasFocus());
        QCOMPARE(a->LineColour(), QColor(0, 0, 255));
        QCOMPARE(b->LineColour(), QColor(0, 0, 0));

        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), a->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(b, &enter);
        QCOMPARE(b->LineColour(), QColor(255, 0, 0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(b, &leave);
        QCOMPARE(b->LineColour(), QColor(0, 0, 0));

        a->setReadOnly(true);
        QApplication::sendEvent(a, &enter);
        QCOMPARE(a->LineColour(), QColor(0, 0, 0));
        a->setReadOnly(false);
        a->setEnabled(false);
        QCOMPARE(a->LineColour(), QColor(0, 0, 0));

        // The line is painted along the bottom edge in the line colour (the focus went on to b).
        QTRY_VERIFY(b->hasFocus());
        for (CUnderLineEdit* e : {a, b}) {
            QImage shot = e->grab().toImage();
            QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() - 1), e->LineColour());
        }
        QCOMPARE(b->LineColour(), QColor(0, 0, 255));
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
