#include "criteria/TCriteriaForm.h"

#include "app/EngineTexts.h"
#include "platform/FormWidgets.h"
#include "platform/IntText.h"
#include "platform/TApplication.h"
#include "profiles/ProfileEvaluation.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <algorithm>
#include <iterator>

namespace
{
const QString Mu = QStringLiteral("\u03BCm");

// A bold caption of the table, as tall as a combo so the two share a middle line.
QLabel* Caption(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = Make<QLabel>(parent, nullptr, left, top, 0, 21);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->resize(label->sizeHint().width(), 21);
    return label;
}

QFrame* Line(QWidget* parent, QFrame::Shape shape, int left, int top, int width, int height)
{
    auto* line = Make<QFrame>(parent, nullptr, left, top, width, height);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
} // namespace

TCriteriaForm::TCriteriaForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("CriteriaForm"));
    setWindowTitle(tr("Acceptance Criteria"));
    if (parent)
        setFont(parent->font());
    setFixedSize(531, 467);

    RadioGroup1 = Make<QFrame>(this, "RadioGroup1", 16, 48, 497, 377);
    RadioGroup1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1 = Make<QFrame>(this, "Panel1", 20, 60, 485, 353);
    DEFAULT = Make<QRadioButton>(this, "DEFAULT", 24, 16, 260, 17);
    DEFAULT->setText(tr("Default (IEC Standard 61300-3-35)"));
    DEFAULT->setChecked(true);
    // The second choice sits on the frame's top edge, as its caption.
    USERDEFINED = Make<QRadioButton>(this, "USERDEFINED", 24, 40, 0, 17);
    USERDEFINED->setText(tr("User Defined "));
    USERDEFINED->resize(USERDEFINED->sizeHint().width(), 17);
    USERDEFINED->setAutoFillBackground(true);
    auto* choice = new QButtonGroup(this);
    choice->addButton(DEFAULT);
    choice->addButton(USERDEFINED);

    Line(Panel1, QFrame::HLine, 0, 22, 485, 3);
    Line(Panel1, QFrame::HLine, 0, 118, 485, 3);
    Line(Panel1, QFrame::HLine, 0, 262, 485, 3);
    Line(Panel1, QFrame::VLine, 126, 0, 3, 353);
    Line(Panel1, QFrame::VLine, 246, 0, 3, 353);

    Caption(Panel1, tr("Single Mode"), 144, 0);
    Caption(Panel1, tr("Multi Mode"), 344, 0);
    const struct
    {
        int Top;
        const char* Text;
    } rows[] = {{32, QT_TR_NOOP("Core Zone")},
                {64, QT_TR_NOOP("Scratches")},
                {88, QT_TR_NOOP("Defects")},
                {128, QT_TR_NOOP("Cladding Zone")},
                {160, QT_TR_NOOP("Scratches")},
                {184, QT_TR_NOOP("Defects ( <2 \u03BCm)")},
                {208, QT_TR_NOOP("Defects ( <2.5 \u03BCm)")},
                {232, QT_TR_NOOP("Defects ( <5 \u03BCm)")},
                {272, QT_TR_NOOP("Contact Zone")},
                {304, QT_TR_NOOP("Scratches")},
                {328, QT_TR_NOOP("Defects ( >10 \u03BCm)")}};
    for (const auto& row : rows)
        Caption(Panel1, tr(row.Text), 16, row.Top);
    Caption(Panel1, QStringLiteral("0~25 ") + Mu, 144, 32);
    Caption(Panel1, QStringLiteral("0~65 ") + Mu, 344, 32);
    Caption(Panel1, QStringLiteral("25~120 ") + Mu, 144, 128);
    Caption(Panel1, QStringLiteral("65~120 ") + Mu, 344, 128);
    Caption(Panel1, QStringLiteral("130~250 ") + Mu, 144, 272);
    Caption(Panel1, QStringLiteral("130~250 ") + Mu, 344, 272);

    const QStringList items = {tr("None"),          QStringLiteral("1"), QStringLiteral("2"),
                               QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                               QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                               QStringLiteral("9"), tr("No Limit")};
    auto combo = [&](QComboBox** member, const char* name, int left, int top, const QString& after) {
        auto* c = Make<QComboBox>(Panel1, name, left, top, 65, 21);
        c->setEditable(true);
        // A typed text is a limit, not a new item of the list.
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        // "No Limit" fits the narrow combo in a condensed face.
        QFont narrow = c->font();
        narrow.setStretch(QFont::Condensed);
        c->setFont(narrow);
        connect(c, &QComboBox::activated, this, Guarded([this] { S1Change(); }));
        connect(c->lineEdit(), &QLineEdit::textEdited, this, Guarded([this] { S1Change(); }));
        if (!after.isEmpty())
            Caption(Panel1, after, left + 69, top);
        *member = c;
    };
    const QString none;
    combo(&S1, "S1", 136, 64, none);
    combo(&S2, "S2", 136, 88, none);
    combo(&S3, "S3", 136, 160, QStringLiteral(">3 ") + Mu);
    combo(&S4, "S4", 136, 184, none);
    combo(&S5, "S5", 136, 208, none);
    combo(&S6, "S6", 136, 232, none);
    combo(&S7, "S7", 136, 304, none);
    combo(&S8, "S8", 136, 328, none);
    combo(&M11, "M11", 256, 64, QStringLiteral("<3 ") + Mu);
    combo(&M12, "M12", 368, 64, QStringLiteral(">3 ") + Mu);
    combo(&M21, "M21", 256, 88, QStringLiteral("<5 ") + Mu);
    combo(&M22, "M22", 368, 88, QStringLiteral(">5 ") + Mu);
    combo(&M3, "M3", 336, 160, QStringLiteral(">3 ") + Mu);
    combo(&M4, "M4", 336, 184, none);
    combo(&M5, "M5", 336, 208, none);
    combo(&M6, "M6", 336, 232, none);
    combo(&M7, "M7", 336, 304, none);
    combo(&M8, "M8", 336, 328, none);

    const Slot table[ComboCount] = {
        {S1, &SingleLimits[0], 0},    {S2, &SingleLimits[1], 0},    {S3, &SingleLimits[2], 0},
        {S4, &SingleLimits[3], 10},   {S5, &SingleLimits[4], 5},    {S6, &SingleLimits[5], 0},
        {S7, &SingleLimits[6], 10},   {S8, &SingleLimits[7], 0},    {M11, &MultiLimits[0][0], 5},
        {M12, &MultiLimits[0][1], 0}, {M21, &MultiLimits[1][0], 4}, {M22, &MultiLimits[1][1], 0},
        {M3, &MultiLimits[2][0], 0},  {M4, &MultiLimits[3][0], 10}, {M5, &MultiLimits[4][0], 5},
        {M6, &MultiLimits[5][0], 0},  {M7, &MultiLimits[6][0], 10}, {M8, &MultiLimits[7][0], 0}};
    std::copy(std::begin(table), std::end(table), Slots_);

    Button1 = Make<QPushButton>(this, "Button1", 227, 432, 75, 25);
    Button1->setText(tr("Close"));
    Button1->setDefault(true);

    connect(DEFAULT, &QRadioButton::clicked, this, Guarded([this] { DEFAULTClick(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));

    // The profile choice sits at the right of the first line; a true-size profile's table takes
    // the place of the classic one.
    auto* profileLabel = Make<QLabel>(this, "PROFILELABEL", 292, 14, 44, 21);
    profileLabel->setText(tr("Profile"));
    profileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PROFILE = Make<QComboBox>(this, "PROFILE", 342, 14, 171, 21);
    // Scrolled, and the note wrapped: a plant's table may be longer than the built-in ones.
    PROFILESCROLL = Make<QScrollArea>(this, "PROFILESCROLL", 16, 48, 497, 377);
    PROFILESCROLL->setFrameStyle(QFrame::Box | QFrame::Sunken);
    PROFILESCROLL->setWidgetResizable(true);
    PROFILESCROLL->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PROFILETABLE = new QLabel;
    PROFILETABLE->setObjectName(QStringLiteral("PROFILETABLE"));
    PROFILETABLE->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PROFILETABLE->setTextFormat(Qt::RichText);
    PROFILETABLE->setWordWrap(true);
    PROFILETABLE->setMargin(8);
    PROFILESCROLL->setWidget(PROFILETABLE);
    PROFILESCROLL->setVisible(false);
    PROFILENOTE = Make<QLabel>(this, "PROFILENOTE", 16, 430, 205, 30);
    PROFILENOTE->setWordWrap(true);
    PROFILENOTE->setStyleSheet(QStringLiteral("color: #b00000"));
    connect(PROFILE, &QComboBox::currentIndexChanged, this, Guarded([this] { PROFILEChange(); }));
    SetProfiles(BuiltinProfiles(), ClassicProfile().Name);

    USERDEFINED->raise();
    DEFAULTClick();
}

void TCriteriaForm::SetProfiles(const std::vector<TCriteriaProfile>& profiles, const std::string& current,
                                const QStringList& problems)
{
    Profiles_ = profiles;
    const QSignalBlocker quiet(PROFILE);
    PROFILE->clear();
    int chosen = 0;
    for (std::size_t i = 0; i < Profiles_.size(); ++i)
    {
        PROFILE->addItem(EngineText(Profiles_[i].Title), QString::fromStdString(Profiles_[i].Name));
        if (Profiles_[i].Name == current)
            chosen = static_cast<int>(i);
    }
    PROFILE->setCurrentIndex(chosen);
    // Which files and where, in the room beside Close; the whole reasons in the tool tip.
    QStringList brief;
    for (const QString& problem : problems)
    {
        const qsizetype second = problem.indexOf(QLatin1Char(':'), problem.indexOf(QLatin1Char(':')) + 1);
        brief << (second > 0 ? problem.left(second) : problem);
    }
    PROFILENOTE->setText(brief.isEmpty() ? QString()
                                         : tr("Not loaded: %1").arg(brief.join(QStringLiteral("; "))));
    PROFILENOTE->setToolTip(problems.join(QLatin1Char('\n')));
    PROFILEChange();
}

const TCriteriaProfile& TCriteriaForm::ChosenProfile() const
{
    const int i = PROFILE->currentIndex();
    return i >= 0 && i < static_cast<int>(Profiles_.size()) ? Profiles_[static_cast<std::size_t>(i)]
                                                            : ClassicProfile();
}

void TCriteriaForm::PROFILEChange()
{
    const TCriteriaProfile& p = ChosenProfile();
    for (QWidget* w : std::initializer_list<QWidget*>{DEFAULT, USERDEFINED, RadioGroup1, Panel1})
        w->setVisible(p.Classic);
    PROFILESCROLL->setVisible(!p.Classic);
    if (p.Classic)
        return;
    // The zones and rows as the report grid will show them, sizes in true micrometres.
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=1>");
    for (const TProfileZone& z : p.Zones)
    {
        html += QStringLiteral("<tr><td colspan=2><b>%1</b></td></tr>")
                    .arg(QString::fromStdString(ZoneCaption(z)).toHtmlEscaped());
        for (const TProfileRule& r : z.Rules)
        {
            const QString item = QString::fromStdString(RuleItem(r));
            html += QStringLiteral("<tr><td width=200>&nbsp;&nbsp;&nbsp;%1</td><td>%2</td></tr>")
                        .arg(item.toHtmlEscaped(), QString::fromStdString(ProfileLimitText(r.Limit)));
        }
    }
    html += QStringLiteral("</table><p>") +
            tr("Sizes in true micrometres: the located cladding is 125 \u00B5m across. A defect counts "
               "in the zone of its centre, a scratch in every zone it crosses.") +
            QStringLiteral("</p>");
    PROFILETABLE->setText(html);
}

int TCriteriaForm::LimitFromText(const QString& text)
{
    // The combo's words in English and in the window's language: what the user picks or types.
    if (text == QLatin1String("None") || text == tr("None") || text.isEmpty())
        return 0;
    if (text == QLatin1String("No Limit") || text == tr("No Limit"))
        return 99999;
    return StrToInt(text);
}

void TCriteriaForm::S1Change()
{
    USERDEFINED->setChecked(true);
}

void TCriteriaForm::DEFAULTClick()
{
    // The text is set as well: a typed text does not change the current index, so setting an
    // index equal to the current one would leave the typed text in place.
    for (const Slot& s : Slots_)
    {
        s.Combo->setCurrentIndex(s.DefaultIndex);
        s.Combo->setEditText(s.Combo->itemText(s.DefaultIndex));
    }
}

void TCriteriaForm::Button1Click()
{
    // The classic limits are read only when they are the ones in use.
    if (ChosenProfile().Classic && !DEFAULT->isChecked())
    {
        // Every text is converted before any slot changes, so a refused text leaves the limits of
        // the last Close whole and the dialog open for a correction.
        int values[ComboCount];
        for (int i = 0; i < ComboCount; ++i)
            values[i] = LimitFromText(Slots_[i].Combo->currentText());
        for (int i = 0; i < ComboCount; ++i)
            *Slots_[i].Limit = static_cast<float>(values[i]);
    }
    accept();
}

void TCriteriaForm::reject()
{
    Button1Click();
}
