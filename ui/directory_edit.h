#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace fetchly {

// A text field for a directory with a button that opens the folder browser.
// The text is what counts: a typed directory need not exist yet.
class TDirectoryEdit : public QWidget {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *browseButton() const { return m_browse; }

    // Opens the folder browser starting at the current text; a chosen folder
    // replaces the text. Returns false when the user cancelled.
    bool browse();

signals:
    void textChanged(const QString &text);

private:
    QLineEdit *m_edit;
    QToolButton *m_browse;
};

} // namespace fetchly
