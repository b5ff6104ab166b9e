#include "CBillEntryDlg.h"

#include "CPaletteListDlg.h"
#include "PostingNotice.h"
#include "admin/RoleAdmin.h"
#include "basic/GoodsStore.h"
#include "bills/BillBrowse.h"
#include "bills/BillReversal.h"
#include "config/ConfigLists.h"
#include "orders/Orders.h"
#include "port/MessagePort.h"
#include "query/BillPrint.h"
#include "query/CPrintDlg.h"
#include "query/History.h"
#include "rights/Functions.h"
#include "store/BillKindNames.h"
#include "store/CDataStore.h"
#include "widgets/CDateEditEx.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"
#include "widgets/ModalRunner.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Buttons of actions the role lacks are greyed as a courtesy; the core refuses them anyway.
bool RoleMay(BillKind kind, Action action) {
    const std::string function = KindFunction(KindNames(kind).cliName);
    return function.empty() || CurrentRights().Allows(function, action);
}
// Posting a bill of `kind` while it is entered.
void AllowSave(QPushButton* save, BillKind kind) {
    if (save && save->isEnabled())
        save->setEnabled(RoleMay(kind, Action::Enter));
}
std::string S(const QString& s) {
    return s.toStdString();
}

// The unit list offered by the grid's unit cells, in file order.
QStringList UnitNames() {
    QStringList names;
    for (const auto& e : ReadConfigList("unit"))
        names << Q(e.name);
    return names;
}
} // namespace

CBillEntryDlg::CBillEntryDlg(QWidget* parent, BillKind kind)
    : QDialog(parent), m_bill(std::make_unique<CBill>(kind)) {
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_title = new QLabel(this);
    m_title->setObjectName("billTitle");
    m_title->setAlignment(Qt::AlignCenter);
    QFont font = m_title->font();
    font.setPixelSize(26);
    font.setBold(true);
    m_title->setFont(font);
    m_title->setStyleSheet("QLabel#billTitle { color: #1f4e79; padding: 4px; }");

    m_grid = new CListCtrlEx(this);
    m_grid->setObjectName("billGrid");
    int column = 0;
    for (const auto& c : GridColumns(kind))
        m_grid->InsertColumn(column++, QString::fromUtf8(c.header), c.width);
    if (IsTradeKind(kind) || IsOrderKind(kind))
        m_grid->SetAmountColumns(3, 7, 8);

    connect(m_grid, &CListCtrlEx::CellEdited, this, &CBillEntryDlg::OnCellEdited);
    connect(m_grid, &CListCtrlEx::FocusEntered, this, &CBillEntryDlg::RecomputeTotals);
    connect(m_grid, &QAbstractItemView::clicked, this, &CBillEntryDlg::RecomputeTotals);
    connect(m_grid, &CListCtrlEx::DoubleClicked, this, &CBillEntryDlg::OnGridDoubleClick);

    m_printBill = NewButton(QStringLiteral("打印"));
    m_printBill->setEnabled(false);
    connect(m_printBill, &QPushButton::clicked, this, &CBillEntryDlg::OnPrintBill);
}

CBillEntryDlg::~CBillEntryDlg() {
    // A window destroyed while shown hides only after this part of it is gone; an open cell
    // editor then commits into a grid that must no longer call back here.
    m_grid->disconnect(this);
}

void CBillEntryDlg::SetKind(BillKind kind) {
    if (kind == m_bill->Kind())
        return;
    m_bill = std::make_unique<CBill>(kind);
    if (!m_viewMode)
        AllowSave(m_save, kind);
    m_grid->SetAmountColumns(IsTradeKind(kind) ? 3 : -1, 7, 8);
    ShowLines();
    ShowHeader();
}

void CBillEntryDlg::SetEditable(bool editable) {
    for (QPushButton* b : {m_save, m_add, m_change, m_remove})
        if (b)
            b->setEnabled(editable);
    if (m_quickEntry)
        m_quickEntry->setEnabled(editable);
    for (QLineEdit* f :
         {static_cast<QLineEdit*>(m_number), static_cast<QLineEdit*>(m_customer),
          static_cast<QLineEdit*>(m_department), static_cast<QLineEdit*>(m_warehouse),
          static_cast<QLineEdit*>(m_toWarehouse), static_cast<QLineEdit*>(m_employee),
          static_cast<QLineEdit*>(m_introduction), static_cast<QLineEdit*>(m_account), m_paid})
        if (f)
            f->setReadOnly(!editable);
    for (QDateEdit* d : {m_date, m_deliveryDate})
        if (d)
            d->setReadOnly(!editable);
    for (const auto& [field, icon] : m_icons)
        icon->setEnabled(editable); // nothing is picked in a stored bill
}

void CBillEntryDlg::EnterEntryMode(BillKind kind) {
    m_grid->CommitActiveEditor();
    m_viewMode = false;
    SetEditable(true);
    m_bill = std::make_unique<CBill>(kind);
    AllowSave(m_save, kind);
    ShowLines();
    ShowHeader();
}

void CBillEntryDlg::EnterViewMode(const std::optional<CBill>& stored) {
    m_grid->CommitActiveEditor();
    m_viewMode = true;
    SetEditable(false);
    if (stored) {
        m_bill = std::make_unique<CBill>(*stored);
    } else {
        m_bill->m_number.clear();
        m_bill->m_lines.clear();
    }
    ShowLines();
    ShowHeader();
}

// ---- building blocks

CUnderLineEdit* CBillEntryDlg::NewField() {
    auto* f = new CUnderLineEdit(this);
    f->setMinimumWidth(150);
    return f;
}

QLabel* CBillEntryDlg::NewLabel(const QString& text) {
    auto* l = new QLabel(text, this);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QWidget* CBillEntryDlg::PickedField(CUnderLineEdit* field, const QString& pickerKind) {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    field->setParent(box);
    auto* icon = new QToolButton(box);
    icon->setIcon(QIcon(":/icons/picker.svg"));
    icon->setIconSize(QSize(18, 18));
    icon->setAutoRaise(true);
    icon->setToolTip(QStringLiteral("请在列表中选择 (F4)"));
    icon->setCursor(Qt::PointingHandCursor);
    icon->setFocusPolicy(Qt::NoFocus); // Tab goes from field to field
    icon->setObjectName(pickerKind);
    row->addWidget(field, 1);
    row->addWidget(icon);
    connect(icon, &QToolButton::clicked, this,
            [this, field, pickerKind] { PickField(field, pickerKind); });
    m_icons.push_back({field, icon});
    field->installEventFilter(this); // F4 opens the picker from the keyboard
    return box;
}

QPushButton* CBillEntryDlg::NewButton(const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    b->setMinimumWidth(84);
    return b;
}

QGroupBox* CBillEntryDlg::LinesGroup(const QString& title) {
    m_linesGroup = new QGroupBox(title, this);
    auto* layout = new QVBoxLayout(m_linesGroup);
    // A price adjustment has no quantity to count scans in.
    if (m_bill->Kind() != BillKind::Price) {
        m_quickEntry = new QLineEdit(m_linesGroup);
        m_quickEntry->setObjectName("quickEntry");
        m_quickEntry->setPlaceholderText(QStringLiteral("扫描条码，或输入商品编码、助记码后回车"));
        m_quickEntry->setMaximumWidth(360);
        m_quickEntry->installEventFilter(this); // Enter adds the goods, never posts
        auto* label = new QLabel(QStringLiteral("条码/编码："), m_linesGroup);
        label->setBuddy(m_quickEntry);
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(m_quickEntry, 1);
        row->addStretch(1);
        layout->addLayout(row);
    }
    layout->addWidget(m_grid);
    return m_linesGroup;
}

void CBillEntryDlg::InitDate() {
    m_date = new CDateEditEx(this);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_date->setDate(QDate::fromString(Q(m_bill->m_date), Qt::ISODate));
    m_date->setMinimumWidth(130);
}

void CBillEntryDlg::SetTitleText(const QString& text) {
    m_title->setText(text);
}

QToolButton* CBillEntryDlg::PickerIcon(QLineEdit* field) const {
    for (const auto& [f, icon] : m_icons)
        if (f == field)
            return icon;
    return nullptr;
}

// ---- showing the bill

void CBillEntryDlg::ShowLines() {
    m_grid->DeleteAllItems();
    for (size_t r = 0; r < m_bill->m_lines.size(); ++r) {
        m_grid->InsertItem(int(r), Q(m_bill->Cell(r, 0)));
        ShowLine(int(r));
    }
}

void CBillEntryDlg::ShowLine(int row) {
    // What the role sees, while a bill is typed too: a price it hides, filled in from the goods
    // or its unit, shows "***" and is posted as it is.
    for (int c = 1; c < m_grid->GetColumnCount(); ++c)
        m_grid->SetItemText(row, c, Q(m_bill->ShownCell(size_t(row), size_t(c))));
}

void CBillEntryDlg::ShowHeader() {
    if (m_number)
        m_number->setText(Q(m_bill->m_number));
    if (m_date) {
        const QDate date = QDate::fromString(Q(m_bill->m_date), Qt::ISODate);
        if (date.isValid())
            m_date->setDate(date);
    }
    const std::pair<QLineEdit*, const std::string*> fields[] = {
        {m_customer, &m_bill->m_customer},   {m_department, &m_bill->m_department},
        {m_warehouse, &m_bill->m_warehouse}, {m_toWarehouse, &m_bill->m_toWarehouse},
        {m_employee, &m_bill->m_employee},   {m_introduction, &m_bill->m_introduction},
        {m_account, &m_bill->m_account},     {m_paid, &m_bill->m_paid}};
    for (const auto& [field, value] : fields)
        if (field)
            field->setText(Q(*value));
    if (m_deliveryDate) {
        // No delivery date stored shows the bill's own date.
        const QDate date = QDate::fromString(Q(m_bill->m_deliveryDate), Qt::ISODate);
        m_deliveryDate->setDate(date.isValid() ? date : m_date->date());
    }
    ShowTotals();
    // The paid amount of a bill being typed is the user's own.
    if (m_viewMode && m_paid)
        m_paid->setText(Q(m_bill->ShownMoney(m_bill->m_paid)));
}

void CBillEntryDlg::ShowTotals() {
    if (m_quantityTotal)
        m_quantityTotal->setText(Q(m_bill->m_quantityTotal));
    if (m_amountTotal)
        m_amountTotal->setText(Q(m_bill->ShownMoney(m_bill->m_amountTotal)));
}

void CBillEntryDlg::ReadHeader() {
    auto read = [](QLineEdit* field, std::string& value) {
        if (field)
            value = S(field->text());
    };
    read(m_number, m_bill->m_number);
    read(m_customer, m_bill->m_customer);
    read(m_department, m_bill->m_department);
    read(m_warehouse, m_bill->m_warehouse);
    read(m_toWarehouse, m_bill->m_toWarehouse);
    read(m_employee, m_bill->m_employee);
    read(m_introduction, m_bill->m_introduction);
    read(m_account, m_bill->m_account);
    read(m_paid, m_bill->m_paid);
    if (m_date)
        m_bill->m_date = S(m_date->date().toString(Qt::ISODate));
    if (m_deliveryDate)
        m_bill->m_deliveryDate = S(m_deliveryDate->date().toString(Qt::ISODate));
}

void CBillEntryDlg::RecomputeTotals() {
    if (m_viewMode)
        return; // the stored bill's own totals stay on show
    // The quantity total counts base units: a box of 12 is 12.
    std::vector<int64_t> factors;
    for (size_t row = 0; row < m_bill->m_lines.size(); ++row) {
        const auto& offer = OfferOf(int(row));
        factors.push_back(offer ? offer->FactorOf(m_bill->m_lines[row].unit) : 1);
    }
    m_bill->RecomputeTotals(factors);
    ShowTotals();
}

// ---- lines

std::optional<GoodsRecord> CBillEntryDlg::PickGoods(const QString& search) {
    CPaletteListDlg picker(this);
    picker.SetKind(QStringLiteral("palette_product"));
    picker.SetSearchText(search);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.m_chosenGoods;
}

void CBillEntryDlg::RegisterRowRules(int row) {
    const auto& columns = GridColumns(m_bill->Kind());
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].edit == CellEdit::Text)
            m_grid->AddEditableCell(row, int(c));
        else if (columns[c].edit == CellEdit::UnitList)
            m_grid->SetListCell(row, int(c), UnitChoices(row));
    }
}

const std::optional<LineUnitOffer>& CBillEntryDlg::OfferOf(int row) const {
    static const std::optional<LineUnitOffer> kNone;
    if (!m_bill->IsGoodsLine(size_t(row)))
        return kNone;
    const std::string& code = m_bill->m_lines[size_t(row)].code;
    if (const auto known = m_offers.find(code); known != m_offers.end())
        return known->second;
    CDataStore store;
    if (!store.ConnectMain())
        return kNone;
    return m_offers[code] = OfferedUnits(store, code);
}

QStringList CBillEntryDlg::UnitChoices(int row) const {
    // Goods with further units offer their own: the base unit first, then the larger ones.
    const auto& offer = OfferOf(row);
    if (!offer)
        return UnitNames();
    QStringList names;
    for (const GoodsUnit& u : offer->units)
        names << Q(u.Unit);
    return names;
}

std::optional<size_t> CBillEntryDlg::SelectedLine() const {
    const int row = m_grid->GetSelectedRow();
    if (row < 0)
        return std::nullopt;
    return size_t(row);
}

void CBillEntryDlg::OnAdd() {
    if (m_viewMode)
        return;
    auto goods = PickGoods();
    if (!goods)
        return;
    m_grid->CommitActiveEditor();
    m_bill->AppendGoods(*goods);
    const int row = int(m_bill->m_lines.size()) - 1;
    m_grid->InsertItem(row, Q(m_bill->Cell(size_t(row), 0)));
    ShowLine(row);
    RegisterRowRules(row);
    RecomputeTotals();
}

void CBillEntryDlg::OnChange() {
    if (m_viewMode)
        return;
    auto goods = PickGoods();
    if (!goods)
        return;
    m_grid->CommitActiveEditor();
    const auto selected = SelectedLine();
    if (!m_bill->ChangeSelectedLine(selected, *goods))
        return;
    ShowLine(int(*selected));
    RegisterRowRules(int(*selected));
    RecomputeTotals();
}

void CBillEntryDlg::OnRemove() {
    if (m_viewMode)
        return;
    m_grid->CommitActiveEditor();
    const auto selected = SelectedLine();
    if (m_bill->RemoveSelectedLine(selected))
        m_grid->DeleteItem(int(*selected));
    m_grid->setFocus();
    RecomputeTotals();
}

void CBillEntryDlg::OnGridDoubleClick(int row) {
    if (m_viewMode)
        return;
    auto goods = PickGoods();
    if (!goods)
        return;
    m_grid->CommitActiveEditor();
    // Below the last row the user asks for a new line, whichever line is still selected.
    const std::optional<size_t> selected = row < 0 ? std::nullopt : SelectedLine();
    int line;
    if (selected && m_bill->IsGoodsLine(*selected)) {
        line = int(*selected);
        m_bill->FillLine(*selected, *goods);
    } else {
        m_bill->AppendGoods(*goods);
        line = int(m_bill->m_lines.size()) - 1;
        m_grid->InsertItem(line, QString());
    }
    m_grid->SetItemText(line, 0, Q(m_bill->Cell(size_t(line), 0)));
    ShowLine(line);
    RegisterRowRules(line);
    RecomputeTotals();
}

void CBillEntryDlg::LoadBill(CBill bill) {
    m_grid->CommitActiveEditor();
    m_bill = std::make_unique<CBill>(std::move(bill));
    ShowLines();
    for (int row = 0; row < m_grid->GetItemCount(); ++row)
        RegisterRowRules(row);
    ShowHeader();
    RecomputeTotals();
}

void CBillEntryDlg::OnQuickEntry() {
    if (m_viewMode || !m_quickEntry)
        return;
    const QuickEntryResult found = m_finder.Find(S(m_quickEntry->text()));
    // A further unit's own barcode adds one of that unit.
    const std::optional<GoodsUnit>& unit = found.unit;
    std::optional<GoodsRecord> goods;
    switch (found.kind) {
    case QuickEntryResult::Kind::One:
        goods = found.goods;
        break;
    case QuickEntryResult::Kind::Several:
        goods = PickGoods(Q(found.key));
        break;
    case QuickEntryResult::Kind::NotFound:
        Messages().Inform(QuickEntryNotFoundText(found.key));
        break;
    case QuickEntryResult::Kind::Empty:
    case QuickEntryResult::Kind::Failed:
        break;
    }
    if (goods && !goods->Code.empty()) {
        m_grid->CommitActiveEditor();
        const int row = int(m_bill->ScanGoods(*goods, unit ? &*unit : nullptr));
        if (row >= m_grid->GetItemCount()) {
            m_grid->InsertItem(row, Q(m_bill->Cell(size_t(row), 0)));
            RegisterRowRules(row);
        }
        ShowLine(row);
        m_grid->SelectRow(row);
        m_grid->scrollTo(m_grid->model()->index(row, 0));
        RecomputeTotals();
        m_quickEntry->clear();
    } else {
        m_quickEntry->selectAll(); // the next scan replaces it
    }
    m_quickEntry->setFocus(); // ready for the next scan
}

void CBillEntryDlg::OnCellEdited(int row, int column, bool editBox) {
    const std::string text = S(m_grid->GetItemText(row, column));
    const auto& columns = GridColumns(m_bill->Kind());
    const bool unitCell =
        size_t(column) < columns.size() && columns[size_t(column)].edit == CellEdit::UnitList;
    if (editBox)
        m_bill->EditCell(size_t(row), size_t(column), text);
    else if (const auto* offer = unitCell ? &OfferOf(row) : nullptr; offer && *offer)
        m_bill->ChooseUnit(size_t(row), **offer, text); // its price and barcode too
    else
        m_bill->ChooseCell(size_t(row), size_t(column), text);
    ShowLine(row);
    RecomputeTotals(); // totals follow every committed cell
}

void CBillEntryDlg::PickField(QLineEdit* field, const QString& pickerKind) {
    if (m_viewMode)
        return;
    CPaletteListDlg picker(this);
    picker.SetKind(pickerKind);
    if (picker.exec() == QDialog::Accepted)
        field->setText(picker.m_chosenName);
}

// ---- posting and leaving

void CBillEntryDlg::OnSave() {
    if (m_viewMode) {
        QDialog::reject();
        return;
    }
    m_grid->CommitActiveEditor();
    ReadHeader();
    // A bill made from an order may deliver more than is open only when the user says so.
    // The answer holds for this save alone: a bill refused for another reason and changed
    // afterwards is asked again.
    m_bill->m_allowOverOrder = false;
    if (m_bill->OverOrder()) {
        if (!Messages().AskYesNo(kOverOrderQuestion))
            return;
        m_bill->m_allowOverOrder = true;
    }
    const PostOutcome outcome = m_bill->Save();
    // Save recomputed amounts and totals from the lines: show what was checked and posted.
    for (int row = 0; row < m_grid->GetItemCount(); ++row)
        ShowLine(row);
    if (outcome != PostOutcome::Posted) {
        RecomputeTotals(); // in base units, as the window counts them
        return;
    }
    ShowTotals();
    m_offers.clear(); // the next bill reads the goods' units afresh
    m_lastPosted.emplace(m_bill->Kind(), m_bill->m_number);
    CPostingNotice::Instance().Tell();
    // A number made in the same second as another bill's was moved to the next free one.
    if (m_number)
        m_number->setText(Q(m_bill->m_number));
    const BillKindInfo& info = KindInfo(m_bill->Kind());
    if (!info.successAsksToContinue) {
        Messages().Inform(info.successText);
        accept();
        return;
    }
    if (!Messages().AskYesNo(info.successText)) {
        AfterLastPosting(m_bill->m_number);
        return;
    }
    // The next bill keeps the header and gets a fresh number; its paid amount starts empty.
    m_bill->StartNextBill();
    ShowLines();
    if (m_number)
        m_number->setText(Q(m_bill->m_number));
    if (m_paid)
        m_paid->setText(Q(m_bill->m_paid));
    ShowTotals();
    UpdateButtons();
    AfterPosting();
}

void CBillEntryDlg::AfterLastPosting(const std::string&) {
    accept();
}

// ---- browsing and reversal

void CBillEntryDlg::CreateBrowseParts() {
    m_redo = NewButton(QStringLiteral("红冲"));
    m_prev = NewButton(QStringLiteral("上一张"));
    m_next = NewButton(QStringLiteral("下一张"));
    m_standing = new QLabel(this);
    m_standing->setObjectName("billStanding");
    m_standing->setStyleSheet("QLabel#billStanding { color: #c00000; font-weight: bold; }");
    connect(m_redo, &QPushButton::clicked, this, &CBillEntryDlg::OnReverse);
    connect(m_prev, &QPushButton::clicked, this, &CBillEntryDlg::OnPrevious);
    connect(m_next, &QPushButton::clicked, this, &CBillEntryDlg::OnNext);
    m_redo->setEnabled(false);
}

void CBillEntryDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    UpdateButtons(); // the kind and the place are settled once the opener has set them
    if (!m_viewMode)
        AllowSave(m_save, m_bill->Kind());
}

void CBillEntryDlg::UpdateButtons() {
    const auto printable = PrintableBill();
    m_printBill->setEnabled(printable && RoleMay(printable->first, Action::Print));
    if (!m_prev)
        return;
    const BrowseButtons buttons = BrowseButtonStates(m_bill->Kind(), m_shown, m_canEnter);
    m_prev->setEnabled(buttons.previous);
    m_next->setEnabled(buttons.next);
    m_redo->setEnabled(m_shown && m_reversible && RoleMay(m_bill->Kind(), Action::Reverse));
}

void CBillEntryDlg::ShowStored(BillKind kind, const std::string& number) {
    EnterViewMode(CBill::LoadStored(KindInfo(kind).historyWord, number));
    m_shown = number;
    const auto canceled = BillCanceledState(kind, number);
    m_reversible = canceled == kBillStanding;
    const char* mark = HistoryRowMark(canceled.value_or(""));
    if (m_standing)
        m_standing->setText(mark ? QString::fromUtf8(mark) : QString());
    ApplyModeTexts();
    UpdateButtons();
}

void CBillEntryDlg::Step(bool next) {
    const BillKind kind = m_bill->Kind();
    const BrowseTarget target = BrowseStep(
        kind, m_shown, next ? BrowseDirection::Next : BrowseDirection::Previous, m_canEnter);
    if (target.where == BrowseTarget::Where::Nowhere) {
        UpdateButtons();
        return;
    }
    if (!m_shown && !ConfirmLeaveEntry(*m_bill))
        return; // the bill being entered stays as it is
    if (target.where == BrowseTarget::Where::StoredBill) {
        ShowStored(kind, target.number);
        return;
    }
    m_shown.reset();
    m_reversible = false;
    if (m_standing)
        m_standing->clear();
    EnterEntryMode(kind);
    ApplyModeTexts();
    UpdateButtons();
}

void CBillEntryDlg::OnPrevious() {
    Step(false);
}

void CBillEntryDlg::OnNext() {
    Step(true);
}

void CBillEntryDlg::OnReverse() {
    if (!m_shown || !m_reversible)
        return;
    const std::string number = *m_shown;
    if (!Messages().AskYesNo(ReverseQuestionText(number)))
        return;
    const BillKind kind = m_bill->Kind();
    if (ReverseBill(kind, number)) {
        m_reversedAny = true;
        CPostingNotice::Instance().Tell();
        Messages().Inform(kReversedText);
    }
    // Reversed or refused (perhaps by another program in the meantime): show what is stored.
    ShowStored(kind, number);
}

std::optional<std::pair<BillKind, std::string>> CBillEntryDlg::PrintableBill() const {
    if (m_viewMode)
        return m_shown ? std::optional(std::pair(m_bill->Kind(), *m_shown)) : std::nullopt;
    return m_lastPosted;
}

void CBillEntryDlg::OnPrintBill() {
    const auto printable = PrintableBill();
    if (!printable)
        return;
    const auto& [kind, number] = *printable;
    const BillPrintResult printed = PrepareBillPrint(kind, number);
    if (printed.outcome != BillPrintResult::Outcome::Written)
        return;
    CPrintDlg dlg(this);
    dlg.SetDocumentName(QString::fromStdString(printed.title + " " + number));
    dlg.SetAddress(QString::fromStdString(printed.page.string()));
    RunModal(dlg);
}

void CBillEntryDlg::reject() {
    const char* question = KindInfo(m_bill->Kind()).cancelQuestion;
    if (!m_viewMode && question && !Messages().AskYesNo(question))
        return;
    QDialog::reject();
}

bool CBillEntryDlg::eventFilter(QObject* object, QEvent* event) {
    if (object == m_quickEntry && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnQuickEntry();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4) {
        for (const auto& [field, icon] : m_icons) {
            if (field == object) {
                icon->click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(object, event);
}

void CBillEntryDlg::keyPressEvent(QKeyEvent* e) {
    if (m_enterGoesToGrid && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        m_grid->CommitActiveEditor();
        m_grid->setFocus(Qt::OtherFocusReason);
        RecomputeTotals();
        return;
    }
    QDialog::keyPressEvent(e);
}
