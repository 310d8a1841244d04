#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace fetchly {

class TIniFile;

enum class TSaveValOpt { svEdit, svMemo, svCheckBox, svRadioButton, svListBox, svComboBox, svFontDialog };
using TSaveValSet = unsigned; // bit (1 << TSaveValOpt)

inline constexpr TSaveValSet SaveValBit(TSaveValOpt o)
{
    return 1u << static_cast<unsigned>(o);
}
inline constexpr TSaveValSet AllSaveValOpts = (1u << 7) - 1;

// Keeps a form's place and its controls' values in an INI file: section
// "Position" for the bounds and the window state, section "Values" for
// edits, check boxes, radio buttons, list boxes, combo boxes (by object
// name) and font dialogs. A list box's items go to a section of their own
// named after it, so items the user added come back.
class TFormSettings : public QObject {
    Q_OBJECT
public:
    // `owner` is the form whose settings these are (also the QObject parent).
    explicit TFormSettings(QWidget *owner);

    bool SavePosition = true;
    bool SaveValues = false;
    bool LoadValues = false;
    // Stored with the component; every supported kind is handled regardless.
    TSaveValSet SaveValueOptions = AllSaveValOpts;
    QWidget *RootControl = nullptr;
    QString INIFilename;
    // Where the owner is placed when loading or saving ("designed
    // placement"); none leaves it where it is.
    std::optional<QPoint> DesignedPosition;
    // Settings of the owner that are not control values (sections of its
    // own), read and written in the same pass as the values.
    std::function<void(const TIniFile &)> ReadOwnSettings;
    std::function<void(TIniFile &)> WriteOwnSettings;

    // "Software\<application>\<owner>" when empty; stored for callers only.
    QString KeyName() const;
    void SetKeyName(const QString &name) { m_keyName = name; }

    // The file the settings go to: a bare name lands in the configuration
    // folder.
    QString IniPath() const;

    // A file that exists but cannot be read (too large, not readable,
    // damaged) is moved aside whole before anything is written over it, and
    // LoadProblem() says so.
    void LoadSettings();
    // Throws std::runtime_error ("Unable to write to ...") when the file
    // cannot be written, or when a file that could not be read could not
    // be moved aside either.
    void SaveSettings();
    // What went wrong reading the file, for the status bar; empty when
    // nothing did.
    QString LoadProblem() const { return m_loadProblem; }

    // The value passes on their own, over RootControl or else the owner.
    // Without either they throw "Assertion failure (FormSettings, line N)".
    void ReadControlValues(const TIniFile &ini);
    void WriteControlValues(TIniFile &ini);

private:
    QWidget *root(int line) const;
    void placeOwner();
    TIniFile readIni();

    QWidget *m_owner;
    QString m_keyName;
    QString m_loadProblem;
    bool m_keepOff = false; // an unreadable file stays where it is
};

} // namespace fetchly
