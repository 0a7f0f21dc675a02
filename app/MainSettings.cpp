#include "MainSettings.h"

#include "DataErrors.h"
#include "Guard.h"
#include "IniFile.h"
#include "Messages.h"
#include "RadioGroup.h"
#include "SaveFile.h"
#include "SpinEdit.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace {
const QString settingsSection = QStringLiteral("TMainF");

enum class SettingKind
{
    Integer,
    Boolean,
    Text
};

// The kept settings of the "Ayarlar" page, in the order they are written and applied.
struct SettingKey
{
    const char* key;
    const char* control;
    SettingKind kind;
};

constexpr SettingKey settingKeys[] = {
    {"SpinCKSR_Value", "SpinCKSR", SettingKind::Integer},
    {"CheckEFEKT_Checked", "CheckEFEKT", SettingKind::Boolean},
    {"SpinHARF_Value", "SpinHARF", SettingKind::Integer},
    {"CheckSES_Checked", "CheckSES", SettingKind::Boolean},
    {"RadioRESIM_ItemIndex", "RadioRESIM", SettingKind::Integer},
    {"EditSES_Text", "EditSES", SettingKind::Text},
    {"EditSES2_Text", "EditSES2", SettingKind::Text},
    {"CheckSESTEKRAR_Checked", "CheckSESTEKRAR", SettingKind::Boolean},
    {"CheckSESTEKRAR2_Checked", "CheckSESTEKRAR2", SettingKind::Boolean},
    {"SpinSESTEKRAR_Value", "SpinSESTEKRAR", SettingKind::Integer},
    {"CheckEKBILGI_Checked", "CheckEKBILGI", SettingKind::Boolean},
};

QString boolText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

// The control's value as the settings file holds it.
QString storedText(QWidget* control, SettingKind kind)
{
    switch (kind)
    {
    case SettingKind::Integer:
        if (auto* spin = qobject_cast<TSpinEdit*>(control))
            return QString::number(spin->value());
        if (auto* radio = qobject_cast<TRadioGroup*>(control))
            return QString::number(radio->ItemIndex());
        break;
    case SettingKind::Boolean:
        if (auto* box = qobject_cast<QAbstractButton*>(control))
            return boolText(box->isChecked());
        break;
    case SettingKind::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            return edit->text();
        break;
    }
    return QString();
}

void applyStoredText(QWidget* control, SettingKind kind, const QString& text)
{
    switch (kind)
    {
    case SettingKind::Integer: {
        bool ok = false;
        int value = text.toInt(&ok, 10);
        if (!ok)
            value = 0;
        if (auto* spin = qobject_cast<TSpinEdit*>(control))
            spin->setValue(value);
        else if (auto* radio = qobject_cast<TRadioGroup*>(control))
            radio->setItemIndex(value);
        break;
    }
    case SettingKind::Boolean:
        if (auto* box = qobject_cast<QAbstractButton*>(control))
        {
            if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                box->setChecked(false);
            else if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                box->setChecked(true);
        }
        break;
    case SettingKind::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(text);
        break;
    }
}

// The reader strips one pair of enclosing quotes, so a text that carries such a pair itself
// is written inside one more pair and reads back unchanged.
QString textForSaving(const QString& text)
{
    const QString trimmed = text.trimmed();
    const bool quoted =
        trimmed.size() >= 2 && ((trimmed.startsWith(QLatin1Char('"')) && trimmed.endsWith(QLatin1Char('"'))) ||
                                (trimmed.startsWith(QLatin1Char('\'')) && trimmed.endsWith(QLatin1Char('\''))));
    return quoted ? QLatin1Char('"') + trimmed + QLatin1Char('"') : trimmed;
}

} // namespace

void readMainSettings(QWidget& window, const QString& fileName)
{
    const TIniFile ini(fileName);
    // A file far too large to be the settings is not read, and the operator is told.
    if (ini.refused())
        ShowBilgi(ini.refusedText());
    if (ini.readInteger(settingsSection, QStringLiteral("FormVersion"), 0) >= 0)
    {
        for (const SettingKey& s : settingKeys)
        {
            // A setting that cannot be applied is skipped; the next one still is.
            guarded([&] {
                QWidget* control = window.findChild<QWidget*>(QLatin1String(s.control));
                if (!control)
                    return;
                const QString key = QLatin1String(s.key);
                const QString text = ini.readString(settingsSection, key, storedText(control, s.kind)).trimmed();
                applyStoredText(control, s.kind, text);
            });
        }
    }
}

bool writeMainSettings(const QWidget& window, const QString& fileName)
{
    TIniFile ini(fileName);
    ini.writeInteger(settingsSection, QStringLiteral("FormVersion"), 0);
    for (const SettingKey& s : settingKeys)
    {
        QWidget* control = window.findChild<QWidget*>(QLatin1String(s.control));
        if (!control)
            continue;
        QString text = storedText(control, s.kind);
        if (s.kind == SettingKind::Text)
            text = textForSaving(text);
        ini.writeString(settingsSection, QLatin1String(s.key), text);
    }
    try
    {
        ini.updateFile();
        return true;
    }
    catch (const EFileError&)
    {
        return false;
    }
}

void saveMainSettings(const QWidget& window, const QString& fileName)
{
    // A settings file that cannot be written keeps its old content; the close goes on.
    if (!writeMainSettings(window, fileName))
        ShowBilgi(SaveFailedText(fileName));
}

TSettingsAutoSave::TSettingsAutoSave(QWidget& window, QString fileName)
    : QObject(&window), m_window(window), m_fileName(std::move(fileName)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(DelayMs);
    connectGuarded(m_timer, &QTimer::timeout, this, &TSettingsAutoSave::save);
    const auto later = [this] { m_timer->start(); };
    for (const SettingKey& s : settingKeys)
    {
        QWidget* control = window.findChild<QWidget*>(QLatin1String(s.control));
        if (auto* spin = qobject_cast<TSpinEdit*>(control))
            connectGuarded(spin, &TSpinEdit::valueChanged, this, later);
        else if (auto* radio = qobject_cast<TRadioGroup*>(control))
            connectGuarded(radio, &TRadioGroup::itemIndexChanged, this, later);
        else if (auto* box = qobject_cast<QAbstractButton*>(control))
            connectGuarded(box, &QAbstractButton::toggled, this, later);
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            connectGuarded(edit, &QLineEdit::textChanged, this, later);
    }
}

void TSettingsAutoSave::save()
{
    if (writeMainSettings(m_window, m_fileName) || m_told)
        return;
    // Told once: the next change would otherwise bring the same box again.
    m_told = true;
    ShowBilgi(SaveFailedText(m_fileName));
}
