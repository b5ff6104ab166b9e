#pragma once
#include <QMainWindow>

#include <array>

class CHomePage;
class CMainPanel;
class QLabel;
class QToolButton;

// The main window: module buttons on the left, the selected module panel on the right, the
// menu, and the status bar. Shown only after a successful login.
class Cferix_razazDlg : public QMainWindow {
    Q_OBJECT
public:
    explicit Cferix_razazDlg(QWidget* parent = nullptr);

    // Runs the login window; on OK builds the panels, shows itself maximised and starts the
    // notice. False when the login was cancelled (the program ends).
    bool Start();
    // What happens after a successful login (separate so tests can skip the login window).
    void BuildAfterLogin();

    // Shows panel 1..7, or 0 the home page (首页), and hides the others; other numbers change
    // nothing.
    void SelectPanel(int number);
    CMainPanel* Panel(int number) const;
    CHomePage* HomePage() const { return m_home; }
    // 0 is the home page's button.
    QToolButton* ModuleButton(int number) const;
    QLabel* StatusReady() const { return m_statusReady; }
    QLabel* StatusColumns() const { return m_statusColumns; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildMenu();
    void BuildStatusBar();

    std::array<CMainPanel*, 7> m_panels{};
    std::array<QToolButton*, 7> m_moduleButtons{};
    CHomePage* m_home = nullptr;
    QToolButton* m_homeButton = nullptr;
    QWidget* m_placeholder = nullptr;
    QLabel* m_statusReady = nullptr;
    QLabel* m_statusColumns = nullptr;
    bool m_built = false;
};
