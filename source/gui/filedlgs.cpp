#include "source/gui/filedlgs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "source/base/strtable.h"
#include "source/files/hexdefs.h"
#include "source/project/qkprj.h"

QString QkQtFilter(const char* filter)
{
    const QString text = filter;
    return text.section('|', 0, 0);
}

namespace {
// A file dialog that lives inside our dialog.
QFileDialog* EmbeddedFileDialog(QWidget* parent, const std::vector<clSaveEntry>& types, const std::string& folder)
{
    auto* files = new QFileDialog(parent, Qt::Widget);
    files->setObjectName("files");
    files->setOption(QFileDialog::DontUseNativeDialog, true);
    files->setSizeGripEnabled(false);
    QStringList filters;
    for (const clSaveEntry& type : types)
        filters << QkQtFilter(type.filter);
    files->setNameFilters(filters);
    if (!folder.empty())
        files->setDirectory(QString::fromStdString(folder));
    // The places beside the list keep their names readable.
    if (auto* splitter = files->findChild<QSplitter*>("splitter"))
        splitter->setSizes({150, 700});
    // The name takes the room; size, type and date show whole.
    if (auto* tree = files->findChild<QTreeView*>("treeView")) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < 4; ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    return files;
}

// A dialog is a window and starts hidden: made a plain child and shown once
// it sits in its layout.
void ShowEmbedded(QFileDialog* files)
{
    files->setWindowFlags(Qt::Widget);
    files->setVisible(true);
}

// Presses the file dialog's own accept button.
void PressAccept(QFileDialog* files)
{
    if (auto* box = files->findChild<QDialogButtonBox*>()) {
        for (QDialogButtonBox::StandardButton which : {QDialogButtonBox::Open, QDialogButtonBox::Save})
            if (QPushButton* button = box->button(which); button != nullptr && button->isEnabled()) {
                button->click();
                return;
            }
    }
    QMetaObject::invokeMethod(files, "accept");
}

// Selects a file as a user would type it. QFileDialog::selectFile leaves the
// name field alone while it has the focus (so as not to overwrite typing),
// which it has as soon as the dialog is active: the name goes in directly.
// The dialog's button follows edits of the name, and the file list fills in
// the background: once it has, the name is typed again so that the button
// knows the file exists.
void SelectFile(QFileDialog* files, const QString& path)
{
    if (path.isEmpty())
        return;
    files->selectFile(path);
    auto* name = files->findChild<QLineEdit*>("fileNameEdit");
    if (name == nullptr)
        return;
    const QFileInfo info(path);
    const QString wanted = info.isAbsolute() ? info.fileName() : path;
    if (name->text() != wanted)
        name->setText(wanted);
    QTimer::singleShot(100, name, [name] {
        const QString text = name->text();
        name->clear();
        name->setText(text);
    });
}

int PositionOf(const QFileDialog* files)
{
    return static_cast<int>(files->nameFilters().indexOf(files->selectedNameFilter()));
}

QString SuffixOf(const char* filter)
{
    // "*.qkp" of "Name (*.qkp)|*.qkp|"; the first pattern when there are several.
    QString pattern = QString(filter).section('|', 1, 1).section(';', 0, 0);
    return pattern.startsWith("*.") ? pattern.mid(2) : QString();
}
} // namespace

Tmp51OpenDlg::Tmp51OpenDlg(QWidget* parent, const clLoadDialogSetup& setup) : QDialog(parent), m_Setup(setup)
{
    setObjectName("LoadDialog");
    setWindowTitle("Load File");
    auto* layout = new QVBoxLayout(this);
    m_pFiles = EmbeddedFileDialog(this, setup.types, setup.folder);
    m_pFiles->setFileMode(QFileDialog::ExistingFile);
    m_pFiles->setAcceptMode(QFileDialog::AcceptOpen);
    layout->addWidget(m_pFiles, 1);
    ShowEmbedded(m_pFiles);

    auto* extra = new QGridLayout;
    m_pDescLabel = new QLabel("Project Description:", this);
    m_pDescLabel->setObjectName("descLabel");
    m_pDesc = new QPlainTextEdit(this);
    m_pDesc->setObjectName("description");
    m_pDesc->setReadOnly(true);
    m_pDesc->setFixedHeight(54);
    m_pInit = new QGroupBox("Initialize Buffer", this);
    m_pInit->setObjectName("initBuffer");
    auto* initLayout = new QVBoxLayout(m_pInit);
    m_pInitChoice = new QButtonGroup(this);
    const char* labels[] = {"&unchanged", "&with 0xFF", "w&ith 0x00"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(labels[i], m_pInit);
        radio->setObjectName(QString("init%1").arg(i));
        initLayout->addWidget(radio);
        m_pInitChoice->addButton(radio, i);
    }
    m_pInitChoice->button(initUnchanged)->setChecked(true);
    m_pNote = new QLabel(QkLoadString(371), this);
    m_pNote->setObjectName("id371");
    m_pNote->setWordWrap(true);
    m_pNote->setStyleSheet("color: #8e2a20;");
    extra->addWidget(m_pDescLabel, 0, 0);
    extra->addWidget(m_pDesc, 1, 0);
    extra->addWidget(m_pNote, 2, 0);
    extra->addWidget(m_pInit, 0, 1, 3, 1);
    extra->setColumnStretch(0, 1);
    layout->addLayout(extra);

    connect(m_pFiles, &QFileDialog::filterSelected, this, [this] { TypeChanged(); });
    connect(m_pFiles, &QFileDialog::currentChanged, this, &Tmp51OpenDlg::FileChanged);
    connect(m_pFiles, &QFileDialog::accepted, this, &Tmp51OpenDlg::Accepted);
    connect(m_pFiles, &QFileDialog::rejected, this, &QDialog::reject);
    resize(880, 600);
    TypeChanged();
}

int Tmp51OpenDlg::CurrentType() const
{
    const int position = PositionOf(m_pFiles);
    return position >= 0 && position < static_cast<int>(m_Setup.types.size()) ? m_Setup.types[position].fileType
                                                                              : ftProject;
}

void Tmp51OpenDlg::TypeChanged()
{
    const bool project = CurrentType() == ftProject;
    m_pDescLabel->setText(project ? "Project Description:" : "Description:");
    m_pInit->setEnabled(!project);
    // The note belongs to the data files, and only when the range clips them.
    m_pNote->setVisible(!project && m_Setup.clipping);
    const QStringList selected = m_pFiles->selectedFiles();
    FileChanged(selected.isEmpty() ? QString() : selected.front());
}

void Tmp51OpenDlg::FileChanged(const QString& path)
{
    const bool project = CurrentType() == ftProject;
    m_pDesc->setPlainText(project && !path.isEmpty() && QFileInfo(path).isFile()
                              ? QString::fromStdString(QkReadProjectDescription(path.toStdString()))
                              : QString());
}

void Tmp51OpenDlg::Select(int position, const QString& path)
{
    if (position >= 0 && position < static_cast<int>(m_Setup.types.size())) {
        m_pFiles->selectNameFilter(QkQtFilter(m_Setup.types[position].filter));
        TypeChanged();
    }
    SelectFile(m_pFiles, path);
    FileChanged(path);
}

QString Tmp51OpenDlg::DescriptionLabel() const
{
    return m_pDescLabel->text();
}

QString Tmp51OpenDlg::DescriptionText() const
{
    return m_pDesc->toPlainText();
}

bool Tmp51OpenDlg::IsNoteVisible() const
{
    return !m_pNote->isHidden();
}

bool Tmp51OpenDlg::IsInitEnabled() const
{
    return m_pInit->isEnabled();
}

void Tmp51OpenDlg::SetInit(int init)
{
    if (QAbstractButton* button = m_pInitChoice->button(init))
        button->setChecked(true);
}

void Tmp51OpenDlg::Confirm()
{
    PressAccept(m_pFiles);
}

void Tmp51OpenDlg::Accepted()
{
    const QStringList selected = m_pFiles->selectedFiles();
    if (selected.isEmpty()) {
        reject();
        return;
    }
    clLoadChoice choice;
    choice.path = selected.front().toStdString();
    choice.fileType = CurrentType();
    choice.init = choice.fileType == ftProject ? initUnchanged : m_pInitChoice->checkedId();
    m_Choice = choice;
    accept();
}

Tmp51SaveDlg::Tmp51SaveDlg(QWidget* parent, const clSaveDialogSetup& setup) : QDialog(parent), m_Setup(setup)
{
    setObjectName("SaveDialog");
    setWindowTitle("Save File");
    auto* layout = new QVBoxLayout(this);
    const QFileInfo proposed(QString::fromStdString(setup.proposed));
    m_pFiles = EmbeddedFileDialog(this, setup.types, proposed.absolutePath().toStdString());
    m_pFiles->setAcceptMode(QFileDialog::AcceptSave);
    m_pFiles->setFileMode(QFileDialog::AnyFile);
    layout->addWidget(m_pFiles, 1);
    ShowEmbedded(m_pFiles);

    auto* extra = new QGridLayout;
    auto* descLabel = new QLabel("D&escription:", this);
    m_pDesc = new QLineEdit(QString::fromStdString(setup.description), this);
    m_pDesc->setObjectName("id1045");
    m_pDesc->setMaxLength(250);
    descLabel->setBuddy(m_pDesc);
    m_pOptions = new QGroupBox("Save Options", this);
    m_pOptions->setObjectName("saveOptions");
    auto* optLayout = new QHBoxLayout(m_pOptions);
    m_pOptionChoice = new QButtonGroup(this);
    const std::pair<int, const char*> options[] = {
        {prjSaveOnly, "&only"}, {prjSaveImage, "and &buffer image"}, {prjSaveHexRef, "and he&x reference"}};
    for (const auto& [id, label] : options) {
        auto* radio = new QRadioButton(label, m_pOptions);
        radio->setObjectName(QString("id%1").arg(id));
        optLayout->addWidget(radio);
        m_pOptionChoice->addButton(radio, id);
    }
    // A data-file reference is offered only when a space has one to keep.
    m_pOptionChoice->button(prjSaveHexRef)->setEnabled(setup.hexRefPossible);
    m_pOptionChoice->button(setup.hexRefPossible ? prjSaveHexRef : prjSaveImage)->setChecked(true);
    extra->addWidget(descLabel, 0, 0);
    extra->addWidget(m_pDesc, 0, 1);
    extra->addWidget(m_pOptions, 1, 0, 1, 2);
    layout->addLayout(extra);

    if (setup.selected >= 0 && setup.selected < static_cast<int>(setup.types.size()))
        m_pFiles->selectNameFilter(QkQtFilter(setup.types[setup.selected].filter));
    if (proposed.fileName().size() > 0 && CurrentPosition() == 0)
        m_pFiles->selectFile(proposed.fileName());
    connect(m_pFiles, &QFileDialog::filterSelected, this, [this] { TypeChanged(); });
    connect(m_pFiles, &QFileDialog::accepted, this, &Tmp51SaveDlg::Accepted);
    connect(m_pFiles, &QFileDialog::rejected, this, &QDialog::reject);
    resize(880, 580);
    TypeChanged();
}

int Tmp51SaveDlg::CurrentPosition() const
{
    return PositionOf(m_pFiles);
}

void Tmp51SaveDlg::TypeChanged()
{
    const int position = CurrentPosition();
    const bool valid = position >= 0 && position < static_cast<int>(m_Setup.types.size());
    const bool project = valid && m_Setup.types[position].fileType == ftProject;
    m_pOptions->setEnabled(project);
    m_pDesc->setEnabled(project);
    if (valid)
        m_pFiles->setDefaultSuffix(SuffixOf(m_Setup.types[position].filter));
}

void Tmp51SaveDlg::Select(int position, const QString& path)
{
    if (position >= 0 && position < static_cast<int>(m_Setup.types.size())) {
        m_pFiles->selectNameFilter(QkQtFilter(m_Setup.types[position].filter));
        TypeChanged();
    }
    SelectFile(m_pFiles, path);
}

int Tmp51SaveDlg::SaveOption() const
{
    return m_pOptionChoice->checkedId();
}

bool Tmp51SaveDlg::IsOptionEnabled(int id) const
{
    const QAbstractButton* button = m_pOptionChoice->button(id);
    return button != nullptr && button->isEnabled();
}

void Tmp51SaveDlg::SetSaveOption(int id)
{
    if (QAbstractButton* button = m_pOptionChoice->button(id); button != nullptr && button->isEnabled())
        button->setChecked(true);
}

void Tmp51SaveDlg::SetDescription(const QString& text)
{
    m_pDesc->setText(text);
}

void Tmp51SaveDlg::Confirm()
{
    PressAccept(m_pFiles);
}

void Tmp51SaveDlg::Accepted()
{
    const QStringList selected = m_pFiles->selectedFiles();
    const int position = CurrentPosition();
    if (selected.isEmpty() || position < 0 || position >= static_cast<int>(m_Setup.types.size())) {
        reject();
        return;
    }
    clSaveChoice choice;
    choice.path = selected.front().toStdString();
    choice.position = position;
    choice.fileType = m_Setup.types[position].fileType;
    choice.saveOption = SaveOption();
    choice.description = m_pDesc->text().toStdString();
    m_Choice = choice;
    accept();
}
