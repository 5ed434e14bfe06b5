#include "source/gui/placeholder.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TPlaceholderDlg::TPlaceholderDlg(QWidget* parent, const QString& title, const QString& text) : QDialog(parent)
{
    setObjectName("placeholder");
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(text, this);
    label->setObjectName("text");
    label->setWordWrap(true);
    label->setMinimumWidth(340);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
