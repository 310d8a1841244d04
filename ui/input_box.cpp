#include "ui/input_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace fetchly {

TInputBox::TInputBox(const QString &caption, const QString &prompt, const QString &value, QWidget *parent)
    : QDialog(parent), m_prompt(new QLabel(prompt, this)), m_edit(new QLineEdit(value, this))
{
    setObjectName(QStringLiteral("InputBox"));
    setWindowTitle(caption);
    m_edit->setObjectName(QStringLiteral("InputEdit"));
    m_edit->setMinimumWidth(320);
    m_prompt->setBuddy(m_edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString InputBox(const QString &caption, const QString &prompt, const QString &defaultValue, QWidget *parent)
{
    TInputBox box(caption, prompt, defaultValue, parent);
    if (box.exec() == QDialog::Accepted)
        return box.edit()->text();
    return defaultValue;
}

} // namespace fetchly
