#pragma once
// The platform's print dialog, shown modally over the window that asks. Tests install an answer
// hook, as for message boxes, so that nothing waits for a person; the hook may set the printer
// up (a PDF file, a page size) the way the operator's choices would.

#include <functional>

class QPrinter;
class QWidget;

using TPrintDialogHook = std::function<bool(QPrinter& printer)>;

// True when the operator confirmed; the printer then holds their choices.
bool ExecPrintDialog(QWidget* owner, QPrinter& printer);

// Installs the answering hook (an empty function removes it); returns the previous one.
TPrintDialogHook SetPrintDialogHook(TPrintDialogHook hook);
