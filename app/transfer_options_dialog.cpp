#include "app/transfer_options_dialog.h"

#include "app/core/app_options.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace fetchly {

TTransferOptionsDialog::TTransferOptionsDialog(const TAppOptions &values, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TransferOptions"));
    setWindowTitle(QStringLiteral("Advanced Options"));
    auto *form = new QFormLayout(this);
    ConnectionsEdit = new QSpinBox(this);
    ConnectionsEdit->setObjectName(QStringLiteral("ConnectionsEdit"));
    ConnectionsEdit->setRange(1, MaxConnections);
    ConnectionsEdit->setValue(values.Connections);
    ConnectionsEdit->setToolTip(
        QStringLiteral("Connections one large download may use, for servers that limit each connection"));
    RetriesEdit = new QSpinBox(this);
    RetriesEdit->setObjectName(QStringLiteral("RetriesEdit"));
    RetriesEdit->setRange(0, MaxRetries);
    RetriesEdit->setValue(values.Retries);
    RetriesEdit->setToolTip(
        QStringLiteral("Retries of a failure that may pass (a busy server, a broken line)"));
    form->addRow(QStringLiteral("&Connections per download"), ConnectionsEdit);
    form->addRow(QStringLiteral("&Retries"), RetriesEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TTransferOptionsDialog::Apply(TAppOptions &options) const
{
    options.Connections = ConnectionsEdit->value();
    options.Retries = RetriesEdit->value();
}

} // namespace fetchly
