#include "platform/MessageBox.h"

#include <utility>

namespace
{
TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}
} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                           QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    if (Hook())
        return Hook()(text, caption, icon, buttons);
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}
