// Program entry: the application, its three forms in order, the event loop.

#include "app/TMainForm.h"
#include "capture/TParamSettingForm.h"
#include "criteria/TCriteriaForm.h"
#include "platform/TApplication.h"

#include <exception>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    try
    {
        TApplication::setApplicationName(QStringLiteral("Veltrana - Pellimor"));
        MainForm = new TMainForm;
        CriteriaForm = new TCriteriaForm(MainForm);
        ParamSettingForm = new TParamSettingForm(MainForm);
        MainForm->show();
        TApplication::exec();
    }
    catch (const std::exception& e)
    {
        ShowException(QString::fromUtf8(e.what()));
    }
    catch (...)
    {
        ShowException(QString());
    }
    delete MainForm;
    MainForm = nullptr;
    CriteriaForm = nullptr;
    ParamSettingForm = nullptr;
    return 0;
}
