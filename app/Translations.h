#pragma once
// The language of the window's texts. Our texts are embedded as :/i18n/fiberscope_<lang>.qm
// (cmake/Translations.cmake); Qt's own (standard buttons, file dialogs) come from the system's
// qtbase_<lang>.qm. The language is chosen once, before any window is built: the per-user
// preference when set, else the desktop's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, as Qt reads them).

#include <QLocale>
#include <QString>
#include <span>

struct TLanguageChoice
{
    // Locale name stored in the preference; empty for the desktop's language.
    const char* Name;
    // How the language calls itself; not translated, so a user can find their own in any language.
    const char* Native;
};

// The languages the parameter dialog offers, the desktop's first.
std::span<const TLanguageChoice> LanguageChoices();

// The locale the texts follow for a stored preference: that language, or the desktop's when the
// preference is empty or names no locale Qt knows.
QLocale InterfaceLocale(const QString& preference);

// Installs the translators for locale on the application, replacing those of an earlier call.
// English, and a language without a translation, leave the English source texts. Returns whether
// our own texts were found for the locale.
bool InstallTranslations(const QLocale& locale);
