#include "capture/TParamSettingForm.h"

TParamSettingForm::TParamSettingForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ParamSettingForm"));
    setWindowTitle(QStringLiteral("Parameter Setting"));
}
