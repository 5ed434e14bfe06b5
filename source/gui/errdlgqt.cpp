#include "source/gui/errdlgqt.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

namespace {
QPixmap IconPixmap(int icon, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(QString(":/icons/icon%1.svg").arg(icon));
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}
} // namespace

clErrDlg::clErrDlg(QWidget* parent, ERR_TYPE type, unsigned char option, const std::string& text, const char* caption)
    : QDialog(parent), m_sText(text)
{
    setModal(true);
    setObjectName("clErrDlg");
    const QFontMetrics metrics(font());
    QScreen* screen =
        parent != nullptr && parent->screen() != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

    clErrDlgMetrics m;
    m.screenW = available.width();
    m.screenH = available.height();
    // The window manager draws frame and caption; the layout places the client.
    m.frameW = m.frameH = 0;
    m.captionH = 0;
    m.iconW = m.iconH = 32;
    m.lineH = metrics.lineSpacing();
    m.textWidth = [&metrics](const std::string& s) { return metrics.horizontalAdvance(QString::fromStdString(s)); };
    clRect parentRect;
    const bool overParent = parent != nullptr && parent->isVisible() && !parent->isMinimized();
    if (overParent) {
        const QRect g = parent->frameGeometry();
        parentRect = {g.x(), g.y(), g.width(), g.height()};
    }
    const clErrDlgLayout layout(type, option, text, m, overParent ? &parentRect : nullptr);

    std::string title;
    if (caption != nullptr)
        title = caption;
    else if (layout.HasCaption())
        title = layout.GetCaption();
    setWindowTitle(QString::fromStdString(title));

    if (layout.GetIcon() != 0) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QString("icon%1").arg(layout.GetIcon()));
        icon->setPixmap(IconPixmap(layout.GetIcon(), 32));
        const clRect& r = layout.GetIconRect();
        icon->setGeometry(r.x, r.y, r.w, r.h);
    }
    QStringList lines;
    for (const std::string& line : layout.GetLines())
        lines << QString::fromStdString(line);
    auto* label = new QLabel(lines.join('\n'), this);
    label->setObjectName("text");
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const clRect& t = layout.GetTextRect();
    label->setGeometry(t.x, t.y, t.w, t.h);

    m_Buttons = layout.GetButtons();
    for (std::size_t i = 0; i < m_Buttons.size(); ++i) {
        const clErrButton& b = m_Buttons[i];
        auto* button = new QPushButton(QIcon(QString(":/icons/glyph%1.svg").arg(b.glyph)), b.label, this);
        button->setObjectName(QString("button%1").arg(b.id));
        const clRect& r = layout.GetButtonRects()[i];
        button->setGeometry(r.x, r.y, r.w, r.h);
        button->setAutoDefault(i == 0);
        button->setDefault(i == 0);
        connect(button, &QPushButton::clicked, this, [this, id = b.id] { done(id); });
    }
    const clRect& d = layout.GetDialogRect();
    setFixedSize(d.w, d.h);
    move(overParent ? d.x : available.x() + d.x, overParent ? d.y : available.y() + d.y);
}

std::vector<int> clErrDlg::ButtonIds() const
{
    std::vector<int> ids;
    for (const clErrButton& b : m_Buttons)
        ids.push_back(b.id);
    return ids;
}

// Closing the box by its frame answers "Cancel" when that is offered, else
// "No", else the only sensible first button.
void clErrDlg::reject()
{
    int answer = m_Buttons.empty() ? erIdOk : m_Buttons.front().id;
    for (const int wanted : {erIdCancel, erIdNo})
        for (const clErrButton& b : m_Buttons)
            if (b.id == wanted) {
                done(wanted);
                return;
            }
    done(answer);
}
