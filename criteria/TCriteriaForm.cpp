#include "criteria/TCriteriaForm.h"

TCriteriaForm::TCriteriaForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CriteriaForm"));
    setWindowTitle(QStringLiteral("Acceptance Criteria"));
}
