#pragma once
// The application object with the one exception display: an exception that escapes an event
// handler is shown with its message in a message box, and the event loop goes on. The state a
// handler changed before it threw stays changed.

#include <QApplication>
#include <QString>
#include <cstddef>
#include <exception>
#include <tuple>
#include <type_traits>
#include <utility>

class TApplication : public QApplication
{
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an exception's message the way the exception display does (error icon, the
// application's name as caption). Also used by the program entry.
void ShowException(const QString& message);

namespace GuardedDetail
{
template <typename F, typename... A> void CallWithPrefix(const F& f, A&&... a);

template <typename F, typename T, std::size_t... I>
void DropLast(const F& f, T&& t, std::index_sequence<I...>)
{
    CallWithPrefix(f, std::get<I>(std::move(t))...);
}

// Calls f with the longest leading part of the arguments it accepts, as Qt does for a slot that
// takes fewer arguments than its signal.
template <typename F, typename... A> void CallWithPrefix(const F& f, A&&... a)
{
    if constexpr (std::is_invocable_v<const F&, A...>)
        f(std::forward<A>(a)...);
    else
    {
        static_assert(sizeof...(A) > 0, "the handler cannot be called with the signal's arguments");
        DropLast(f, std::forward_as_tuple(std::forward<A>(a)...),
                 std::make_index_sequence<sizeof...(A) - 1>{});
    }
}
} // namespace GuardedDetail

// Wraps a slot so that an exception it throws stops at the connection and goes to the exception
// display: Qt's signal dispatch must not be unwound by an exception. The handler itself still
// throws, so code that calls it directly sees the exception.
template <typename F> auto Guarded(F handler)
{
    return [handler = std::move(handler)](auto&&... args) -> void {
        try
        {
            GuardedDetail::CallWithPrefix(handler, std::forward<decltype(args)>(args)...);
        }
        catch (const std::exception& e)
        {
            ShowException(QString::fromUtf8(e.what()));
        }
        catch (...)
        {
            ShowException(QString());
        }
    };
}
