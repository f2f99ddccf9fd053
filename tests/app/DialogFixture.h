#pragma once
// The main window with its two dialogs as the program entry makes them, and a way to act on a
// modal dialog from inside its event loop so that no test waits for a person.

#include "capture/TParamSettingForm.h"
#include "criteria/TCriteriaForm.h"
#include "tests/app/MainFormFixture.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

class DialogTest : public MainFormTest
{
protected:
    void TearDown() override
    {
        Close();
        MainFormTest::TearDown();
    }

    // Builds the window and the dialogs, as the program entry does, and shows the window. The
    // start-up question is answered with startAnswer and then forgotten.
    void Build(QMessageBox::StandardButton startAnswer = QMessageBox::No)
    {
        Form = MakeForm(startAnswer);
        MainForm = Form.get();
        CriteriaForm = new TCriteriaForm(Form.get());
        ParamSettingForm = new TParamSettingForm(Form.get());
        Form->show();
        Messages.clear();
    }

    // Ends the run: the window and its dialogs go, as at the end of the program.
    void Close()
    {
        CriteriaForm = nullptr;
        ParamSettingForm = nullptr;
        MainForm = nullptr;
        Form.reset();
    }

    // Runs script inside the next modal dialog's event loop; a dialog the script leaves open is
    // closed without its handlers, so a failing test ends instead of waiting.
    static void WhenModal(std::function<void(QDialog*)> script)
    {
        QTimer::singleShot(0, [script] {
            QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            EXPECT_TRUE(dialog) << "no modal dialog is open";
            if (!dialog)
                return;
            script(dialog);
            if (dialog && dialog->isVisible())
            {
                ADD_FAILURE() << qPrintable(dialog->objectName()) << " was left open";
                dialog->done(QDialog::Rejected);
            }
        });
    }

    // Opens the parameter dialog with the settings button and runs script in it.
    void RunParamDialog(std::function<void(TParamSettingForm&)> script)
    {
        WhenModal([script](QDialog* d) {
            EXPECT_EQ(d, ParamSettingForm);
            script(*ParamSettingForm);
        });
        QTest::mouseClick(Form->SpeedButton1, Qt::LeftButton);
    }

    // From inside the parameter dialog: opens the criteria dialog and runs script in it.
    static void RunCriteriaDialog(std::function<void(TCriteriaForm&)> script)
    {
        WhenModal([script](QDialog* d) {
            EXPECT_EQ(d, CriteriaForm);
            script(*CriteriaForm);
        });
        QTest::mouseClick(ParamSettingForm->Button6, Qt::LeftButton);
    }

    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    QByteArray ReadFile(const QString& name) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    std::unique_ptr<TMainForm> Form;
};
