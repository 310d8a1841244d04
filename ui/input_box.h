#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace fetchly {

// A small modal dialog asking for one line of text.
class TInputBox : public QDialog {
    Q_OBJECT
public:
    TInputBox(const QString &caption, const QString &prompt, const QString &value, QWidget *parent = nullptr);
    QLineEdit *edit() const { return m_edit; }
    QLabel *promptLabel() const { return m_prompt; }

private:
    QLabel *m_prompt;
    QLineEdit *m_edit;
};

// Shows the dialog; returns the text when confirmed and `defaultValue` when
// cancelled, so a cancel with an empty default reads as "nothing entered".
QString InputBox(const QString &caption, const QString &prompt, const QString &defaultValue,
                 QWidget *parent = nullptr);

} // namespace fetchly
