#include "app/EngineTexts.h"

#include <QCoreApplication>

namespace
{
// Only for lupdate: the texts the engine and the built-in profiles (profiles/BuiltinProfiles.cpp)
// can hand the window, byte for byte. A text added there is added here.
[[maybe_unused]] const char* const Known[] = {
    QT_TRANSLATE_NOOP("EngineText", "Pass"),
    QT_TRANSLATE_NOOP("EngineText", "Fail"),
    QT_TRANSLATE_NOOP("EngineText", "Not judged"),
    QT_TRANSLATE_NOOP("EngineText", "No fiber"),
    QT_TRANSLATE_NOOP("EngineText", "Not in view"),
    QT_TRANSLATE_NOOP("EngineText", "Fiber edge uncertain: centre the fiber, or drag the zones onto it"),
    QT_TRANSLATE_NOOP("EngineText", "Fiber not wholly in view: centre it"),
    QT_TRANSLATE_NOOP("EngineText", "No fiber: the picture is too small to hold one"),
    QT_TRANSLATE_NOOP("EngineText",
                      "No fiber: nothing in the picture has an edge (scope capped, or far out of focus?)"),
    QT_TRANSLATE_NOOP("EngineText", "No fiber: the round edge in view is not a whole cladding"),
    QT_TRANSLATE_NOOP("EngineText", "No fiber: no cladding edge in the picture"),
    QT_TRANSLATE_NOOP("EngineText", "Station (classic)"),
    QT_TRANSLATE_NOOP("EngineText", "Single mode PC (UPC)"),
    QT_TRANSLATE_NOOP("EngineText", "Single mode APC"),
    QT_TRANSLATE_NOOP("EngineText", "Multimode PC"),
    QT_TRANSLATE_NOOP("EngineText", "MT single mode APC (12 fibres)"),
    QT_TRANSLATE_NOOP("EngineText", "MT multimode PC (12 fibres)"),
};
} // namespace

QString EngineText(const char* text)
{
    return QCoreApplication::translate(EngineTextContext, text);
}

QString EngineText(const std::string& text)
{
    return EngineText(text.c_str());
}
