#include "source/gui/tipdlg.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSvgWidget>
#include <QVBoxLayout>
#include <algorithm>

TTipDlg::TTipDlg(QWidget* parent, int tipMode, unsigned long seed) : QDialog(parent), m_Tips(tipMode, seed)
{
    setObjectName("TipDlg");
    setWindowTitle("Tip of the Day");
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* picture = new QSvgWidget(":/icons/tipbulb.svg", this);
    picture->setObjectName("id102");
    picture->setFixedSize(48, 48);
    row->addWidget(picture, 0, Qt::AlignTop);
    m_pText = new QLabel(this);
    m_pText->setObjectName("id101");
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setWordWrap(true);
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pText->setMinimumSize(360, 96);
    m_pText->setFrameShape(QFrame::StyledPanel);
    m_pText->setMargin(10);
    m_pText->setStyleSheet("QLabel { background: #fffdf3; }");
    row->addWidget(m_pText, 1);
    layout->addLayout(row);

    auto* buttons = new QHBoxLayout;
    m_pShow = new QCheckBox("Show Tips on StartUp.", this);
    m_pShow->setObjectName("id104");
    m_pShow->setChecked(m_Tips.IsShowChecked());
    buttons->addWidget(m_pShow);
    buttons->addStretch();
    auto* next = new QPushButton("Next Tip", this);
    next->setObjectName("id105");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("close");
    close->setDefault(true);
    buttons->addWidget(next);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, [this] {
        m_Tips.Next();
        ShowTip();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    ShowTip();

    adjustSize();
    // Centred on the main window, kept on the screen.
    const QRect over = parent != nullptr && parent->isVisible() ? parent->frameGeometry()
                       : QGuiApplication::primaryScreen() != nullptr
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(0, 0, 1024, 768);
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(over.center());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect bounds = screen->availableGeometry();
        placed.moveLeft(std::clamp(placed.left(), bounds.left(), std::max(bounds.left(), bounds.right() - width())));
        placed.moveTop(std::clamp(placed.top(), bounds.top(), std::max(bounds.top(), bounds.bottom() - height())));
    }
    move(placed.topLeft());
}

void TTipDlg::ShowTip()
{
    // The stored tip starts with a tab; the box indents the paragraph instead.
    QString text = QString::fromStdString(m_Tips.GetText());
    if (text.startsWith('\t'))
        text = "    " + text.mid(1);
    m_pText->setText(text);
}

int TTipDlg::GetTipMode() const
{
    return clQkTipOfDay::ModeOnClose(m_pShow->isChecked());
}
