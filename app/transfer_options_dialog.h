#pragma once

#include <QDialog>

class QSpinBox;

namespace fetchly {

struct TAppOptions;

// The small dialog behind the options' "Advanced..." button: how downloads
// use the line.
class TTransferOptionsDialog : public QDialog {
    Q_OBJECT
public:
    TTransferOptionsDialog(const TAppOptions &values, QWidget *parent = nullptr);
    // Puts the values shown into `options`.
    void Apply(TAppOptions &options) const;

    QSpinBox *connectionsEdit;
    QSpinBox *retriesEdit;
    QSpinBox *simultaneousEdit;
    QSpinBox *limitRateEdit;
};

} // namespace fetchly
