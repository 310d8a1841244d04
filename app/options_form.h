#pragma once

#include "app/transfer_options_dialog.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace fetchly {

class TFormSettings;
class TIniFile;

// The options dialog: FTP and proxy settings, what the engine shows, the
// accepted link types and (hidden) the target directory. Its values live in
// Fetchly.ini through its TFormSettings.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // Builds the designed controls, then loads the stored values.
    explicit TOptionsForm(QWidget *parent = nullptr);
    // Saves the values unless FormDestroy() already ran (errors are then
    // swallowed: a destructor cannot report them).
    ~TOptionsForm() override;

    QCheckBox *CheckBox1;
    QLineEdit *ProxEdit;
    QLineEdit *PassEdit;
    QLineEdit *UserEdit;
    QCheckBox *CheckBox2;
    QCheckBox *CheckBox3;
    QCheckBox *CheckBox4;
    QLineEdit *diredit;
    QListWidget *LinksList;
    QPushButton *Button1;
    QPushButton *Button2;
    // Opens the dialog of the transfer settings below.
    QPushButton *AdvancedButton;
    TTransferSettings Transfer;
    QMenu *LinksMenu;
    QAction *AddLinkType1;
    QAction *DeleteLinkType1;
    TFormSettings *FormSettings;

    // The accepted link types, as the list shows them.
    std::vector<std::string> LinkTypes() const;
    bool IsAcceptedLink(const std::string &url) const;

    void FormCreate();
    // Writes the settings; throws when the INI file cannot be written.
    void FormDestroy();
    void AddLinkType1Click();
    void DeleteLinkType1Click();
    void Button1Click();
    void AdvancedButtonClick();

    // Cancel puts back the values the dialog showed when it opened.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildDesign();
    // Adds a typed link type as LinkTypeFromInput makes it, unless the list
    // holds it already (in any letter case). Returns its row, or -1 when
    // nothing usable was typed.
    int addLinkType(const std::string &typed);
    std::unique_ptr<TIniFile> m_shown;
    TTransferSettings m_shownTransfer;
    bool m_destroyed = false;
};

// The target directory until the user picks one: the download folder.
QString DefaultTargetDir();

} // namespace fetchly
