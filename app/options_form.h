#pragma once

#include "app/core/app_options.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace fetchly {

// The options dialog: FTP and proxy settings, what the engine shows, the
// accepted link types and (hidden) the target directory. It edits a copy of
// the options; only OK hands that copy back.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // Builds the designed controls, showing the designed options.
    explicit TOptionsForm(QWidget *parent = nullptr);

    // Shows `options` and lets the user change them: the changed copy when
    // OK is pressed, nothing on Cancel, Escape or the window's close.
    std::optional<TAppOptions> Edit(const TAppOptions &options);
    // The controls show `options`.
    void ShowOptions(const TAppOptions &options);
    // The options as the controls show them now.
    TAppOptions ShownOptions() const;

    QCheckBox *passiveFtpCheck;
    QLineEdit *proxyEdit;
    QLineEdit *proxyPasswordEdit;
    QLineEdit *proxyUserEdit;
    QCheckBox *showDialogCheck;
    QCheckBox *showOpenFileCheck;
    QCheckBox *showOpenFolderCheck;
    QLineEdit *targetFolderEdit;
    QListWidget *linkTypesList;
    QPushButton *okButton;
    QPushButton *cancelButton;
    // Opens the dialog of the transfer settings below.
    QPushButton *advancedButton;
    QMenu *linkTypesMenu;
    QAction *addLinkTypeAction;
    QAction *deleteLinkTypeAction;

    // The accepted link types, as the list shows them.
    std::vector<std::string> LinkTypes() const;

    void onAddLinkTypeClicked();
    void onDeleteLinkTypeClicked();
    void onAdvancedClicked();

private:
    void buildDesign();
    // Adds a typed link type as LinkTypeFromInput makes it, unless the list
    // holds it already (in any letter case). Returns its row, or -1 when
    // nothing usable was typed.
    int addLinkType(const std::string &typed);
    // What the controls do not show: the transfer settings (the Advanced
    // dialog's) and the target directory the window shows.
    TAppOptions m_copy;
};

// The target directory until the user picks one: the download folder.
QString DefaultTargetDir();

} // namespace fetchly
