#pragma once

#include <QDialog>

class QSpinBox;

namespace fetchly {

class TIniFile;

// How downloads use the line: connections per download and retries of a
// failure that may pass. Kept in section [Transfer] of the options' INI file.
struct TTransferSettings {
    int Connections = 8;
    int Retries = 5;
    // Values outside the ranges the spin boxes allow are brought into them.
    void Read(const TIniFile &ini);
    void Write(TIniFile &ini) const;
};

// The small dialog behind the options' "Advanced..." button.
class TTransferOptionsDialog : public QDialog {
    Q_OBJECT
public:
    TTransferOptionsDialog(const TTransferSettings &values, QWidget *parent = nullptr);
    TTransferSettings Values() const;

    QSpinBox *ConnectionsEdit;
    QSpinBox *RetriesEdit;
};

} // namespace fetchly
