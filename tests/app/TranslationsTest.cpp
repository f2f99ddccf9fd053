// The window's language: our German texts and Qt's own load before a window is built, the
// preference wins over the desktop, English stays the source texts, and the file names the window
// writes never take a locale's date.
#include "app/Translations.h"

#include "capture/TParamSettingForm.h"
#include "tests/app/MainFormFixture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

namespace
{
QString Sample(const char* name)
{
    return QStringLiteral(FS_SOURCE_DIR "/samples/") + QLatin1String(name);
}

struct CaptionCase
{
    const char* Locale;
    const char* Check;
    const char* Connect;
    const char* SingleMode;
    const char* SerialLabel;
    const char* Cancel; // Qt's own translation of a standard button
};

class TranslationsTest : public MainFormTest, public ::testing::WithParamInterface<CaptionCase>
{
protected:
    void TearDown() override
    {
        InstallTranslations(QLocale(QLocale::English));
        QLocale::setDefault(QLocale::c());
        MainFormTest::TearDown();
    }
};

TEST_P(TranslationsTest, TheWindowIsBuiltInTheChosenLanguage)
{
    const CaptionCase& c = GetParam();
    InstallTranslations(QLocale(QString::fromLatin1(c.Locale)));
    auto form = MakeForm();
    EXPECT_EQ(form->CHECK->text(), QString::fromUtf8(c.Check));
    EXPECT_EQ(form->CONNECT->text(), QString::fromUtf8(c.Connect));
    EXPECT_EQ(form->M_SINGLE->text(), QString::fromUtf8(c.SingleMode));
    EXPECT_EQ(form->Label1->text(), QString::fromUtf8(c.SerialLabel));
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
              QString::fromUtf8(c.Cancel));
}

// English byte for byte as the source texts; a language without translations falls back to them.
INSTANTIATE_TEST_SUITE_P(
    Languages, TranslationsTest,
    ::testing::Values(
        CaptionCase{"de", "Prüfen", "Mikroskop verbinden", "Singlemode", "Seriennummer", "Abbrechen"},
        CaptionCase{"de_AT", "Prüfen", "Mikroskop verbinden", "Singlemode", "Seriennummer", "Abbrechen"},
        CaptionCase{"en", "Check", "Connect Scope", "Single Mode", "Serial Number", "Cancel"},
        CaptionCase{"sw", "Check", "Connect Scope", "Single Mode", "Serial Number", "Cancel"}));

TEST(InterfaceLocale, ThePreferenceWinsOverTheDesktopUnlessItNamesNoLanguage)
{
    EXPECT_EQ(InterfaceLocale(QStringLiteral("de")).language(), QLocale::German);
    EXPECT_EQ(InterfaceLocale(QStringLiteral("pt_BR")).territory(), QLocale::Brazil);
    EXPECT_EQ(InterfaceLocale(QStringLiteral("zh_CN")).language(), QLocale::Chinese);
    EXPECT_EQ(InterfaceLocale(QString()), QLocale::system());
    EXPECT_EQ(InterfaceLocale(QStringLiteral("zz")), QLocale::system());
}

TEST(InterfaceLocale, EveryOfferedLanguageHasItsTranslationsEmbedded)
{
    for (const TLanguageChoice& c : LanguageChoices())
    {
        const QString name = QString::fromLatin1(c.Name);
        if (name.isEmpty() || name == QLatin1String("en"))
            continue;
        EXPECT_TRUE(InstallTranslations(QLocale(name))) << c.Name;
    }
    InstallTranslations(QLocale(QLocale::English));
}

// The parameter dialog offers every language and stores the choice by its locale name.
TEST_F(MainFormTest, TheLanguageChoiceIsTakenBackAsALocaleName)
{
    TParamSettingForm dialog;
    const auto choices = LanguageChoices();
    ASSERT_EQ(dialog.LANGUAGE->count(), static_cast<int>(choices.size()));
    TParamValues v;
    v.PlantSslMode = QStringLiteral("prefer");
    v.CaptureCount = 3;
    v.Language = QStringLiteral("pt_BR");
    dialog.Fill(v);
    EXPECT_EQ(dialog.LANGUAGE->currentText(), QStringLiteral("Portugu\u00EAs (Brasil)"));
    EXPECT_EQ(dialog.ReadValues().Language, QStringLiteral("pt_BR"));
    v.Language.clear();
    dialog.Fill(v);
    EXPECT_EQ(dialog.ReadValues().Language, QString());
}

class DatedNameTest : public MainFormTest, public ::testing::WithParamInterface<const char*>
{
protected:
    void TearDown() override
    {
        InstallTranslations(QLocale(QLocale::English));
        QLocale::setDefault(QLocale::c());
        MainFormTest::TearDown();
    }
};

// Ctrl+S's report is named by the ISO date in every locale: no space, no separator.
TEST_P(DatedNameTest, TheSavedReportIsNamedByTheIsoDate)
{
    const QLocale locale(QString::fromLatin1(GetParam()));
    QLocale::setDefault(locale);
    InstallTranslations(locale);
    auto form = MakeForm();
    form->SetImageFolder(Dir.path());
    form->OpenImageFile(QFile::encodeName(Sample("clean-pass.png")).toStdString());
    form->SpeedButton2Click();
    const QStringList files = QDir(Dir.path()).entryList({QStringLiteral("*.bmp")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}_0001\\.bmp$")).match(files[0]).hasMatch())
        << files[0].toStdString();
    EXPECT_FALSE(files[0].contains(QLatin1Char(' ')) || files[0].contains(QLatin1Char('/')));
}

INSTANTIATE_TEST_SUITE_P(Locales, DatedNameTest, ::testing::Values("de_DE", "ja_JP", "en_US"));
} // namespace
