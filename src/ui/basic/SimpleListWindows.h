#pragma once
#include "CSimpleListDlg.h"
#include "CSimpleList_AddDlg.h"

// The seven simple list windows and their add windows: one mechanism, told apart by kind.

class CChild_Jichu_Area_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Area_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Area, parent) {}
};
class CChild_Jichu_AreaDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_AreaDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Area, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Area_AddDlg(this); }
};

class CChild_Jichu_Bank_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Bank_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Bank, parent) {}
};
class CChild_Jichu_BankDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_BankDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Bank, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Bank_AddDlg(this); }
};

class CChild_Jichu_Bumen_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Bumen_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Bumen, parent) {}
};
class CChild_Jichu_BumenDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_BumenDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Bumen, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Bumen_AddDlg(this); }
};

class CChild_Jichu_Unit_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Unit_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Unit, parent) {}
};
class CChild_Jichu_UnitDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_UnitDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Unit, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Unit_AddDlg(this); }
};

class CChild_Jichu_Warehouse_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Warehouse_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Warehouse, parent) {}
};
class CChild_Jichu_WarehouseDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_WarehouseDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Warehouse, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Warehouse_AddDlg(this); }
};

class CChild_Jichu_Shouru_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Shouru_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Shouru, parent) {}
};
class CChild_Jichu_ShouruDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_ShouruDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Shouru, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Shouru_AddDlg(this); }
};

class CChild_Jichu_Zhichu_AddDlg : public CSimpleList_AddDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_Zhichu_AddDlg(QWidget* parent = nullptr)
        : CSimpleList_AddDlg(SimpleListKind::Zhichu, parent) {}
};
class CChild_Jichu_ZhichuDlg : public CSimpleListDlg {
    Q_OBJECT
public:
    explicit CChild_Jichu_ZhichuDlg(QWidget* parent = nullptr)
        : CSimpleListDlg(SimpleListKind::Zhichu, parent) {}

protected:
    CSimpleList_AddDlg* NewAddDlg() override { return new CChild_Jichu_Zhichu_AddDlg(this); }
};
