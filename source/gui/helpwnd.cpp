#include "source/gui/helpwnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpWnd::THelpWnd(QWidget* parent) : QDialog(parent)
{
    setObjectName("HelpWnd");
    setWindowTitle("QK-JTAG Help");
    resize(720, 560);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* contents = new QPushButton("&Contents", this);
    auto* back = new QPushButton("&Back", this);
    // Enter belongs to the find field: no button of the bar is a default.
    contents->setAutoDefault(false);
    back->setAutoDefault(false);
    auto* label = new QLabel("&Find:", this);
    m_pFind = new QLineEdit(this);
    m_pFind->setObjectName("find");
    label->setBuddy(m_pFind);
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addSpacing(12);
    bar->addWidget(label);
    bar->addWidget(m_pFind, 1);
    layout->addLayout(bar);
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setObjectName("browser");
    m_pBrowser->setOpenExternalLinks(false);
    layout->addWidget(m_pBrowser);
    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic("contents"); });
    connect(back, &QPushButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(m_pFind, &QLineEdit::returnPressed, this, [this] {
        if (!m_pBrowser->find(m_pFind->text())) {
            m_pBrowser->moveCursor(QTextCursor::Start);
            m_pBrowser->find(m_pFind->text());
        }
    });
}

void THelpWnd::ShowTopic(const QString& topic)
{
    m_pBrowser->setSource(QUrl("qrc:/manual/index.html#" + topic));
    show();
    raise();
    activateWindow();
}

void THelpWnd::StartSearch()
{
    ShowTopic("index");
    m_pFind->setFocus();
}
