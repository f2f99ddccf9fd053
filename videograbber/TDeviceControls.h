#pragma once
// A video device's own controls (brightness, contrast, gain, focus, ... whatever its driver
// exposes), read and set through the V4L2 control ioctls on the device node, and a small dialog
// that shows them. The preview may run meanwhile: V4L2 allows a second open for controls.

#include <QString>
#include <vector>

class QWidget;

namespace TDeviceControls
{

struct Control
{
    unsigned Id = 0;
    QString Name;
    enum Kind
    {
        Integer,
        Boolean,
        Menu,
        Button
    } Type = Integer;
    int Minimum = 0, Maximum = 0, Step = 1, Default = 0, Value = 0;
    bool ReadOnly = false;
    bool Inactive = false;                      // e.g. manual focus while autofocus is on
    std::vector<std::pair<int, QString>> Items; // menu entries: value, name
};

// The controls of the device at `node`; empty when it has none or cannot be opened.
std::vector<Control> Query(const QString& node);

// Sets one control; false with a reason on failure.
bool Set(const QString& node, unsigned id, int value, QString* error);

// A modal dialog with a row per control; changes apply at once.
void ShowDialog(const QString& node, const QString& deviceName, QWidget* parent);

} // namespace TDeviceControls
