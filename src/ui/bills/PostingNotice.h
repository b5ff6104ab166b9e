#pragma once
#include <QObject>

// Told by the windows that post or reverse bills, so pages that sum the bills (the home page)
// read them again; the windows are modal, the page under them stays open.
class CPostingNotice : public QObject {
    Q_OBJECT
public:
    static CPostingNotice& Instance();
    void Tell() { emit Posted(); }

signals:
    void Posted();
};
