#include "platform/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <utility>

namespace
{
TPrintDialogHook& Hook()
{
    static TPrintDialogHook hook;
    return hook;
}
} // namespace

bool ExecPrintDialog(QWidget* owner, QPrinter& printer)
{
    if (Hook())
        return Hook()(printer);
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("PRINT"));
    return dialog.exec() == QDialog::Accepted;
}

TPrintDialogHook SetPrintDialogHook(TPrintDialogHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}
