#pragma once
// The acceptance criteria dialog: the IEC limits or the user's own, per zone and class, for
// both fiber modes. Shown modally from the parameter dialog.

#include <QDialog>

class TCriteriaForm : public QDialog
{
public:
    explicit TCriteriaForm(QWidget* parent = nullptr);
};
