// The help window: the program's manual (docs/manual, compiled in), opened
// at a topic.
#pragma once

#include <QDialog>

class QLineEdit;
class QTextBrowser;

class THelpWnd : public QDialog {
    Q_OBJECT
public:
    explicit THelpWnd(QWidget* parent);
    // topic: an anchor of the manual ("data", "contents", "index", "help").
    void ShowTopic(const QString& topic);
    // Focuses the search field (the "Keyword Search").
    void StartSearch();
    QTextBrowser* Browser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
    QLineEdit* m_pFind;
};
