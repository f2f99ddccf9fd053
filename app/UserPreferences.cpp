#include "app/UserPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

namespace
{
const QString UrlKey = QStringLiteral("WiFiScope/URL");
const QString UserKey = QStringLiteral("WiFiScope/User");
const QString PasswordKey = QStringLiteral("WiFiScope/Password");
const QString SaveFailedKey = QStringLiteral("Records/SaveFailedInspections");
const QString AutoPdfKey = QStringLiteral("Records/PdfWithAutomaticSave");

QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("fiberscope"),
                     QStringLiteral("fiberscope"));
}

void Put(QSettings& s, const QString& key, const QString& value)
{
    if (value.isEmpty())
        s.remove(key);
    else
        s.setValue(key, value);
}
} // namespace

QString TUserPreferences::WiFiScopeURL()
{
    return Store().value(UrlKey).toString();
}

QString TUserPreferences::WiFiScopeUser()
{
    return Store().value(UserKey).toString();
}

QString TUserPreferences::WiFiScopePassword()
{
    return Store().value(PasswordKey).toString();
}

void TUserPreferences::SetWiFiScope(const QString& url, const QString& user, const QString& password)
{
    QSettings s = Store();
    // Made owner-only before the first value goes in; later writes replace the file and keep
    // its permissions.
    const QString name = s.fileName();
    if (!QFile::exists(name) && QDir().mkpath(QFileInfo(name).absolutePath()))
    {
        QFile file(name);
        if (file.open(QIODevice::WriteOnly))
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    Put(s, UrlKey, url);
    Put(s, UserKey, user);
    Put(s, PasswordKey, password);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw std::runtime_error(
            QStringLiteral("Cannot save preferences file \"%1\"").arg(name).toStdString());
    QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner);
}

namespace
{
QSettings LiveStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("fiberscope"),
                     QStringLiteral("live"));
}

void PutValue(const QString& key, const QVariant& value, QSettings s = Store())
{
    s.setValue(key, value);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw std::runtime_error(
            QStringLiteral("Cannot save preferences file \"%1\"").arg(s.fileName()).toStdString());
}
} // namespace

bool TUserPreferences::SaveFailedInspections()
{
    return Store().value(SaveFailedKey, false).toBool();
}

void TUserPreferences::SetSaveFailedInspections(bool on)
{
    PutValue(SaveFailedKey, on);
}

bool TUserPreferences::PdfWithAutomaticSave()
{
    return Store().value(AutoPdfKey, false).toBool();
}

void TUserPreferences::SetPdfWithAutomaticSave(bool on)
{
    PutValue(AutoPdfKey, on);
}

bool TUserPreferences::LiveAnalysis()
{
    return LiveStore().value(QStringLiteral("LiveAnalysis"), false).toBool();
}

void TUserPreferences::SetLiveAnalysis(bool on)
{
    PutValue(QStringLiteral("LiveAnalysis"), on, LiveStore());
}

bool TUserPreferences::AutoCheck()
{
    return LiveStore().value(QStringLiteral("AutoCheck"), false).toBool();
}

void TUserPreferences::SetAutoCheck(bool on)
{
    PutValue(QStringLiteral("AutoCheck"), on, LiveStore());
}

QString TUserPreferences::CriteriaProfile()
{
    return Store().value(QStringLiteral("Criteria/Profile")).toString();
}

void TUserPreferences::SetCriteriaProfile(const QString& name)
{
    PutValue(QStringLiteral("Criteria/Profile"), name);
}

QString TUserPreferences::FileName()
{
    return Store().fileName();
}
