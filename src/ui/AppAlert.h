#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The application's one modal alert: a warning with a title, a message and its buttons. Every
// alert of the recorder, the Studio and the update check goes through here, so that tests can put
// a presenter of their own in place of the dialog (setPresenter) and nothing blocks on a window.
//
// Threads: GUI thread only.

namespace tarnix::AppAlert {

struct Request {
    QString title;
    QString message;          // plain text, never markup
    QStringList buttons;      // in order; the first is the default
};

// Shows the request and returns the index of the chosen button (-1 when closed without one).
using Presenter = std::function<int(const Request&)>;

// A warning with one "OK" button; returns when the user dismisses it.
void show(const QString& title, const QString& message);

// A warning with the given buttons; returns the chosen one's index, -1 when dismissed.
int ask(const QString& title, const QString& message, const QStringList& buttons);

// Replaces the presenter (a QMessageBox over the active window by default) and returns the one it
// replaced; an empty function puts the default back.
Presenter setPresenter(Presenter presenter);

// The default presenter: a modal QMessageBox of warning style.
int presentInDialog(const Request& request);

} // namespace tarnix::AppAlert
