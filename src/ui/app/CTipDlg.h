#pragma once
#include "net/NoticeFetch.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPropertyAnimation;
class QToolButton;

// The notice window: a small caption-less pop-up that slides in at the bottom-right of the
// screen when a notice has arrived, and stays invisible otherwise. Clicking the title or the
// text opens the notice's address; the close picture hides it. It lives as long as its parent.
class CTipDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 303;
    static constexpr int kHeight = 187;
    static constexpr int kSlideMs = 800;

    explicit CTipDlg(QWidget* parent = nullptr);
    ~CTipDlg() override;

    // Fetches the notice on a worker thread of its own. The worker never touches the window;
    // it hands the texts over to the GUI thread. Nothing waits for it: a hanging fetch neither
    // blocks the program nor keeps it from ending.
    void StartFetch(const std::string& host, const std::filesystem::path& programFolder,
                    const CHttpDownload::Timeouts& timeouts = {});
    // Fills in the texts, places the window at the bottom-right of the work area and slides it
    // in.
    void ShowNotice(const NoticeTexts& notice);

    QString Title() const;
    QString Text() const;
    QString Url() const { return m_url; }
    QLabel* TitleLabel() const { return m_title; }
    QPlainTextEdit* TextBox() const { return m_text; }
    QToolButton* CloseButton() const { return m_close; }
    QPropertyAnimation* SlideAnimation() const { return m_slide; }
    // Where the window comes to rest on its screen.
    QPoint RestingPosition() const;

    // Fetches started and not yet ended, in the whole program (tests).
    static int RunningFetches();

signals:
    // A fetch has ended, with or without a notice.
    void FetchEnded(bool gotNotice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Channel;
    void OpenNotice();

    std::shared_ptr<Channel> m_channel;
    QLabel* m_title = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QToolButton* m_close = nullptr;
    QPropertyAnimation* m_slide = nullptr;
    QString m_url;
};

// Opens the notice window beside the main window after login and starts the fetch from the
// notice host ($FERIX_NOTICE_HOST or the built-in one) for the current program folder.
CTipDlg* StartNoticeFetch(QWidget* mainWindow);
