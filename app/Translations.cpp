#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <array>
#include <memory>

namespace
{
constexpr std::array<TLanguageChoice, 8> Choices = {{
    {"", ""},
    {"en", "English"},
    {"de", "Deutsch"},
    {"fr", "Fran\u00E7ais"},
    {"es", "Espa\u00F1ol"},
    {"pt_BR", "Portugu\u00EAs (Brasil)"},
    {"zh_CN", "\u7B80\u4F53\u4E2D\u6587"},
    {"ja", "\u65E5\u672C\u8A9E"},
}};

// Owned here rather than by the application, so a second call (a test) can swap them.
std::unique_ptr<QTranslator> OurTexts;
std::unique_ptr<QTranslator> QtTexts;

void Remove(std::unique_ptr<QTranslator>& slot)
{
    if (slot)
        QCoreApplication::removeTranslator(slot.get());
    slot.reset();
}

bool Replace(std::unique_ptr<QTranslator>& slot, const QLocale& locale, const QString& name,
             const QString& folder)
{
    Remove(slot);
    slot = std::make_unique<QTranslator>();
    if (!slot->load(locale, name, QStringLiteral("_"), folder))
    {
        slot.reset();
        return false;
    }
    QCoreApplication::installTranslator(slot.get());
    return true;
}
} // namespace

std::span<const TLanguageChoice> LanguageChoices()
{
    return Choices;
}

QLocale InterfaceLocale(const QString& preference)
{
    if (!preference.isEmpty())
    {
        const QLocale chosen(preference);
        // QLocale falls back to C for a name it does not know.
        if (chosen.language() != QLocale::C)
            return chosen;
    }
    return QLocale::system();
}

bool InstallTranslations(const QLocale& locale)
{
    // An English locale loads nothing: the source texts are English, and a stray "en" file of
    // Qt's own must not stand in for them.
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
    {
        Remove(OurTexts);
        Remove(QtTexts);
        return false;
    }
    const bool own = Replace(OurTexts, locale, QStringLiteral("fiberscope"), QStringLiteral(":/i18n"));
    Replace(QtTexts, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return own;
}
