#pragma once
// The acceptance criteria dialog: the IEC limits or the user's own, per zone and class, for
// both fiber modes. Shown modally from the parameter dialog, which applies the outcome to the
// analyzer. The dialog lives for the whole run, so its choices survive between openings.

#include "profiles/CriteriaProfile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

class TCriteriaForm : public QDialog
{
    Q_DECLARE_TR_FUNCTIONS(TCriteriaForm)

public:
    explicit TCriteriaForm(QWidget* parent = nullptr);

    static constexpr int ComboCount = 18;

    QRadioButton* DEFAULT = nullptr;
    QRadioButton* USERDEFINED = nullptr;
    QFrame* RadioGroup1 = nullptr; // the frame around the table, with USERDEFINED on its top edge
    QFrame* Panel1 = nullptr;
    QComboBox* S1 = nullptr;
    QComboBox* S2 = nullptr;
    QComboBox* S3 = nullptr;
    QComboBox* S4 = nullptr;
    QComboBox* S5 = nullptr;
    QComboBox* S6 = nullptr;
    QComboBox* S7 = nullptr;
    QComboBox* S8 = nullptr;
    QComboBox* M11 = nullptr;
    QComboBox* M12 = nullptr;
    QComboBox* M21 = nullptr;
    QComboBox* M22 = nullptr;
    QComboBox* M3 = nullptr;
    QComboBox* M4 = nullptr;
    QComboBox* M5 = nullptr;
    QComboBox* M6 = nullptr;
    QComboBox* M7 = nullptr;
    QComboBox* M8 = nullptr;
    QPushButton* Button1 = nullptr;
    // The acceptance profile: the classic one shows the table above; a true-size one shows its
    // own zones and limits in its place (PROFILETABLE). PROFILENOTE names refused profile files.
    QComboBox* PROFILE = nullptr;
    QScrollArea* PROFILESCROLL = nullptr; // holds PROFILETABLE
    QLabel* PROFILETABLE = nullptr;
    QLabel* PROFILENOTE = nullptr;
    // Fills the profile list before an opening; problems are the refused files.
    void SetProfiles(const std::vector<TCriteriaProfile>& profiles, const std::string& current,
                     const QStringList& problems = {});
    const TCriteriaProfile& ChosenProfile() const;
    void PROFILEChange();

    // The limits of the last user-defined Close, in the layout of the analyzer's criteria tables.
    float SingleLimits[8] = {};
    float MultiLimits[8][2] = {};

    // "None" and an empty text give 0, "No Limit" 99999, anything else must be a whole decimal
    // number (a sign allowed); otherwise the integer conversion error names the text.
    static int LimitFromText(const QString& text);

    void S1Change();
    void DEFAULTClick();
    void Button1Click();

protected:
    // Escape closes the way Close does, so the combos shown are the limits that apply.
    void reject() override;

private:
    // The eighteen combos in the order they are read, with their slots and default items.
    struct Slot
    {
        QComboBox* Combo;
        float* Limit;
        int DefaultIndex;
    };
    Slot Slots_[ComboCount] = {};
    std::vector<TCriteriaProfile> Profiles_;
};
