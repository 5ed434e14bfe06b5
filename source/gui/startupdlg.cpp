#include "source/gui/startupdlg.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSvgWidget>
#include <QVBoxLayout>

#include "qkversion.h"

QString QkVersionLine()
{
    return QString::asprintf("Version %s", QK_VERSION_TEXT);
}

TStartupDlg::TStartupDlg() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("clStartupDlg");
    auto* frame = new QFrame(this);
    frame->setObjectName("startupFrame");
    frame->setStyleSheet("#startupFrame { background: #f7f9fc; border: 1px solid #7f8fa6; }");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(28, 20, 28, 18);
    layout->setSpacing(6);
    auto* picture = new QSvgWidget(":/icons/product.svg", frame);
    picture->setFixedSize(160, 110);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    auto* name = new QLabel("QK-JTAG", frame);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    name->setFont(big);
    name->setStyleSheet("color: #1b3a66;");
    layout->addWidget(name, 0, Qt::AlignHCenter);
    auto* version = new QLabel(QkVersionLine(), frame);
    version->setObjectName("version");
    layout->addWidget(version, 0, Qt::AlignHCenter);
    m_pText = new QLabel("Loading, please wait", frame);
    m_pText->setObjectName("text");
    m_pText->setMinimumWidth(260);
    m_pText->setAlignment(Qt::AlignHCenter);
    m_pText->setStyleSheet("color: #4a5a70;");
    layout->addSpacing(6);
    layout->addWidget(m_pText);

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TStartupDlg::SetText(const std::string& text)
{
    m_pText->setText(QString::fromStdString(text));
    QCoreApplication::processEvents();
}

QString TStartupDlg::GetText() const
{
    return m_pText->text();
}
