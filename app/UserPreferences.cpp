#include "app/UserPreferences.h"

#include "records/RecordStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString UrlKey = QStringLiteral("WiFiScope/URL");
const QString UserKey = QStringLiteral("WiFiScope/User");
const QString PasswordKey = QStringLiteral("WiFiScope/Password");
const QString SaveFailedKey = QStringLiteral("Records/SaveFailedInspections");
const QString AutoPdfKey = QStringLiteral("Records/PdfWithAutomaticSave");
const QString LocateByEdgeKey = QStringLiteral("Analysis/LocateFiberByEdge");
const QString LanguageKey = QStringLiteral("Interface/Language");

// The largest preferences file read: a few dozen short keys fit many times over.
constexpr qint64 MaxPreferencesBytes = 256 * 1024;

// A preferences file that is no regular file (a FIFO would block the start for good) or far
// larger than any the program writes is set apart before Qt reads it, so the program starts
// with defaults; the window says so once.
void RefuseUnreadable(const QString& name)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(name).constData(), &st) != 0)
        return;
    if (S_ISREG(st.st_mode) && st.st_size <= MaxPreferencesBytes)
        return;
    const QString apart = name + QStringLiteral(".refused-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (::rename(QFile::encodeName(name).constData(), QFile::encodeName(apart).constData()) != 0)
        return;
    const QString what = S_ISREG(st.st_mode) ? QStringLiteral("%1 bytes long").arg(st.st_size)
                                             : QStringLiteral("not a regular file");
    TUserPreferences::Refused =
        QStringLiteral("The preferences file %1 was %2; it is kept as %3 and the defaults are used.")
            .arg(name, what, apart);
}

// The per-user configuration folder QSettings uses. Asked of a settings object of a name no file
// has: constructing one for our own files would already read them.
QString ConfigFolder()
{
    // Not kept: a test points QSettings elsewhere for each case.
    return QFileInfo(
               QFileInfo(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                   QStringLiteral("fiberscope-no-such-organisation"), QStringLiteral("none"))
                             .fileName())
                   .absolutePath())
        .absolutePath();
}

// Our files are looked at before QSettings reads them: the application's own and the
// organisation-wide one it falls back to.
QSettings Open(const QString& application)
{
    const QDir config(ConfigFolder());
    RefuseUnreadable(config.filePath(QStringLiteral("fiberscope/") + application + QStringLiteral(".conf")));
    RefuseUnreadable(config.filePath(QStringLiteral("fiberscope.conf")));
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("fiberscope"),
                     application);
}

QSettings Store()
{
    return Open(QStringLiteral("fiberscope"));
}

// Only a file that could not be written is a failure: a hand-edited file Qt could not parse is
// written anew all the same, and the value is saved.
void CheckSaved(const QSettings& s)
{
    if (s.status() == QSettings::AccessError)
        throw std::runtime_error(
            QStringLiteral("Cannot save preferences file \"%1\"").arg(s.fileName()).toStdString());
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
    // Owner-only before the password goes in: a new file is created so, and an existing one is
    // tightened first, since the file written in its place takes its permissions.
    const QString name = s.fileName();
    if (QDir().mkpath(QFileInfo(name).absolutePath()))
    {
        const int fd =
            ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd >= 0)
        {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
    }
    Put(s, UrlKey, url);
    Put(s, UserKey, user);
    Put(s, PasswordKey, password);
    s.sync();
    CheckSaved(s);
    QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner);
}

namespace
{
QSettings LiveStore()
{
    return Open(QStringLiteral("live"));
}

void PutValue(const QString& key, const QVariant& value, QSettings s = Store())
{
    s.setValue(key, value);
    s.sync();
    CheckSaved(s);
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

void TUserPreferences::SetPlantDatabase(const TPlantDatabase& server, bool keepReportPictures)
{
    QSettings s = Store();
    WritePlantDatabase(s, server);
    s.setValue(QStringLiteral("Records/KeepReportPictures"), keepReportPictures);
    s.sync();
    CheckSaved(s);
}

TPlantDatabase TUserPreferences::PlantDatabase()
{
    return ReadPlantDatabase(Store());
}

bool TUserPreferences::KeepReportPictures()
{
    return ::KeepReportPictures(Store());
}

QString TUserPreferences::StationName()
{
    return ::StationName(Store());
}

bool TUserPreferences::LocateByEdge()
{
    return Store().value(LocateByEdgeKey, false).toBool();
}

void TUserPreferences::SetLocateByEdge(bool on)
{
    PutValue(LocateByEdgeKey, on);
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

QString TUserPreferences::Language()
{
    return Store().value(LanguageKey).toString();
}

void TUserPreferences::SetLanguage(const QString& name)
{
    QSettings s = Store();
    Put(s, LanguageKey, name);
    s.sync();
    CheckSaved(s);
}

QString TUserPreferences::FileName()
{
    return Store().fileName();
}
