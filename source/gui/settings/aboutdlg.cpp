#include "source/gui/settings/aboutdlg.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include "source/gui/settings/setids.h"

QPixmap QkProductPicture(int width)
{
    const int height = width * 3 / 4;
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = width / 100.0;
    // The case.
    QLinearGradient body(0, 0, 0, height);
    body.setColorAt(0, QColor(40, 70, 140));
    body.setColorAt(1, QColor(15, 30, 80));
    p.setPen(QPen(QColor(10, 20, 50), u));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(4 * u, 14 * u, 92 * u, 58 * u), 6 * u, 6 * u);
    // The socket with its lever.
    p.setBrush(QColor(235, 235, 225));
    p.setPen(QPen(QColor(90, 90, 80), 0.6 * u));
    const QRectF socket(14 * u, 22 * u, 44 * u, 24 * u);
    p.drawRect(socket);
    p.setBrush(QColor(60, 60, 60));
    for (int i = 0; i < 10; ++i)
        for (const qreal y : {25.0, 40.0})
            p.drawRect(QRectF((16.5 + i * 4) * u, y * u, 2 * u, 3 * u));
    p.setPen(QPen(QColor(200, 200, 190), 2 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12 * u, 44 * u), QPointF(6 * u, 30 * u));
    // The start button and the lamps.
    p.setPen(QPen(QColor(10, 20, 50), 0.6 * u));
    p.setBrush(QColor(40, 170, 60));
    p.drawEllipse(QPointF(80 * u, 34 * u), 7 * u, 7 * u);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(68 * u, 26 * u), 2 * u, 2 * u);
    p.setBrush(QColor(220, 50, 40));
    p.drawEllipse(QPointF(68 * u, 33 * u), 2 * u, 2 * u);
    // The name.
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(11 * u));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(4 * u, 50 * u, 92 * u, 18 * u), Qt::AlignCenter, "QK-JTAG");
    // The cable to the computer.
    p.setPen(QPen(QColor(60, 60, 60), 2.5 * u, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable(QPointF(88 * u, 14 * u));
    cable.cubicTo(QPointF(88 * u, 4 * u), QPointF(96 * u, 6 * u), QPointF(99 * u, 2 * u));
    p.drawPath(cable);
    return picture;
}

clAboutDlg::clAboutDlg(const std::vector<std::string>& lines, QWidget* parent) : QWidget(parent)
{
    setObjectName("clAboutDlg");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("About QK-JTAG", this);
    title->setObjectName("aboutTitle");
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    auto* top = new QHBoxLayout;
    auto* picture = new QToolButton(this);
    picture->setObjectName(QkSetId(idSetAboutPicture));
    picture->setAutoRaise(true);
    picture->setIcon(QkProductPicture(160));
    picture->setIconSize(QSize(160, 120));
    picture->setFocusPolicy(Qt::NoFocus);
    top->addWidget(picture);
    top->addWidget(title, 1);
    layout->addLayout(top);

    m_pList = new QListWidget(this);
    m_pList->setObjectName(QkSetId(idSetAboutList));
    m_pList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pList->setSelectionMode(QAbstractItemView::NoSelection);
    for (const std::string& line : lines)
        m_pList->addItem(QString::fromStdString(line));
    layout->addWidget(m_pList, 1);
}
