#pragma once
// The parameter setting dialog: thresholds, frames per capture, counts on the result, image
// folder. Shown modally from the main window.

#include <QDialog>

class TParamSettingForm : public QDialog
{
public:
    explicit TParamSettingForm(QWidget* parent = nullptr);
};
