#include "ui/directory_edit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace fetchly {

TDirectoryEdit::TDirectoryEdit(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_browse(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_browse);
    m_browse->setText(QStringLiteral("..."));
    m_browse->setToolTip(tr("Browse for a folder"));
    m_browse->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, &TDirectoryEdit::textChanged);
    connect(m_browse, &QToolButton::clicked, this, [this] { browse(); });
}

QString TDirectoryEdit::text() const
{
    return m_edit->text();
}

void TDirectoryEdit::setText(const QString &text)
{
    m_edit->setText(text);
}

bool TDirectoryEdit::browse()
{
    QString start = m_edit->text();
    if (!QDir(start).exists())
        start = QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Select a folder"), start);
    if (chosen.isEmpty())
        return false;
    QString dir = QDir::toNativeSeparators(chosen);
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    m_edit->setText(dir);
    return true;
}

} // namespace fetchly
