#include "platform/MessageBox.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QRegularExpression>
#include <QSpacerItem>
#include <utility>

namespace
{
TMessageBoxHook& Hook()
{
    static TMessageBoxHook hook;
    return hook;
}

// Word joiners between the characters of every address ("http://host:port/path"), so the box's
// word wrap never breaks one (Qt would break it after "http://" or at a "-").
QString KeepAddressesWhole(const QString& text)
{
    static const QRegularExpression address(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://\\S+"));
    QString out;
    qsizetype last = 0;
    for (auto it = address.globalMatch(text); it.hasNext();)
    {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QString url = m.captured();
        for (qsizetype i = 0; i < url.size(); ++i)
        {
            if (i > 0)
                out += QChar(0x2060);
            out += url[i];
        }
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}
} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                           QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    if (Hook())
        return Hook()(text, caption, icon, buttons);
    const auto box = MakeMessageBox(owner, text, caption, icon, buttons);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                            QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(icon, caption, KeepAddressesWhole(text), buttons, owner);
    // A short text makes a narrow box, and the window manager then cuts the caption
    // ("Video Source ..."). A spacer row holds the box as wide as the caption in a bold title
    // font, plus room for the title bar's buttons.
    QFont titleFont = box->font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(caption) + CaptionAllowance;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook)
{
    return std::exchange(Hook(), std::move(hook));
}
