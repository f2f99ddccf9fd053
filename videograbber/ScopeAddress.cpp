#include "videograbber/ScopeAddress.h"

#include <QUrl>

TScopeAddress SplitScopeAddress(const QString& url)
{
    TScopeAddress address{url, QString(), QString()};
    QUrl parsed(url.trimmed(), QUrl::TolerantMode);
    if (!parsed.isValid() || parsed.userInfo().isEmpty())
        return address;
    address.User = parsed.userName(QUrl::FullyDecoded);
    address.Password = parsed.password(QUrl::FullyDecoded);
    parsed.setUserInfo(QString());
    address.Url = parsed.toString();
    return address;
}
