#include "videograbber/TDeviceControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace TDeviceControls
{

namespace
{

class DeviceFd
{
public:
    explicit DeviceFd(const QString& node)
        : Fd_(::open(QFile::encodeName(node).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~DeviceFd()
    {
        if (Fd_ >= 0)
            ::close(Fd_);
    }
    DeviceFd(const DeviceFd&) = delete;
    DeviceFd& operator=(const DeviceFd&) = delete;
    int Get() const { return Fd_; }

private:
    int Fd_;
};

int Ioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do
        r = ::ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r;
}

} // namespace

std::vector<Control> Query(const QString& node)
{
    std::vector<Control> out;
    DeviceFd fd(node);
    if (fd.Get() < 0)
        return out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    // Drivers list a few dozen controls at most; the bound guards against a looping driver.
    for (int n = 0; n < 512 && Ioctl(fd.Get(), VIDIOC_QUERYCTRL, &q) == 0; ++n)
    {
        const unsigned id = q.id;
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (q.flags & V4L2_CTRL_FLAG_DISABLED)
            continue;
        Control c;
        switch (q.type)
        {
        case V4L2_CTRL_TYPE_INTEGER:
            c.Type = Control::Integer;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            c.Type = Control::Boolean;
            break;
        case V4L2_CTRL_TYPE_MENU:
            c.Type = Control::Menu;
            break;
        case V4L2_CTRL_TYPE_BUTTON:
            c.Type = Control::Button;
            break;
        default:
            continue; // control classes, strings, 64-bit and compound controls
        }
        c.Id = id;
        c.Name = QString::fromUtf8(reinterpret_cast<const char*>(q.name),
                                   int(strnlen(reinterpret_cast<const char*>(q.name), sizeof q.name)));
        c.Minimum = q.minimum;
        c.Maximum = q.maximum;
        c.Step = q.step > 0 ? q.step : 1;
        c.Default = q.default_value;
        c.ReadOnly = q.flags & V4L2_CTRL_FLAG_READ_ONLY;
        c.Inactive = q.flags & V4L2_CTRL_FLAG_INACTIVE;
        if (c.Type != Control::Button)
        {
            v4l2_control value{id, 0};
            c.Value = Ioctl(fd.Get(), VIDIOC_G_CTRL, &value) == 0 ? value.value : c.Default;
        }
        if (c.Type == Control::Menu)
            for (int i = c.Minimum; i <= c.Maximum && i - c.Minimum < 64; ++i)
            {
                v4l2_querymenu m{};
                m.id = id;
                m.index = unsigned(i);
                if (Ioctl(fd.Get(), VIDIOC_QUERYMENU, &m) == 0)
                    c.Items.emplace_back(i, QString::fromUtf8(reinterpret_cast<const char*>(m.name)));
            }
        out.push_back(std::move(c));
    }
    return out;
}

bool Set(const QString& node, unsigned id, int value, QString* error)
{
    DeviceFd fd(node);
    v4l2_control c{id, value};
    if (fd.Get() >= 0 && Ioctl(fd.Get(), VIDIOC_S_CTRL, &c) == 0)
        return true;
    if (error)
        *error = QString("cannot set the control on %1: %2").arg(node, strerror(errno));
    return false;
}

namespace
{

// One row's editor, wired to set its control when the user changes it; `changed` runs after.
QWidget* MakeEditor(const Control& c, const QString& node, QLabel* status, QWidget* parent,
                    const std::function<void()>& changed)
{
    auto apply = [node, id = c.Id, status, changed](int value) {
        QString error;
        status->setText(Set(node, id, value, &error) ? QString() : error);
        changed();
    };
    QWidget* editor = nullptr;
    switch (c.Type)
    {
    case Control::Integer: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setRange(c.Minimum, c.Maximum);
        slider->setSingleStep(c.Step);
        slider->setPageStep(c.Step);
        slider->setValue(c.Value);
        QObject::connect(slider, &QSlider::valueChanged, slider, apply);
        editor = slider;
        break;
    }
    case Control::Boolean: {
        auto* box = new QCheckBox(parent);
        box->setChecked(c.Value != 0);
        QObject::connect(box, &QCheckBox::toggled, box, [apply](bool on) { apply(on ? 1 : 0); });
        editor = box;
        break;
    }
    case Control::Menu: {
        auto* combo = new QComboBox(parent);
        for (const auto& [value, name] : c.Items)
        {
            combo->addItem(name, value);
            if (value == c.Value)
                combo->setCurrentIndex(combo->count() - 1);
        }
        QObject::connect(combo, &QComboBox::activated, combo,
                         [apply, combo](int index) { apply(combo->itemData(index).toInt()); });
        editor = combo;
        break;
    }
    case Control::Button: {
        auto* button = new QPushButton(c.Name, parent);
        QObject::connect(button, &QPushButton::clicked, button, [apply] { apply(1); });
        editor = button;
        break;
    }
    }
    editor->setEnabled(!c.ReadOnly && !c.Inactive);
    return editor;
}

} // namespace

void ShowDialog(const QString& node, const QString& deviceName, QWidget* parent)
{
    QDialog dlg(parent);
    dlg.setObjectName("VideoDeviceDialog");
    dlg.setWindowTitle(deviceName);
    auto* layout = new QVBoxLayout(&dlg);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto* status = new QLabel(&dlg);
    status->setWordWrap(true);
    // Switching an automatic mode (exposure, focus, white balance) makes its manual controls
    // active or inactive: after every change the rows follow the driver's flags.
    std::vector<std::pair<unsigned, QWidget*>> editors;
    auto refresh = [&node, &editors] {
        for (const Control& c : Query(node))
            for (auto& [id, editor] : editors)
                if (id == c.Id)
                    editor->setEnabled(!c.ReadOnly && !c.Inactive);
    };
    for (const Control& c : Query(node))
    {
        QWidget* editor = MakeEditor(c, node, status, &dlg, refresh);
        editors.emplace_back(c.Id, editor);
        form->addRow(c.Name, editor);
    }
    layout->addWidget(status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    dlg.exec();
}

} // namespace TDeviceControls
