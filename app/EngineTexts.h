#pragma once
// The engine's and the profiles' fixed texts (verdicts, the reasons for no verdict, the built-in
// profiles' titles) as the window shows them. The engine keeps its English texts, which the log and
// the records store; the window translates them as it shows them, keyed by the English text. A text
// without a translation (a user profile's title, a count) is shown as it is.

#include <QString>
#include <string>

// The translation context of these texts; records/PdfReport.cpp uses it too.
inline constexpr const char* EngineTextContext = "EngineText";

QString EngineText(const char* text);
QString EngineText(const std::string& text);
