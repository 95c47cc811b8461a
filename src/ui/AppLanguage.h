#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QCoreApplication;

// The language Tarnix speaks: its own translations (compiled into the program as
// ":/tarnix/translations/tarnix_LANG.qm") and Qt's for the standard dialogs and buttons, chosen
// from the environment the way gettext programs choose: the LANGUAGE list first, then the first
// of LC_ALL, LC_MESSAGES and LANG that is set. A language without a translation is skipped; "C",
// "POSIX" and English stop the search, as the source texts are English. GUI thread, before the
// first window is made.

namespace tarnix::AppLanguage {

// Reads an environment variable; tests pass their own.
using Environment = std::function<QString(const char* name)>;

// The languages asked for, most wanted first, without encoding or modifier ("de_DE.UTF-8@euro"
// gives "de_DE").
QStringList requested(const Environment& environment);

// The translation to load for the requests: the first request, or its language without the
// country ("de_AT" gives "de"), that is among those available. Empty for English.
QString choose(const QStringList& requests, const QStringList& available);

// The languages Tarnix has translations for ("de", "es").
QStringList available();

// Loads and installs the translators for the process environment's language on the application,
// which owns them. Returns the language installed, empty for English.
QString install(QCoreApplication& application);

} // namespace tarnix::AppLanguage
