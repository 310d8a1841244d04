#include "app/form_settings.h"

#include "app/core/app_options.h"
#include "app/core/app_paths.h"
#include "app/core/ini_file.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QWidget>
#include <stdexcept>

namespace fetchly {

namespace {

const char *const Position = "Position";
const char *const Values = "Values";

std::string str(const QString &s)
{
    return s.toStdString();
}

QString qstr(const std::string &s)
{
    return QString::fromStdString(s);
}

// Controls are found by the name they were given; the parts a Qt widget
// makes for itself (a spin box's edit, a combo box's line edit) carry no
// name or a "qt_" one and are left alone.
bool isNamedControl(const QWidget *w, const QWidget *root)
{
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
        return false;
    for (const QWidget *p = w->parentWidget(); p && p != root; p = p->parentWidget()) {
        if (qobject_cast<const QFontDialog *>(p) || qobject_cast<const QComboBox *>(p) ||
            qobject_cast<const QAbstractSpinBox *>(p))
            return false;
    }
    return true;
}

// A font dialog's font is its "Font" property when set (what was last
// chosen or stored: the dialog's own current font snaps to installed
// styles), else its current font. Its colour is not part of a QFont; it
// travels as the "Color" property (a 32-bit colour value), window text by
// default.
constexpr int DefaultFontColor = static_cast<int>(0x80000008u);

QFont dialogFont(const QFontDialog *dialog)
{
    const QVariant stored = dialog->property("Font");
    return stored.isValid() ? stored.value<QFont>() : dialog->currentFont();
}

void readList(const TIniFile &ini, QListWidget *list, const std::string &name)
{
    // Items first, so the stored index selects among the stored items.
    if (ini.ValueExists(name, "Count")) {
        const int count = ini.ReadInteger(name, "Count", -1);
        if (count >= 0 && count <= 100000) {
            QStringList items;
            for (int i = 0; i < count; ++i)
                items.append(qstr(ini.ReadString(name, "Item" + std::to_string(i), "")));
            list->clear();
            list->addItems(items);
        }
    }
    const int index = ini.ReadInteger(Values, name, list->currentRow());
    if (index >= 0 && index < list->count())
        list->setCurrentRow(index);
    else
        list->setCurrentRow(-1);
}

void writeList(TIniFile &ini, const QListWidget *list, const std::string &name)
{
    ini.WriteInteger(Values, name, list->currentRow());
    ini.EraseSection(name);
    ini.WriteInteger(name, "Count", list->count());
    for (int i = 0; i < list->count(); ++i)
        ini.WriteString(name, "Item" + std::to_string(i), str(list->item(i)->text()));
}

} // namespace

TFormSettings::TFormSettings(QWidget *owner) : QObject(owner), m_owner(owner)
{
    setObjectName(QStringLiteral("FormSettings"));
}

QString TFormSettings::KeyName() const
{
    if (m_keyName.isEmpty() && m_owner)
        return QStringLiteral("Software\\") + QCoreApplication::applicationName() + QLatin1Char('\\') +
               m_owner->objectName();
    return m_keyName;
}

QString TFormSettings::IniPath() const
{
    return QString::fromStdString(ProfilePath(str(INIFilename)).string());
}

QWidget *TFormSettings::root(int line) const
{
    QWidget *r = RootControl ? RootControl : m_owner;
    if (!r)
        throw std::logic_error("Assertion failure (FormSettings, line " + std::to_string(line) + ")");
    return r;
}

void TFormSettings::placeOwner()
{
    if (m_owner && DesignedPosition)
        m_owner->move(*DesignedPosition);
}

TIniFile TFormSettings::readIni()
{
    std::string problem;
    TIniFile ini = ReadIniKeepingAside(ProfilePath(str(INIFilename)), problem, m_keepOff);
    if (!problem.empty())
        m_loadProblem = qstr(problem);
    return ini;
}

void TFormSettings::LoadSettings()
{
    if (!m_owner || !m_owner->isWindow())
        return;
    placeOwner();
    const TIniFile ini = readIni();
    if (SavePosition) {
        const QRect g = m_owner->geometry();
        const int left = ini.ReadInteger(Position, "Left", g.x());
        const int top = ini.ReadInteger(Position, "Top", g.y());
        const int width = ini.ReadInteger(Position, "Width", g.width());
        const int height = ini.ReadInteger(Position, "Height", g.height());
        m_owner->setGeometry(left, top, width, height);
        const QString state = qstr(ini.ReadString(Position, "WindowState", "Normal")).toUpper();
        if (state == QLatin1String("MINIMIZED"))
            m_owner->setWindowState(Qt::WindowMinimized);
        else if (state == QLatin1String("MAXIMIZED"))
            m_owner->setWindowState(Qt::WindowMaximized);
        else
            m_owner->setWindowState(Qt::WindowNoState);
    }
    if (LoadValues)
        ReadControlValues(ini);
    if (ReadOwnSettings)
        ReadOwnSettings(ini);
}

void TFormSettings::SaveSettings()
{
    if (!m_owner || !m_owner->isWindow())
        return;
    placeOwner();
    TIniFile ini = readIni();
    if (m_keepOff)
        throw std::runtime_error("Unable to write to " + str(IniPath()) +
                                 " (it could not be read and is kept as it is)");
    if (SavePosition) {
        const Qt::WindowStates state = m_owner->windowState();
        if (!(state & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            const QRect g = m_owner->geometry();
            ini.WriteInteger(Position, "Left", g.x());
            ini.WriteInteger(Position, "Top", g.y());
            ini.WriteInteger(Position, "Width", g.width());
            ini.WriteInteger(Position, "Height", g.height());
        }
        const char *text = (state & Qt::WindowMinimized)   ? "MINIMIZED"
                           : (state & Qt::WindowMaximized) ? "MAXIMIZED"
                                                           : "NORMAL";
        ini.WriteString(Position, "WindowState", text);
    }
    if (SaveValues)
        WriteControlValues(ini);
    if (WriteOwnSettings)
        WriteOwnSettings(ini);
    ini.UpdateFile();
}

void TFormSettings::ReadControlValues(const TIniFile &ini)
{
    QWidget *r = root(193);
    const QList<QWidget *> controls = r->findChildren<QWidget *>();
    for (QWidget *w : controls) {
        if (!isNamedControl(w, r))
            continue;
        const std::string name = str(w->objectName());
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            edit->setText(qstr(ini.ReadString(Values, name, str(edit->text()))));
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            check->setChecked(ini.ReadBool(Values, name, check->isChecked()));
        } else if (auto *radio = qobject_cast<QRadioButton *>(w)) {
            radio->setChecked(ini.ReadBool(Values, name, radio->isChecked()));
        } else if (auto *list = qobject_cast<QListWidget *>(w)) {
            readList(ini, list, name);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            const QString text = qstr(ini.ReadString(Values, name, str(combo->currentText())));
            if (combo->isEditable())
                combo->setEditText(text);
            else
                combo->setCurrentText(text);
        }
    }
    for (QWidget *w : controls) {
        auto *dialog = qobject_cast<QFontDialog *>(w);
        if (!dialog || !isNamedControl(w, r))
            continue;
        const std::string name = str(w->objectName());
        QFont font = dialogFont(dialog);
        font.setFamily(qstr(ini.ReadString(Values, name + "_Name", str(font.family()))));
        const int size = ini.ReadInteger(Values, name + "_Size", font.pointSize());
        if (size > 0 && size <= 1000)
            font.setPointSize(size);
        const QVariant color = dialog->property("Color");
        dialog->setProperty("Color", ini.ReadInteger(Values, name + "_Color",
                                                     color.isValid() ? color.toInt() : DefaultFontColor));
        font.setBold(ini.ReadBool(Values, name + "_Bold", font.bold()));
        font.setItalic(ini.ReadBool(Values, name + "_Italic", font.italic()));
        font.setUnderline(ini.ReadBool(Values, name + "_Underline", font.underline()));
        font.setStrikeOut(ini.ReadBool(Values, name + "_StrikeOut", font.strikeOut()));
        dialog->setProperty("Font", font);
        dialog->setCurrentFont(font);
    }
}

void TFormSettings::WriteControlValues(TIniFile &ini)
{
    QWidget *r = root(230);
    const QList<QWidget *> controls = r->findChildren<QWidget *>();
    for (QWidget *w : controls) {
        if (!isNamedControl(w, r))
            continue;
        const std::string name = str(w->objectName());
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            ini.WriteString(Values, name, str(edit->text()));
        else if (auto *check = qobject_cast<QCheckBox *>(w))
            ini.WriteBool(Values, name, check->isChecked());
        else if (auto *radio = qobject_cast<QRadioButton *>(w))
            ini.WriteBool(Values, name, radio->isChecked());
        else if (auto *list = qobject_cast<QListWidget *>(w))
            writeList(ini, list, name);
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            ini.WriteString(Values, name, str(combo->currentText()));
    }
    for (QWidget *w : controls) {
        auto *dialog = qobject_cast<QFontDialog *>(w);
        if (!dialog || !isNamedControl(w, r))
            continue;
        const std::string name = str(w->objectName());
        const QFont font = dialogFont(dialog);
        const QVariant color = dialog->property("Color");
        ini.WriteString(Values, name + "_Name", str(font.family()));
        ini.WriteInteger(Values, name + "_Size", font.pointSize());
        ini.WriteInteger(Values, name + "_Color", color.isValid() ? color.toInt() : DefaultFontColor);
        ini.WriteBool(Values, name + "_Bold", font.bold());
        ini.WriteBool(Values, name + "_Italic", font.italic());
        ini.WriteBool(Values, name + "_Underline", font.underline());
        ini.WriteBool(Values, name + "_StrikeOut", font.strikeOut());
    }
}

} // namespace fetchly
