#include "app/transfer_options_dialog.h"

#include "app/core/app_options.h"
#include "transfer/fetch_scheduler.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace fetchly {

TTransferOptionsDialog::TTransferOptionsDialog(const TAppOptions &values, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TransferOptions"));
    setWindowTitle(QStringLiteral("Advanced Options"));
    auto *form = new QFormLayout(this);
    connectionsEdit = new QSpinBox(this);
    connectionsEdit->setObjectName(QStringLiteral("connectionsEdit"));
    connectionsEdit->setRange(1, MaxConnections);
    connectionsEdit->setValue(values.Connections);
    connectionsEdit->setToolTip(
        QStringLiteral("Connections one large download may use, for servers that limit each connection"));
    retriesEdit = new QSpinBox(this);
    retriesEdit->setObjectName(QStringLiteral("retriesEdit"));
    retriesEdit->setRange(0, MaxRetries);
    retriesEdit->setValue(values.Retries);
    retriesEdit->setToolTip(
        QStringLiteral("Retries of a failure that may pass (a busy server, a broken line)"));
    simultaneousEdit = new QSpinBox(this);
    simultaneousEdit->setObjectName(QStringLiteral("simultaneousEdit"));
    simultaneousEdit->setRange(1, MaxSimultaneous);
    simultaneousEdit->setValue(values.Simultaneous);
    simultaneousEdit->setToolTip(QStringLiteral("Files Start All downloads at the same time"));
    limitRateEdit = new QSpinBox(this);
    limitRateEdit->setObjectName(QStringLiteral("limitRateEdit"));
    limitRateEdit->setRange(0, MaxLimitRate);
    limitRateEdit->setValue(values.LimitRate);
    limitRateEdit->setToolTip(QStringLiteral("The highest speed of all downloads together"));
    form->addRow(QStringLiteral("&Connections per download"), connectionsEdit);
    form->addRow(QStringLiteral("&Retries"), retriesEdit);
    form->addRow(QStringLiteral("&Downloads at once"), simultaneousEdit);
    form->addRow(QStringLiteral("&Limit speed (KB/s, 0 = none)"), limitRateEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TTransferOptionsDialog::Apply(TAppOptions &options) const
{
    options.Connections = connectionsEdit->value();
    options.Retries = retriesEdit->value();
    options.Simultaneous = simultaneousEdit->value();
    options.LimitRate = limitRateEdit->value();
}

} // namespace fetchly
