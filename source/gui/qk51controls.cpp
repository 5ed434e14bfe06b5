// The main window's controls: the buttons, texts, tabs and menus it is
// built from.
#include "source/gui/qk51frame.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QSvgWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr QSize kButtonSize(128, 30);

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet("color: #4a5a70;");
    return label;
}
} // namespace

QToolButton* TQk51FrameWindow::AddButton(int id, const char* text, const char* icon)
{
    auto* button = new QToolButton(centralWidget());
    button->setObjectName(QString("id%1").arg(id));
    button->setText(text);
    button->setIcon(QIcon(QString(":/icons/%1.svg").arg(icon)));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFixedSize(kButtonSize);
    button->setFocusPolicy(Qt::StrongFocus);
    m_Buttons[id] = button;
    connect(button, &QToolButton::clicked, this, [this, id] { Command(id); });
    return button;
}

void TQk51FrameWindow::BuildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    // Item 133 with its check mark: the programmer's start and stop buttons.
    auto* programmer = menuBar()->addMenu("&Programmer");
    m_pIgnoreAction = programmer->addAction("Ignore Start Stop");
    m_pIgnoreAction->setObjectName(QString("menu%1").arg(idMenuIgnoreStartStop));
    m_pIgnoreAction->setCheckable(true);
    m_pIgnoreAction->setChecked(true);
    connect(m_pIgnoreAction, &QAction::triggered, this, [this] { Command(idMenuIgnore); });

    auto* help = menuBar()->addMenu("&Help");
    const std::pair<int, const char*> items[] = {
        {idHelpContents, "Help &Contents"}, {idKeywordSearch, "&Keyword Search"}, {idUsingHelp, "&Using Help"}};
    for (const auto& [id, text] : items) {
        QAction* action = help->addAction(text);
        action->setObjectName(QString("menu%1").arg(id));
        connect(action, &QAction::triggered, this, [this, id = id] { Command(id); });
    }
    help->addSeparator();
    m_pTipAction = help->addAction("&Tip of the day");
    m_pTipAction->setObjectName(QString("menu%1").arg(idTipOfDay));
    connect(m_pTipAction, &QAction::triggered, this, [this] { Command(1000 + idTipOfDay); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { Command(9); });
    // The dialog's cancel: like the close box (during an operation: abort).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { Command(idCancel); });

    auto* outer = new QHBoxLayout(central);
    outer->setContentsMargins(12, 10, 12, 10);
    outer->setSpacing(12);
    auto* left = new QVBoxLayout;
    left->setSpacing(8);
    outer->addLayout(left, 1);

    // Header: the product, the device and the project.
    auto* header = new QHBoxLayout;
    auto* logo = new QSvgWidget(":/icons/product.svg", central);
    logo->setFixedSize(80, 55);
    header->addWidget(logo, 0, Qt::AlignTop);
    auto* info = new QGridLayout;
    info->setHorizontalSpacing(8);
    info->setVerticalSpacing(3);
    const std::pair<int, const char*> texts[] = {
        {idDevice, "Device:"}, {idProject, "Project:"}, {idDescription, "Description:"}, {idFile, "Hex/Bin file:"}};
    int row = 0;
    for (const auto& [id, caption] : texts) {
        info->addWidget(Caption(caption, central), row, 0, Qt::AlignLeft);
        auto* value = new QLabel(central);
        value->setObjectName(QString("id%1").arg(id));
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(360);
        value->setMaximumWidth(360);
        m_Texts[id] = value;
        info->addWidget(value, row++, 1);
    }
    m_Texts[idDevice]->setText("chip name (vendor)");
    QFont deviceFont = m_Texts[idDevice]->font();
    deviceFont.setBold(true);
    m_Texts[idDevice]->setFont(deviceFont);
    info->setColumnStretch(1, 1);
    header->addLayout(info, 1);
    auto* link = new QVBoxLayout;
    m_pIndicator = new QToolButton(central);
    m_pIndicator->setObjectName("id153");
    m_pIndicator->setIconSize(QSize(40, 40));
    m_pIndicator->setAutoRaise(true);
    m_pIndicator->setFocusPolicy(Qt::NoFocus);
    m_pPort = new QLabel(central);
    m_pPort->setObjectName("port");
    m_pPort->setAlignment(Qt::AlignHCenter);
    m_pPort->setStyleSheet("color: #4a5a70;");
    m_pPort->setFixedWidth(150);
    // Robot mode hides the indicator; the header keeps its place.
    for (QWidget* widget : {static_cast<QWidget*>(m_pIndicator), static_cast<QWidget*>(m_pPort)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    link->addWidget(m_pIndicator, 0, Qt::AlignHCenter);
    link->addWidget(m_pPort);
    header->addLayout(link);
    left->addLayout(header);

    m_pTabs = new QTabWidget(central);
    m_pTabs->setObjectName("id145");
    m_pTabs->setMinimumSize(560, 250); // the data view: range, statistics, serial numbers
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_bBuildingTabs)
            m_Main.OnTabChanged(index);
    });
    left->addWidget(m_pTabs, 1);

    auto* sums = new QGridLayout;
    sums->setHorizontalSpacing(8);
    const std::pair<int, int> pairs[] = {{idSizeLabel, idSizeValue}, {idChkSumLabel, idChkSumValue}};
    int column = 0;
    for (const auto& [labelId, valueId] : pairs) {
        auto* label = new QLabel(central);
        label->setObjectName(QString("id%1").arg(labelId));
        label->setStyleSheet("color: #4a5a70;");
        auto* value = new QLabel(central);
        value->setObjectName(QString("id%1").arg(valueId));
        value->setMinimumWidth(110);
        m_Texts[labelId] = label;
        m_Texts[valueId] = value;
        sums->addWidget(label, 0, column++);
        sums->addWidget(value, 0, column++);
    }
    sums->setColumnStretch(column, 1);
    m_Texts[idSizeLabel]->setText("Encryption size:");
    m_Texts[idSizeValue]->setText("40000h (256k)");
    m_Texts[idChkSumLabel]->setText("Encryption Chksum:");
    m_Texts[idChkSumValue]->setText("55DBh");
    left->addLayout(sums);

    auto* statusRow = new QHBoxLayout;
    m_pStatus = new QLabel("Status", central);
    m_pStatus->setObjectName("id151");
    QFont bold = m_pStatus->font();
    bold.setWeight(QFont::Bold);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_pStatus->setFont(bold);
    m_pStatus->setMinimumWidth(220);
    m_pStatus->setMaximumWidth(220);
    m_Texts[idStatus] = m_pStatus;
    m_pGauge = new TQkGauge(central);
    m_pGauge->SetLed(5, 80);
    m_pGauge->SetColor(QColor(0x00, 0x00, 0x8B));
    m_pGauge->getStatus = [this] { return GetStatus(); };
    m_pGauge->setStatus = [this](const std::string& text) { SetStatus(text, kColourBlack); };
    m_pGauge->setTitle = [this](const std::string& title) {
        // User message 101: the frame shows the progress in its title.
        setWindowTitle(QString::fromStdString(title));
    };
    statusRow->addWidget(m_pStatus);
    statusRow->addWidget(m_pGauge, 1);
    left->addLayout(statusRow);
    // Why no programmer answers: two lines kept free for it.
    m_pLinkProblem = new QLabel(central);
    m_pLinkProblem->setObjectName("linkProblem");
    m_pLinkProblem->setTextFormat(Qt::PlainText);
    m_pLinkProblem->setWordWrap(true);
    m_pLinkProblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pLinkProblem->setStyleSheet("color: #a02020;");
    m_pLinkProblem->setFixedHeight(2 * QFontMetrics(m_pLinkProblem->font()).lineSpacing() + 2);
    m_pLinkProblem->setMinimumWidth(200);
    left->addWidget(m_pLinkProblem);

    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    outer->addLayout(right);
    AddButton(idSettings, "Se&ttings", "btn_settings");
    AddButton(idMemory, "&Memory", "btn_memory");
    AddButton(idOpen, "&Open", "btn_open");
    AddButton(idSave, "&Save", "btn_save");
    for (int id : {idSettings, idMemory, idOpen, idSave})
        right->addWidget(m_Buttons[id]);
    right->addSpacing(14);
    AddButton(idProgram, "&Program", "btn_program");
    AddButton(idRead, "&Read", "btn_read");
    AddButton(idChkSum, "Chec&ksum", "btn_checksum");
    AddButton(idRobot, "&Robot", "btn_robot");
    AddButton(idVerify, "&Verify", "btn_verify");
    AddButton(idBlnkChk, "&Blank Check", "btn_blank");
    AddButton(idFlash, "&Flash", "btn_flash");
    AddButton(idErase, "&Erase", "btn_erase");
    for (int id : {idProgram, idRead, idChkSum, idRobot, idVerify, idBlnkChk, idFlash, idErase})
        right->addWidget(m_Buttons[id]);
    right->addStretch();
    // Program hides itself while it runs; its slot stays so that the abort
    // button covers the empty slot, not the next button.
    QSizePolicy keepSlot = m_Buttons[idProgram]->sizePolicy();
    keepSlot.setRetainSizeWhenHidden(true);
    m_Buttons[idProgram]->setSizePolicy(keepSlot);
    m_Buttons[idRobot]->hide();
    m_Buttons[idFlash]->hide();

    // The abort button lies over the running operation's button.
    m_pAbort = new QToolButton(central);
    m_pAbort->setObjectName("id134");
    m_pAbort->setText("&Cancel");
    m_pAbort->setIcon(QIcon(":/icons/btn_cancel.svg"));
    m_pAbort->setIconSize(QSize(18, 18));
    m_pAbort->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pAbort->setFixedSize(kButtonSize);
    // Opaque and never flat, so the covered button's text does not show through.
    m_pAbort->setAutoFillBackground(true);
    m_pAbort->hide();
    m_Buttons[idCancel] = m_pAbort;
    connect(m_pAbort, &QToolButton::clicked, this, [this] { close(); });

    // Not resizable: the frame keeps the size its controls ask for.
    central->adjustSize();
    adjustSize();
    setFixedSize(sizeHint());
}

QAbstractButton* TQk51FrameWindow::Button(int id) const
{
    const auto found = m_Buttons.find(id);
    return found != m_Buttons.end() ? found->second : nullptr;
}

QLabel* TQk51FrameWindow::Text(int id) const
{
    const auto found = m_Texts.find(id);
    return found != m_Texts.end() ? found->second : nullptr;
}

QString TQk51FrameWindow::GetPortText() const
{
    return m_sPortText;
}
