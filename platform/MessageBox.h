#pragma once
// The one way the windows ask the operator something or tell them about an error: a modal
// message box with a text, a caption, one icon and OK or Yes/No. Tests install an answer hook so
// that nothing waits for a person.

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

using TMessageBoxHook =
    std::function<QMessageBox::StandardButton(const QString& text, const QString& caption,
                                              QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;

// Shows the box owned by owner and returns the button pressed. With a hook installed the hook
// answers instead and no box appears.
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Installs the answering hook (an empty function removes it); returns the previous one.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// The box ShowMessageBox shows, not yet shown: at least as wide as its caption in a bold font
// plus CaptionAllowance pixels for the title bar's buttons, so the caption is not cut.
constexpr int CaptionAllowance = 140;
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
